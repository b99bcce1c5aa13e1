// 100,000 stored messages replayed at start into the folders of the real main window, shown
// offscreen, every log line written to the on-screen log: the time from the start of the replay
// to its handled end, the longest pause of the event loop meanwhile, and the resident memory.
// With --log-file the window also writes its log file (the file beside this program, which it
// opens only when it exists): how long lines took to reach it, and whether it holds every line.
#include "BenchWindow.h"
#include "codec/Splitter.h"
#include "controller/LogModel.h"
#include "controller/MessageFolders.h"
#include "device/service/BroadbandService.h"
#include "device/service/EventWait.h"
#include "sim/SmsPdu.h"
#include "storage/Database.h"
#include "windows/MainWindow.h"

#include "app/Clock.h"
#include "app/Log.h"
#include "support/Fakes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// VmRSS (resident now) or VmHWM (its peak) in KB.
long StatusKb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const auto size = static_cast<qsizetype>(std::strlen(field));
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field) && line.size() > size && line[size] == ':')
            return line.mid(size + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Starts the peak of the resident memory afresh, so that filling the database does not count.
bool ResetPeakRss()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

using Steady = std::chrono::steady_clock;

double MsSince(Steady::time_point start, Steady::time_point when)
{
    return std::chrono::duration<double, std::milli>(when - start).count();
}

// Follows the log file from another thread: when each count of lines was first seen in it.
class FileWatch
{
public:
    explicit FileWatch(const std::string& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) { }
    ~FileWatch()
    {
        Stop();
        if (fd >= 0)
            ::close(fd);
    }
    void Start()
    {
        thread = std::thread([this] {
            while (!stop.load()) {
                Poll();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    void Stop()
    {
        stop.store(true);
        if (thread.joinable())
            thread.join();
    }
    long Lines()
    {
        std::lock_guard guard(lock);
        return lines;
    }
    // (time, lines in the file) at each change.
    std::vector<std::pair<Steady::time_point, long>> Samples()
    {
        std::lock_guard guard(lock);
        return samples;
    }

private:
    void Poll()
    {
        long found = 0;
        for (;;) {
            const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), offset);
            if (n <= 0)
                break;
            offset += n;
            const char* end = buffer.data() + n;
            for (const char* p = buffer.data(); (p = static_cast<const char*>(std::memchr(p, '\n', end - p)));)
                ++found, ++p;
        }
        if (found == 0)
            return;
        std::lock_guard guard(lock);
        lines += found;
        samples.emplace_back(Steady::now(), lines);
    }

    int fd;
    off_t offset = 0;
    std::vector<char> buffer = std::vector<char>(1 << 20);
    std::atomic<bool> stop{false};
    std::thread thread;
    std::mutex lock;
    long lines = 0;
    std::vector<std::pair<Steady::time_point, long>> samples;
};

// The longest time a line waited for the file, within the sampling: for each count of logged
// lines, the last of them was logged after the sample before and by the sample itself, and
// reached the file when the file first held that many lines. {at least, at most}; -1: never.
std::pair<double, double> LongestWait(const std::vector<std::pair<Steady::time_point, long>>& logged,
                                      const std::vector<std::pair<Steady::time_point, long>>& inFile)
{
    double atLeast = 0, atMost = 0;
    auto file = inFile.begin();
    for (size_t i = 1; i < logged.size(); ++i) {
        if (logged[i].second == logged[i - 1].second)
            continue; // nothing logged since the sample before
        while (file != inFile.end() && file->second < logged[i].second)
            ++file;
        if (file == inFile.end())
            return {-1, -1};
        atLeast = std::max(atLeast, MsSince(logged[i].first, file->first));
        atMost = std::max(atMost, MsSince(logged[i - 1].first, file->first));
    }
    return {atLeast, atMost};
}

// FNV-1a over the texts of lines (without their timestamps), to compare the file with the window.
struct TextHash
{
    void Add(QByteArrayView text)
    {
        for (const char c : text)
            value = (value ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        value = (value ^ 0xFF) * 1099511628211ull; // the line's end
    }
    std::uint64_t value = 1469598103934665603ull;
};

constexpr qsizetype PrefixBytes = 21; // "dd.mm.yyyy hh:nn:ss  "

bool IsTimestamped(QByteArrayView line)
{
    static const char pattern[] = "00.00.0000 00:00:00  ";
    if (line.size() < PrefixBytes)
        return false;
    for (qsizetype i = 0; i < PrefixBytes; ++i) {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if (pattern[i] == '0' ? !digit : line[i] != pattern[i])
            return false;
    }
    return true;
}

// A realistic mix: a tenth multipart in two or three parts, some UCS2, statuses 0, 1 and 3.
int Fill(const QString& path, int messages)
{
    QDatabase db(nullptr);
    if (!db.Open(path))
        return 0;
    std::mt19937 random(7);
    const sim::gsm::Address smsc{"15550109999", true};
    int rows = 0;
    db.BeginTransaction();
    for (int i = 0; i < messages; ++i) {
        const int kind = static_cast<int>(random() % 100);
        const int status = kind < 20 ? 0 : (kind < 80 ? 1 : 3);
        const bool multipart = random() % 10 == 0;
        const bool ucs2 = random() % 8 == 0;
        std::u16string text =
            ucs2 ? u"Привет, как дела? Встречаемся завтра у вокзала. " : u"See you at the station at ten. ";
        while (text.size() < (multipart ? (ucs2 ? 100u + random() % 90 : 200u + random() % 200) : 40u))
            text += ucs2 ? u"Ещё немного текста. " : u"Some more text to read. ";
        const std::string number = "1555010" + std::to_string(1000 + random() % 3000);
        if (status == 3) {
            MessageToEncode m;
            m.number = "+" + number;
            m.text = text;
            m.reference = 1 + random() % 254;
            for (const EncodedPart& part : EncodeMessage(m).parts)
                rows += db.InsertMessage(part.pdu, 3);
            continue;
        }
        sim::pdu::DeliverOptions options;
        options.ucs2 = ucs2;
        options.reference = static_cast<uint8_t>(1 + random() % 254);
        const auto parts =
            sim::pdu::deliver(smsc, {number, true}, text, options, 1700000000 + static_cast<std::time_t>(i) * 600);
        for (const auto& part : parts)
            rows += db.InsertMessage(sim::pdu::hex(part), static_cast<std::uint32_t>(status));
    }
    db.EndTransaction();
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int messages = 100000;
    bool logFile = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--log-file"))
            logFile = true;
        else
            messages = std::atoi(argv[i]);
    }
    // The window opens the file beside the program, never creates it: the bench makes it, empty.
    const std::string logPath =
        TApplicationLog::PathForExecutable(QCoreApplication::applicationFilePath().toStdString());
    if (logFile) {
        QFile empty(QString::fromStdString(logPath));
        if (!empty.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "cannot make the log file %s\n", logPath.c_str());
            return 2;
        }
    } else if (QFile::exists(QString::fromStdString(logPath))) {
        std::printf("note: %s exists, so the window writes it\n", logPath.c_str());
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.db"));
    const int rows = Fill(path, messages);
    std::printf("stored: %d messages in %d rows\n", messages, rows);

    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    if (qEnvironmentVariableIsSet("BENCH_NO_CONTACTS"))
        settings.setValue(QStringLiteral("Settings/Contacts"), 0);
    BenchWindowServices services(path, settings);
    const TMainWindow::Options& options = services.options;
    testsupport::RecordingSounds& sounds = services.sounds;
    QElapsedTimer shown;
    shown.start();
    auto owned = std::make_unique<TMainWindow>(options);
    TMainWindow& window = *owned;
    window.show();
    QApplication::processEvents();
    std::printf("window shown: %lld ms after it was created\n", static_cast<long long>(shown.elapsed()));

    // Lines in the file are the start-of-run line and one for each line of the on-screen log.
    const auto fileLinesLogged = [&] { return 1L + window.LogLines().LineCount(); };
    std::unique_ptr<FileWatch> watch;
    std::vector<std::pair<Steady::time_point, long>> logged;
    if (logFile) {
        watch = std::make_unique<FileWatch>(logPath);
        watch->Start();
        logged.reserve(100000);
    }

    // The longest pause between two ticks of a 5 ms timer during the replay.
    QElapsedTimer tick;
    QElapsedTimer replay;
    qint64 longest = 0;
    QTimer probe;
    probe.setInterval(5);
    const bool showGaps = qEnvironmentVariableIsSet("BENCH_GAPS");
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 gap = tick.restart();
        if (showGaps && gap > 50)
            std::printf("  pause of %lld ms at %lld ms\n", static_cast<long long>(gap),
                        static_cast<long long>(replay.elapsed()));
        longest = std::max(longest, gap);
        if (watch)
            logged.emplace_back(Steady::now(), fileLinesLogged());
    });
    const long rssBefore = StatusKb("VmRSS");
    const bool peakReset = ResetPeakRss();
    replay.start();
    tick.start();
    if (watch)
        logged.emplace_back(Steady::now(), fileLinesLogged());
    probe.start();
    window.Database().LoadMessages();
    MessageFolders& folders = window.Folders();
    const bool ended = ProcessEventsUntil(
        [&] { return !window.Database().IsLoading() && !folders.Model(Folder::Inbox).InBulk(); }, 120000, 1);
    const qint64 elapsed = replay.elapsed();
    const Steady::time_point replayEnd = Steady::now();
    probe.stop();
    const long peakKb = StatusKb("VmHWM");
    long lastSeen = 0;
    double caughtUp = -1;
    if (watch) {
        logged.emplace_back(replayEnd, fileLinesLogged());
        // No more lines come now; the file must catch up without the log being flushed or closed.
        while (MsSince(replayEnd, Steady::now()) < 5000) {
            lastSeen = watch->Lines();
            if (lastSeen >= logged.back().second) {
                caughtUp = MsSince(replayEnd, Steady::now());
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        watch->Stop();
    }
    int listed = 0;
    for (int f = 0; f < FolderCount; ++f)
        listed += folders.Model(static_cast<Folder>(f)).rowCount();
    std::printf("replay: %lld ms to the handled end%s; %d entries listed (Inbox %d, Sent %d), %d unread\n",
                static_cast<long long>(elapsed), ended ? "" : " (NOT ENDED)", listed,
                folders.Model(Folder::Inbox).rowCount(), folders.Model(Folder::Sent).rowCount(),
                folders.Model(Folder::Inbox).UnreadCount());
    std::printf("log lines: %d on screen\n", window.LogLines().LineCount());
    std::printf("longest event-loop pause during the replay: %lld ms\n", static_cast<long long>(longest));
    std::printf("resident memory: %.1f MB after the replay (%.1f MB before it), peak %.1f MB %s\n",
                StatusKb("VmRSS") / 1024.0, rssBefore / 1024.0, peakKb / 1024.0,
                peakReset ? "during the replay" : "since the bench started");
    std::printf("sounds asked for: %zu\n", sounds.played.size());
    if (!logFile)
        return ended ? 0 : 1;

    long atEnd = 0;
    const auto inFile = watch->Samples();
    for (const auto& sample : inFile)
        if (sample.first <= replayEnd)
            atEnd = sample.second;
    const auto [waitedAtLeast, waitedAtMost] = LongestWait(logged, inFile);
    const QString caught = caughtUp < 0 ? QStringLiteral("NEVER (%1 lines after 5 s)").arg(lastSeen)
                                        : QStringLiteral("%1 ms after it").arg(caughtUp, 0, 'f', 1);
    std::printf("log file: %ld of %ld lines in it at the replay's end, all there %s; longest wait of a line "
                "for the file: %.1f to %.1f ms (sampled by the 5 ms timer, so the upper bound takes in its pauses)\n",
                atEnd, logged.back().second, qPrintable(caught), waitedAtLeast, waitedAtMost);

    // The file must hold what the window showed, line for line, and then the lines of its end.
    TextHash shownHash;
    const int shownLines = window.LogLines().LineCount();
    for (int i = 0; i < shownLines; ++i)
        shownHash.Add(QByteArrayView(window.LogLines().LineAt(i).toUtf8()).sliced(PrefixBytes));
    owned.reset();
    QFile file(QString::fromStdString(logPath));
    file.open(QIODevice::ReadOnly);
    const QByteArray all = file.readAll();
    file.close();
    TextHash fileHash;
    long fileLines = 0, malformed = 0;
    bool startLine = false;
    for (qsizetype begin = 0; begin < all.size();) {
        qsizetype end = all.indexOf('\n', begin);
        const bool whole = end >= 0;
        if (!whole)
            end = all.size();
        const QByteArrayView line = QByteArrayView(all).sliced(begin, end - begin);
        begin = end + 1;
        if (!whole || !line.endsWith('\r') || !IsTimestamped(line)) {
            ++malformed;
            continue;
        }
        const QByteArrayView text = line.sliced(PrefixBytes, line.size() - PrefixBytes - 1);
        if (fileLines == 0)
            startLine = text.isEmpty();
        else if (fileLines <= shownLines)
            fileHash.Add(text);
        ++fileLines;
    }
    const bool same = startLine && malformed == 0 && fileLines > shownLines && fileHash.value == shownHash.value;
    std::printf("log file after the window closed: %.1f MB, %ld lines (%ld written while closing), %ld malformed; "
                "the same lines as on screen: %s\n",
                all.size() / 1048576.0, fileLines, fileLines - 1 - shownLines, malformed, same ? "yes" : "NO");
    if (!qEnvironmentVariableIsSet("BENCH_KEEP_LOG"))
        QFile::remove(QString::fromStdString(logPath));
    return ended && same && caughtUp >= 0 ? 0 : 1;
}
