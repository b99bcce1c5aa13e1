#include "app/Log.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <thread>
#include <vector>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QRegularExpression linePattern(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d  (.*)$)");

TEST(ApplicationLog, NoFileIsCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("parlowen.log");
    {
        TApplicationLog log(path.toStdString());
        EXPECT_FALSE(log.IsOpen());
        log.WriteString("Application started");
    }
    EXPECT_FALSE(QFile::exists(path));
}

TEST(ApplicationLog, LinesOfAnExistingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("parlowen.log");
    QFile(path).open(QIODevice::WriteOnly);
    {
        TApplicationLog log(path.toStdString());
        EXPECT_EQ(TApplicationLog::Current(), &log);
        log.WriteString("Application started");
        log.WriteString("");
        log.WriteString("\u041F\u0440\u0438\u0432\u0435\u0442 \u20AC");
    }
    EXPECT_EQ(TApplicationLog::Current(), nullptr);
    const QList<QByteArray> lines = readAll(path).split('\n');
    ASSERT_EQ(lines.size(), 5); // four lines and the empty rest after the last LF
    const QStringList texts = {"", "Application started", "", "\u041F\u0440\u0438\u0432\u0435\u0442 \u20AC"};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(lines[i].endsWith('\r')) << i;
        const QString line = QString::fromUtf8(lines[i].chopped(1));
        const auto m = linePattern.match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        EXPECT_EQ(m.captured(1), texts[i]);
    }
    EXPECT_TRUE(lines[4].isEmpty());
}

TEST(ApplicationLog, AppendsAfterOthersWrote)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("parlowen.log");
    QFile(path).open(QIODevice::WriteOnly);
    TApplicationLog log(path.toStdString());
    {
        QFile other(path);
        ASSERT_TRUE(other.open(QIODevice::Append));
        other.write("from another process\r\n");
    }
    log.WriteString("ours");
    const QByteArray all = readAll(path);
    EXPECT_TRUE(all.contains("from another process\r\n"));
    EXPECT_TRUE(all.endsWith("  ours\r\n"));
}

TEST(ApplicationLog, ThreadsNeverMixLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("parlowen.log");
    QFile(path).open(QIODevice::WriteOnly);
    constexpr int threads = 4, perThread = 500;
    {
        TApplicationLog log(path.toStdString());
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&log, t] {
                const std::string text =
                    "thread " + std::to_string(t) + " " + std::string(200, static_cast<char>('a' + t));
                for (int i = 0; i < perThread; ++i)
                    log.WriteString(text);
            });
        }
        for (auto& w : workers)
            w.join();
    }
    const QList<QByteArray> lines = readAll(path).split('\n');
    ASSERT_EQ(lines.size(), threads * perThread + 2);
    int counts[threads] = {};
    for (int i = 1; i < lines.size() - 1; ++i) {
        const auto m = linePattern.match(QString::fromUtf8(lines[i].chopped(1)));
        ASSERT_TRUE(m.hasMatch()) << i;
        const QString text = m.captured(1);
        const int t = text.mid(7, 1).toInt();
        ASSERT_EQ(text, QString("thread %1 %2").arg(t).arg(QString(200, QChar('a' + t)))) << i;
        ++counts[t];
    }
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(counts[t], perThread);
}

TEST(ApplicationLog, PathBesideTheProgram)
{
    EXPECT_EQ(TApplicationLog::PathForExecutable("/opt/parlowen/bin/parlowen"), "/opt/parlowen/bin/parlowen.log");
    EXPECT_EQ(TApplicationLog::PathForExecutable("/opt/app.d/prog.exe"), "/opt/app.d/prog.log");
    EXPECT_EQ(TApplicationLog::PathForExecutable("/opt/app.d/.hidden"), "/opt/app.d/.hidden.log");
}

} // namespace
