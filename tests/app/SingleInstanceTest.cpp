#include "app/desktop/SingleInstance.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class SingleInstanceTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString SocketPath() const { return dir.filePath("instance"); }

    // Runs f on another thread while this one serves the event loop, as a second process would.
    template <class F> void OnOtherThread(F f)
    {
        std::atomic<bool> done{false};
        std::thread other([&] {
            f();
            done = true;
        });
        const bool finished = testsupport::WaitFor([&] { return done.load(); }, 20000);
        other.join();
        ASSERT_TRUE(finished);
    }

    static void Spin(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    QTemporaryDir dir;
};

TEST_F(SingleInstanceTest, FirstClaimsALaterOneIsRefusedAndTheFirstOpensOnce)
{
    SingleInstance first(SocketPath());
    QSignalSpy opens(&first, &SingleInstance::OpenRequested);
    ASSERT_TRUE(first.Claim());
    EXPECT_TRUE(first.IsFirst());
    EXPECT_TRUE(first.Claim()); // asking again changes nothing

    bool secondClaimed = true;
    bool secondIsFirst = true;
    OnOtherThread([&] {
        SingleInstance second(SocketPath());
        secondClaimed = second.Claim();
        secondIsFirst = second.IsFirst();
    });
    EXPECT_FALSE(secondClaimed);
    EXPECT_FALSE(secondIsFirst);
    Spin(200);
    EXPECT_EQ(opens.count(), 1);

    bool acknowledged = false;
    OnOtherThread([&] { acknowledged = SingleInstance::AskRunningToOpen(SocketPath(), 5000); });
    EXPECT_TRUE(acknowledged);
    Spin(100);
    EXPECT_EQ(opens.count(), 2);
}

TEST_F(SingleInstanceTest, SocketAndLockAreTheUsersOnly)
{
    SingleInstance first(SocketPath());
    ASSERT_TRUE(first.Claim());
    for (const QString& file : {SocketPath(), SocketPath() + ".lock"}) {
        struct stat st
        { };
        ASSERT_EQ(::lstat(QFile::encodeName(file).constData(), &st), 0) << file.toStdString();
        EXPECT_EQ(st.st_uid, ::getuid()) << file.toStdString();
        EXPECT_EQ(st.st_mode & 077, 0u) << file.toStdString() << " mode " << std::oct << st.st_mode;
        EXPECT_NE(st.st_mode & S_IRUSR, 0u);
        EXPECT_NE(st.st_mode & S_IWUSR, 0u);
        if (file == SocketPath()) {
            EXPECT_TRUE(S_ISSOCK(st.st_mode));
        }
    }
}

TEST_F(SingleInstanceTest, NothingRunningAnswersNoAtOnce)
{
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(SingleInstance::AskRunningToOpen(SocketPath(), 5000));
    EXPECT_LT(t.elapsed(), 1000);
}

TEST_F(SingleInstanceTest, TheNextStartAfterTheFirstEndedIsFirst)
{
    {
        SingleInstance first(SocketPath());
        ASSERT_TRUE(first.Claim());
    }
    EXPECT_FALSE(QFile::exists(SocketPath()));
    SingleInstance next(SocketPath());
    EXPECT_TRUE(next.Claim());
}

// A socket file whose process is gone: the connect is refused, the claim must still succeed and
// the new instance must be reachable.
TEST_F(SingleInstanceTest, StaleSocketFileIsReplaced)
{
    for (const bool byCrash : {true, false}) {
        SCOPED_TRACE(byCrash ? "crashed helper" : "dead socket");
        if (byCrash) {
            QProcess helper;
            helper.start(SINGLE_INSTANCE_HELPER, {SocketPath(), "crash"});
            ASSERT_TRUE(helper.waitForFinished(20000));
            EXPECT_EQ(helper.readAllStandardOutput(), "first\n");
        } else {
            QFile::remove(SocketPath());
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const QByteArray name = QFile::encodeName(SocketPath());
            std::memcpy(address.sun_path, name.constData(), name.size());
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            ::close(fd);
        }
        ASSERT_TRUE(QFile::exists(SocketPath())); // the stale file is there
        {
            QLocalSocket probe;
            probe.connectToServer(SocketPath());
            EXPECT_FALSE(probe.waitForConnected(1000));
        }

        SingleInstance next(SocketPath());
        QSignalSpy opens(&next, &SingleInstance::OpenRequested);
        ASSERT_TRUE(next.Claim());
        bool acknowledged = false;
        OnOtherThread([&] { acknowledged = SingleInstance::AskRunningToOpen(SocketPath(), 5000); });
        EXPECT_TRUE(acknowledged);
        Spin(50);
        EXPECT_EQ(opens.count(), 1);
    }
}

// Processes started together: exactly one is first, each other one asked it to open.
TEST_F(SingleInstanceTest, RacingProcessesHaveOneWinner)
{
    constexpr int starts = 5;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::unique_ptr<QProcess>> processes;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PARLOWEN_CLAIM_AT", QString::number(QDateTime::currentMSecsSinceEpoch() + 1000));
        for (int i = 0; i < starts; ++i) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->setProcessEnvironment(environment);
            processes.back()->start(SINGLE_INSTANCE_HELPER,
                                    {SocketPath(), "hold", QString::number(starts - 1), "15000"});
        }
        int firsts = 0;
        int seconds = 0;
        QByteArray winnerOutput;
        for (auto& p : processes) {
            ASSERT_TRUE(p->waitForFinished(30000));
            EXPECT_EQ(p->exitCode(), 0);
            const QByteArray out = p->readAllStandardOutput();
            if (out.startsWith("first\n")) {
                ++firsts;
                winnerOutput = out;
            } else {
                EXPECT_EQ(out, "second\n");
                ++seconds;
            }
        }
        EXPECT_EQ(firsts, 1);
        EXPECT_EQ(seconds, starts - 1);
        EXPECT_EQ(winnerOutput, "first\n" + QByteArray("open\n").repeated(starts - 1));
    }
}

// A peer that says something else, or nothing, gets no window opened and blocks nobody.
TEST_F(SingleInstanceTest, OnlyTheOpenRequestOpens)
{
    SingleInstance first(SocketPath());
    QSignalSpy opens(&first, &SingleInstance::OpenRequested);
    ASSERT_TRUE(first.Claim());

    QLocalSocket silent;
    silent.connectToServer(SocketPath());
    ASSERT_TRUE(silent.waitForConnected(1000));
    for (const QByteArray& junk : {QByteArray("/hidden\n"), QByteArray("open"), QByteArray(200, 'x')}) {
        QLocalSocket other;
        other.connectToServer(SocketPath());
        ASSERT_TRUE(other.waitForConnected(1000));
        other.write(junk);
        other.flush();
        Spin(50);
    }
    EXPECT_EQ(opens.count(), 0);

    bool acknowledged = false;
    OnOtherThread([&] { acknowledged = SingleInstance::AskRunningToOpen(SocketPath(), 5000); });
    EXPECT_TRUE(acknowledged);
    Spin(50);
    EXPECT_EQ(opens.count(), 1);
}

TEST(SingleInstancePath, RuntimeFolderOrTempWithUserId)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    EXPECT_EQ(SingleInstance::DefaultPath(), runtime.path() + "/parlowen-5D2B9C71-3E08-4A6F-9C45-B17E0D83F2A6");
    for (const QByteArray& unusable : {QByteArray(), QByteArray("relative/dir"), QByteArray("/no/such/folder")}) {
        qputenv("XDG_RUNTIME_DIR", unusable);
        EXPECT_EQ(SingleInstance::DefaultPath(),
                  QDir::tempPath() + "/parlowen-5D2B9C71-3E08-4A6F-9C45-B17E0D83F2A6-" + QString::number(::getuid()))
            << unusable.toStdString();
    }
    qputenv("XDG_RUNTIME_DIR", saved);
}

} // namespace
