// The parlowen executable as a user starts it.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QProcessEnvironment Environment(const QTemporaryDir& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("CANBERRA_DRIVER"), QStringLiteral("null"));
    return env;
}

// Asks the program to end, and ends it when it does not.
void End(QProcess& program)
{
    program.terminate();
    if (!program.waitForFinished(5000))
        program.kill();
    program.waitForFinished(5000);
}

} // namespace

TEST(Program, WithoutADisplayItSaysSoAndExitsWithOne)
{
    QTemporaryDir home;
    QProcessEnvironment env = Environment(home);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PARLOWEN_PROGRAM), {QStringLiteral("--simulator")});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 1);
    const QString error = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_TRUE(error.contains(QLatin1String("no display"))) << error.toStdString();
    EXPECT_EQ(error.count(QLatin1Char('\n')), 1) << "one line";
}

TEST(Program, ASecondStartOnlyAsksTheFirstAndExitsWithZero)
{
    QTemporaryDir home;
    QProcess first;
    first.setProcessEnvironment(Environment(home));
    first.start(QStringLiteral(PARLOWEN_PROGRAM), {QStringLiteral("--simulator")});
    ASSERT_TRUE(first.waitForStarted(10000));
    // The first copy listens once its window is up.
    QDir runtime(home.path());
    bool listening = false;
    for (int i = 0; i < 200 && !listening; ++i) {
        listening = !runtime.entryList({QStringLiteral("parlowen-*")}, QDir::System | QDir::Files).isEmpty() &&
                    first.state() == QProcess::Running;
        if (!listening)
            first.waitForFinished(50);
    }
    ASSERT_TRUE(listening) << first.readAllStandardError().toStdString();

    QProcess second;
    second.setProcessEnvironment(Environment(home));
    second.start(QStringLiteral(PARLOWEN_PROGRAM), {QStringLiteral("/hidden")});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running) << "the first copy goes on";
    first.terminate();
    if (!first.waitForFinished(5000))
        first.kill();
    first.waitForFinished(5000);
}

TEST(Program, HelpExplainsTheOptions)
{
    QProcess program;
    program.start(QStringLiteral(PARLOWEN_PROGRAM), {QStringLiteral("--help")});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
    const QString help = QString::fromLocal8Bit(program.readAllStandardOutput());
    for (const char* option : {"--device", "--simulator", "--database", "/hidden"})
        EXPECT_TRUE(help.contains(QLatin1String(option))) << option;
}

TEST(Program, ADamagedDatabaseIsRefusedWithAMessageAndLeftAsItWas)
{
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("parlowen.db"));
    QByteArray garbage;
    for (int i = 0; i < 8192; ++i)
        garbage.append(static_cast<char>((i * 131 + 7) % 251));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    QProcess program;
    program.setProcessEnvironment(Environment(home));
    program.start(QStringLiteral(PARLOWEN_PROGRAM),
                  {QStringLiteral("--simulator"), QStringLiteral("--database"), path});
    ASSERT_TRUE(program.waitForStarted(10000));
    QString error;
    for (int i = 0; i < 200 && !error.contains(QLatin1String("Unable to open the database")); ++i) {
        program.waitForReadyRead(50);
        error += QString::fromLocal8Bit(program.readAllStandardError());
    }
    EXPECT_TRUE(error.contains(QLatin1String("Unable to open the database ") + path)) << error.toStdString();
    EXPECT_EQ(program.state(), QProcess::Running) << "the program goes on without its database";
    End(program);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage) << "never overwritten";
}

TEST(Program, TheSimulatedModemKeepsItsSimBetweenRuns)
{
    QTemporaryDir home;
    const QString database = home.filePath(QStringLiteral("parlowen.db"));
    const auto stored = [&] {
        QProcess query;
        query.start(QStringLiteral("sqlite3"), {database, QStringLiteral("SELECT COUNT(*) FROM [Messages];")});
        query.waitForFinished(5000);
        return query.readAllStandardOutput().trimmed().toInt();
    };
    // Runs the program until rows are stored, or for the given time when rows is 0.
    const auto run = [&](int rows, int ms) {
        QProcess program;
        program.setProcessEnvironment(Environment(home));
        program.start(QStringLiteral(PARLOWEN_PROGRAM),
                      {QStringLiteral("--simulator"), QStringLiteral("--database"), database});
        EXPECT_TRUE(program.waitForStarted(10000));
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < ms && (rows == 0 || stored() < rows))
            program.waitForFinished(100);
        // Deleting them from the SIM is kept in the state file at once; let it happen.
        program.waitForFinished(1500);
        End(program);
    };
    run(4, 30000); // the demo SIM: three messages, one of them in two parts
    ASSERT_EQ(stored(), 4);
    EXPECT_TRUE(QFile::exists(home.filePath(QStringLiteral("data/Parlowen/parlowen.modemsim"))));
    run(0, 4000);
    EXPECT_EQ(stored(), 4) << "the demo messages came again";
}

TEST(Program, APathThatContainsHiddenIsAPathNotTheSwitch)
{
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("srv/hidden")));
    const QString database = home.filePath(QStringLiteral("srv/hidden/p.db"));
    QProcess program;
    program.setProcessEnvironment(Environment(home));
    program.start(QStringLiteral(PARLOWEN_PROGRAM),
                  {QStringLiteral("--simulator"), QStringLiteral("--database"), database});
    ASSERT_TRUE(program.waitForStarted(10000));
    // The database is made once the window is up; a usage error would have ended the program.
    for (int i = 0; i < 200 && !QFile::exists(database) && program.state() == QProcess::Running; ++i)
        program.waitForFinished(50);
    EXPECT_TRUE(QFile::exists(database)) << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    End(program);
}
