#include "app/Log.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QRegularExpression linePattern(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d  (.*)$)");

// The texts of the file's lines; fails the test on a line that is not whole and well formed.
QStringList textsOf(const QByteArray& file)
{
    QStringList texts;
    QList<QByteArray> lines = file.split('\n');
    EXPECT_TRUE(lines.takeLast().isEmpty()) << "the last line is cut";
    for (const QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << line.left(80).toStdString();
        const auto m = linePattern.match(QString::fromUtf8(line.chopped(1)));
        EXPECT_TRUE(m.hasMatch()) << line.left(80).toStdString();
        texts << m.captured(1);
    }
    return texts;
}

// Makes an empty log file, so that the log is on.
QString emptyLogFile(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("parlowen.log");
    QFile(path).open(QIODevice::WriteOnly);
    return path;
}

TEST(ApplicationLog, NoFileIsCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("parlowen.log");
    {
        TApplicationLog log(path.toStdString());
        EXPECT_FALSE(log.IsOpen());
        log.WriteString("Application started");
        log.Flush();
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
    const QString path = emptyLogFile(dir);
    TApplicationLog log(path.toStdString());
    log.Flush();
    {
        QFile other(path);
        ASSERT_TRUE(other.open(QIODevice::Append));
        other.write("from another process\r\n");
    }
    log.WriteString("ours");
    log.Flush();
    const QByteArray all = readAll(path);
    EXPECT_TRUE(all.contains("from another process\r\n"));
    EXPECT_TRUE(all.endsWith("  ours\r\n"));
}

TEST(ApplicationLog, ThreadsNeverMixLines)
{
    QTemporaryDir dir;
    const QString path = emptyLogFile(dir);
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

// Several threads log numbered lines, some far longer than a batch, with or without flushing,
// then the log is destroyed: every line is in the file, whole, each thread's in its order.
struct ThreadsCase
{
    const char* name;
    int threads;
    int perThread;
    bool flushEach;  // every thread flushes after each line and then finds it in the file
    size_t longLine; // every 50th line is this long (0: none)
};

void PrintTo(const ThreadsCase& c, std::ostream* out)
{
    *out << c.name;
}

class LogThreads : public ::testing::TestWithParam<ThreadsCase>
{ };

TEST_P(LogThreads, EveryLineWholeAndInOrder)
{
    const ThreadsCase c = GetParam();
    QTemporaryDir dir;
    const QString path = emptyLogFile(dir);
    {
        TApplicationLog log(path.toStdString());
        std::vector<std::thread> workers;
        for (int t = 0; t < c.threads; ++t) {
            workers.emplace_back([&, t] {
                for (int i = 0; i < c.perThread; ++i) {
                    std::string text = "t" + std::to_string(t) + " n" + std::to_string(i) + " ";
                    text.append(c.longLine && i % 50 == 0 ? c.longLine : 1 + i % 90, static_cast<char>('a' + t));
                    log.WriteString(text);
                    if (c.flushEach) {
                        log.Flush();
                        const QByteArray suffix = QByteArray::fromStdString("  " + text + "\r\n");
                        ASSERT_TRUE(readAll(path).contains(suffix)) << text.substr(0, 20);
                    }
                }
            });
        }
        for (auto& w : workers)
            w.join();
    }
    const QStringList texts = textsOf(readAll(path));
    ASSERT_EQ(texts.size(), 1 + c.threads * c.perThread);
    EXPECT_EQ(texts[0], "");
    std::vector<int> next(c.threads, 0);
    static const QRegularExpression numbered(R"(^t(\d+) n(\d+) ([a-z]+)$)");
    for (int i = 1; i < texts.size(); ++i) {
        const auto m = numbered.match(texts[i]);
        ASSERT_TRUE(m.hasMatch()) << texts[i].left(40).toStdString();
        const int t = m.captured(1).toInt();
        ASSERT_LT(t, c.threads);
        ASSERT_EQ(m.captured(2).toInt(), next[t]) << "thread " << t << " out of order";
        const int n = next[t]++;
        ASSERT_EQ(m.captured(3), QString(c.longLine && n % 50 == 0 ? int(c.longLine) : 1 + n % 90, QChar('a' + t)));
    }
}

INSTANTIATE_TEST_SUITE_P(ApplicationLog, LogThreads,
                         ::testing::Values(ThreadsCase{"OneThread", 1, 3000, false, 0},
                                           ThreadsCase{"FourThreads", 4, 3000, false, 0},
                                           ThreadsCase{"LinesBeyondABatch", 3, 120, false, 3 * 1024 * 1024 / 2},
                                           ThreadsCase{"FlushEachLine", 3, 40, true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// Without Flush or destruction, a line reaches the file soon after it was logged.
TEST(ApplicationLog, LinesReachTheFileWhileItIsOpen)
{
    QTemporaryDir dir;
    const QString path = emptyLogFile(dir);
    TApplicationLog log(path.toStdString());
    for (const char* text : {"first", "second after a pause"}) {
        log.WriteString(text);
        const QByteArray wanted = QByteArray("  ") + text + "\r\n";
        // Far beyond the writer's interval: a loaded machine must not make this fail.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!readAll(path).endsWith(wanted) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(readAll(path).endsWith(wanted)) << text;
    }
}

// Another writer appends to the same file all the while ours writes: another instance of the
// program with its own log, or another program writing line by line. No line of either is cut
// or lost, and each writer's lines stay in their order.
class LogNeighbour : public ::testing::TestWithParam<bool>
{ };

TEST_P(LogNeighbour, AppendsBesideAnotherWriter)
{
    const bool neighbourIsALog = GetParam();
    QTemporaryDir dir;
    const QString path = emptyLogFile(dir);
    constexpr int ourLines = 20000;
    std::atomic<bool> stop{false};
    int theirLines = 0;
    const auto theirText = [](int i) { return "other n" + std::to_string(i) + " " + std::string(1 + i % 70, 'o'); };
    std::thread neighbour([&] {
        if (neighbourIsALog) {
            TApplicationLog other(path.toStdString());
            for (; !stop.load() || theirLines < 100; ++theirLines) {
                other.WriteString(theirText(theirLines));
                if (theirLines % 64 == 0)
                    std::this_thread::yield();
            }
            return;
        }
        const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        for (; !stop.load() || theirLines < 100; ++theirLines) {
            const std::string line = "01.01.2000 00:00:00  " + theirText(theirLines) + "\r\n";
            ASSERT_EQ(::write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        }
        ::close(fd);
    });
    {
        TApplicationLog log(path.toStdString());
        for (int i = 0; i < ourLines; ++i) {
            log.WriteString("ours n" + std::to_string(i) + " " + std::string(1 + i % 70, 'u'));
            if (i % 5000 == 0)
                log.Flush(); // a few writes while the neighbour is surely busy
        }
    }
    stop.store(true);
    neighbour.join();
    const QStringList texts = textsOf(readAll(path));
    static const QRegularExpression numbered(R"(^(ours|other) n(\d+) ([ou]+)$)");
    std::map<QString, int> next;
    int startLines = 0;
    for (const QString& text : texts) {
        if (text.isEmpty()) {
            ++startLines;
            continue;
        }
        const auto m = numbered.match(text);
        ASSERT_TRUE(m.hasMatch()) << text.left(40).toStdString();
        const QString who = m.captured(1);
        const int n = next[who]++;
        ASSERT_EQ(m.captured(2).toInt(), n) << who.toStdString();
        ASSERT_EQ(m.captured(3), QString(1 + n % 70, who == "ours" ? QChar('u') : QChar('o')));
    }
    EXPECT_EQ(startLines, neighbourIsALog ? 2 : 1);
    EXPECT_EQ(next["ours"], ourLines);
    EXPECT_EQ(next["other"], theirLines);
}

INSTANTIATE_TEST_SUITE_P(ApplicationLog, LogNeighbour, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "AnotherLog" : "AnotherProgram"; });

// Each line carries the time it was logged, also when the second changed since the last line.
TEST(ApplicationLog, EachLineHasTheTimeItWasLogged)
{
    QTemporaryDir dir;
    const QString path = emptyLogFile(dir);
    const auto stamp = [](std::time_t t) {
        std::tm local{};
        localtime_r(&t, &local);
        char buffer[32];
        std::strftime(buffer, sizeof buffer, "%d.%m.%Y %H:%M:%S", &local);
        return QString::fromLatin1(buffer);
    };
    std::vector<std::pair<std::time_t, std::time_t>> windows;
    {
        TApplicationLog log(path.toStdString());
        for (int i = 0; i < 2; ++i) {
            // Into a fresh second, so that the second line cannot reuse the first one's time.
            const std::time_t start = std::time(nullptr);
            while (std::time(nullptr) == start)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const std::time_t before = std::time(nullptr);
            log.WriteString("line " + std::to_string(i));
            windows.emplace_back(before, std::time(nullptr));
        }
    }
    const QList<QByteArray> lines = readAll(path).split('\n');
    ASSERT_EQ(lines.size(), 4);
    for (int i = 0; i < 2; ++i) {
        const QString stamped = QString::fromUtf8(lines[i + 1].left(19));
        QStringList allowed;
        for (std::time_t t = windows[i].first; t <= windows[i].second; ++t)
            allowed << stamp(t);
        EXPECT_TRUE(allowed.contains(stamped)) << stamped.toStdString() << " vs " << allowed.join(',').toStdString();
    }
}

TEST(ApplicationLog, PathBesideTheProgram)
{
    EXPECT_EQ(TApplicationLog::PathForExecutable("/opt/parlowen/bin/parlowen"), "/opt/parlowen/bin/parlowen.log");
    EXPECT_EQ(TApplicationLog::PathForExecutable("/opt/app.d/prog.exe"), "/opt/app.d/prog.log");
    EXPECT_EQ(TApplicationLog::PathForExecutable("/opt/app.d/.hidden"), "/opt/app.d/.hidden.log");
}

} // namespace
