// The Conversations page over 100,000 stored messages of 5,000 parties, one of them with 10,000
// messages, replayed at start into the real main window shown offscreen. Each run is a process of
// its own, alternately without and with the page, so that the resident memory compares: the
// replay's time, the time the list takes after the replay's end, the opening of the largest
// conversation and a scroll through it from its newest message to its first, frame by frame.
#include "BenchWindow.h"
#include "codec/Splitter.h"
#include "controller/ConversationIndex.h"
#include "controller/ConversationThread.h"
#include "controller/MessageFolders.h"
#include "device/service/EventWait.h"
#include "sim/SmsPdu.h"
#include "storage/Database.h"
#include "windows/BubbleDelegate.h"
#include "windows/ConversationsPage.h"
#include "windows/MainWindow.h"

#include "support/Fakes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kParties = 5000;
constexpr int kLargest = 10000; // messages of party 0

// User and system time of the whole process (the loader thread too), in ms: steadier than the
// wall clock on a machine shared with other work.
double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long RssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Party p in international form, or as dialled at home (the same party).
std::string Number(int party, bool international, bool plus = false)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, international ? (plus ? "+49170100%04d" : "49170100%04d") : "0170100%04d",
                  party);
    return digits;
}

// The window bench's mix: a tenth multipart, an eighth UCS2; received (new or read) and sent.
int Fill(const QString& path, int messages)
{
    QDatabase db(nullptr);
    if (!db.Open(path))
        return 0;
    std::mt19937 random(11);
    const sim::gsm::Address smsc{"15550109999", true};
    int rows = 0;
    db.BeginTransaction();
    for (int i = 0; i < messages; ++i) {
        const int party = i % 10 == 0 ? 0 : 1 + static_cast<int>(random() % (kParties - 1));
        const int kind = static_cast<int>(random() % 100);
        const int status = kind < 20 ? 0 : (kind < 70 ? 1 : 3);
        const bool multipart = random() % 10 == 0;
        const bool ucs2 = random() % 8 == 0;
        std::u16string text =
            ucs2 ? u"Привет, как дела? Встречаемся завтра у вокзала. " : u"See you at the station at ten. ";
        while (text.size() < (multipart ? (ucs2 ? 100u + random() % 90 : 200u + random() % 200) : 40u))
            text += ucs2 ? u"Ещё немного текста. " : u"Some more text to read. ";
        if (status == 3) {
            MessageToEncode m;
            // Written three ways: all one party.
            const unsigned form = random() % 3;
            m.number = Number(party, form != 2, form == 0);
            m.text = text;
            m.reference = 1 + random() % 254;
            for (const EncodedPart& part : EncodeMessage(m).parts)
                rows += db.InsertMessage(part.pdu, 3);
            continue;
        }
        sim::pdu::DeliverOptions options;
        options.ucs2 = ucs2;
        options.reference = static_cast<uint8_t>(1 + random() % 254);
        const auto parts = sim::pdu::deliver(smsc, {Number(party, true), true}, text, options,
                                             1700000000 + static_cast<std::time_t>(i) * 600);
        for (const auto& part : parts)
            rows += db.InsertMessage(sim::pdu::hex(part), static_cast<std::uint32_t>(status));
    }
    db.EndTransaction();
    return rows;
}

// One run: "RESULT name value" lines for the parent. A probed run times the index's own share
// with clock reads around its handlers; those reads cost a little for every row, so the replay's
// time is taken from a run without them.
enum class Mode { Without, With, Probed };

int Run(const QString& database, Mode mode)
{
    const bool conversations = mode != Mode::Without;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.db"));
    if (!QFile::copy(database, path))
        return 2;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    BenchWindowServices services(path, settings);
    TMainWindow window(services.options);
    // The window as it was before its Conversations page: the page goes (out of its stack of
    // pages) before the replay; a run with the page makes its own below, so that the index's work
    // can be timed from before its handlers to after them.
    delete &window.Conversations();
    window.show();
    QApplication::processEvents();

    MessageFolders& folders = window.Folders();
    QElapsedTimer clockMs;
    clockMs.start();
    qint64 bulkEnded = -1, listed = -1;
    // Connected before the page's index, so it runs first at the replay's end.
    QObject::connect(&folders, &MessageFolders::BulkEnded, [&] { bulkEnded = clockMs.nsecsElapsed(); });
    // The index's own share of the replay: a clock read before its handlers and after them (slots
    // run in the order they were connected).
    qint64 indexNs = 0, started = 0;
    const auto begin = [&] { started = clockMs.nsecsElapsed(); };
    const auto end = [&] { indexNs += clockMs.nsecsElapsed() - started; };
    const Folder boxes[] = {Folder::Inbox, Folder::Sent, Folder::Outbox};
    if (mode == Mode::Probed)
        for (const Folder box : boxes) {
            QObject::connect(&folders.Model(box), &FolderModel::RowAdded, begin);
            QObject::connect(&folders.Model(box), &FolderModel::RowUpdated, begin);
        }
    std::unique_ptr<ConversationsPage> page;
    if (conversations) {
        page = std::make_unique<ConversationsPage>(ConversationsPage::Services{window,
                                                                               window.Settings(),
                                                                               window.Database(),
                                                                               window.Broadband(),
                                                                               folders,
                                                                               window.Incoming(),
                                                                               window.Pipeline(),
                                                                               window.Printer(),
                                                                               {},
                                                                               {}});
        QObject::connect(&page->Index(), &ConversationIndex::Rebuilt, [&] { listed = clockMs.nsecsElapsed(); });
        if (mode == Mode::Probed)
            for (const Folder box : boxes) {
                QObject::connect(&folders.Model(box), &FolderModel::RowAdded, end);
                QObject::connect(&folders.Model(box), &FolderModel::RowUpdated, end);
            }
        page->resize(1000, 700);
        if (!qEnvironmentVariableIsSet("BENCH_PAGE_HIDDEN"))
            page->show();
    }
    QApplication::processEvents();
    const long rssBefore = RssKb();
    QElapsedTimer replay;
    const double cpuBefore = CpuMs();
    replay.start();
    window.Database().LoadMessages();
    const bool ended = ProcessEventsUntil(
        [&] { return !window.Database().IsLoading() && !folders.Model(Folder::Inbox).InBulk(); }, 300000, 1);
    const qint64 replayMs = replay.elapsed();
    const double replayCpu = CpuMs() - cpuBefore;
    QApplication::processEvents();
    std::printf("RESULT ended %d\n", ended ? 1 : 0);
    std::printf("RESULT replay_ms %lld\n", static_cast<long long>(replayMs));
    std::printf("RESULT replay_cpu_ms %.0f\n", replayCpu);
    std::printf("RESULT rss_before_mb %.1f\n", rssBefore / 1024.0);
    std::printf("RESULT rss_after_mb %.1f\n", RssKb() / 1024.0);
    std::printf("RESULT listed %d\n", folders.Model(Folder::Inbox).rowCount() + folders.Model(Folder::Sent).rowCount());
    if (!page)
        return ended ? 0 : 1;
    ConversationIndex& index = page->Index();
    std::printf("RESULT list_after_replay_ms %.2f\n", (listed - bulkEnded) / 1e6);
    if (mode == Mode::Probed) {
        std::printf("RESULT index_ms %.1f\n", (indexNs + listed - bulkEnded) / 1e6);
        return ended ? 0 : 1;
    }
    if (qEnvironmentVariableIsSet("BENCH_REPLAY_ONLY"))
        return ended ? 0 : 1;
    std::printf("RESULT conversations %d\n", index.rowCount());
    const QString key = ConversationKey(QString::fromStdString(Number(0, true, true)));
    const auto* largest = index.Find(key);
    std::printf("RESULT largest_messages %d\n", largest ? static_cast<int>(largest->Entries.size()) : 0);

    QListView* view = page->ThreadView();
    const int unread = largest ? largest->Unread : 0;
    QElapsedTimer open;
    open.start();
    page->Open(key);
    view->viewport()->repaint();
    std::printf("RESULT open_ms %lld\n", static_cast<long long>(open.elapsed()));
    std::printf("RESULT thread_rows %d\n", page->Thread().rowCount());
    // Its unread messages are marked read over the next turns of the event loop; the longest turn
    // meanwhile is what the user could feel.
    QElapsedTimer marking, turn;
    marking.start();
    turn.start();
    qint64 longestTurn = 0;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] { longestTurn = std::max(longestTurn, turn.restart()); });
    probe.start();
    ProcessEventsUntil([&] { return index.Find(key)->Unread == 0; }, 60000, 1);
    probe.stop();
    std::printf("RESULT marked_read %d\n", unread - index.Find(key)->Unread);
    std::printf("RESULT marking_ms %lld\n", static_cast<long long>(marking.elapsed()));
    std::printf("RESULT marking_longest_turn_ms %lld\n", static_cast<long long>(longestTurn));

    // A page at a time from the newest message up to the first, each step drawn before the next.
    QScrollBar* bar = view->verticalScrollBar();
    qint64 worst = 0, total = 0;
    int frames = 0;
    QElapsedTimer frame;
    while (bar->value() > 0 && frames < 100000) {
        frame.start();
        bar->setValue(std::max(0, bar->value() - view->viewport()->height()));
        view->viewport()->repaint();
        QApplication::processEvents();
        const qint64 ms = frame.elapsed();
        worst = std::max(worst, ms);
        total += ms;
        ++frames;
    }
    std::printf("RESULT scroll_frames %d\n", frames);
    std::printf("RESULT scroll_worst_ms %lld\n", static_cast<long long>(worst));
    std::printf("RESULT scroll_total_ms %lld\n", static_cast<long long>(total));
    std::printf("RESULT bubbles_measured %d\n", page->Bubbles().Measured());
    return ended ? 0 : 1;
}

std::map<std::string, double> Child(const QString& program, const QString& database, const char* mode)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QStringLiteral("--child"), database, QString::fromLatin1(mode)});
    child.waitForFinished(-1);
    std::map<std::string, double> results;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 3 && words[0] == "RESULT")
            results[words[1].toStdString()] = words[2].toDouble();
    }
    return results;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 4 && !std::strcmp(argv[1], "--child"))
        return Run(QString::fromLocal8Bit(argv[2]), !std::strcmp(argv[3], "with")     ? Mode::With
                                                    : !std::strcmp(argv[3], "probed") ? Mode::Probed
                                                                                      : Mode::Without);
    const int messages = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
    QTemporaryDir dir;
    // BENCH_STORE names a store to keep and use again (filled when missing).
    const QString kept = qEnvironmentVariable("BENCH_STORE");
    const QString database = kept.isEmpty() ? dir.filePath(QStringLiteral("bench.db")) : kept;
    if (kept.isEmpty() || !QFile::exists(kept))
        std::printf("stored: %d messages in %d rows, %d parties, the largest with %d\n", messages,
                    Fill(database, messages), kParties, messages / 10);
    const QString program = QCoreApplication::applicationFilePath();
    std::vector<double> wallWithout, wallWith, cpuWithout, cpuWith, rssWithout, rssWith, paired;
    std::map<std::string, std::vector<double>> page;
    auto value = [](const std::map<std::string, double>& r, const char* name) {
        return r.count(name) ? r.at(name) : -1.0;
    };
    for (int round = 0; round < rounds; ++round) {
        // Which run goes first alternates, so that neither gains from its place in the round.
        std::map<std::string, double> a, b;
        if (round % 2) {
            b = Child(program, database, "with");
            a = Child(program, database, "without");
        } else {
            a = Child(program, database, "without");
            b = Child(program, database, "with");
        }
        const auto probed = Child(program, database, "probed");
        wallWithout.push_back(value(a, "replay_ms"));
        wallWith.push_back(value(b, "replay_ms"));
        cpuWithout.push_back(value(a, "replay_cpu_ms"));
        cpuWith.push_back(value(b, "replay_cpu_ms"));
        rssWithout.push_back(value(a, "rss_after_mb"));
        rssWith.push_back(value(b, "rss_after_mb"));
        // A round's two runs share the machine's moment: their ratio varies less than either time.
        paired.push_back((wallWith.back() / wallWithout.back() - 1) * 100);
        std::printf("round %d: replay %.0f / %.0f ms (processor %.0f / %.0f ms), resident %.1f / %.1f MB, without / "
                    "with the page\n",
                    round + 1, wallWithout.back(), wallWith.back(), cpuWithout.back(), cpuWith.back(),
                    rssWithout.back(), rssWith.back());
        for (const auto& [name, v] : b)
            page[name].push_back(v);
        page["index_ms"].push_back(value(probed, "index_ms"));
    }
    const double without = Median(wallWithout), with = Median(wallWith);
    const double cpuA = Median(cpuWithout), cpuB = Median(cpuWith);
    std::printf("replay (median of %d): %.0f ms without, %.0f ms with the page: %+.1f%%; processor time %.0f ms "
                "without, %.0f ms with: %+.1f%%\n",
                rounds, without, with, (with / without - 1) * 100, cpuA, cpuB, (cpuB / cpuA - 1) * 100);
    std::printf("replay with the page against without, round by round (median): %+.1f%%\n", Median(paired));
    std::printf("resident after the replay (median): %.1f MB without, %.1f MB with: %+.1f MB\n", Median(rssWithout),
                Median(rssWith), Median(rssWith) - Median(rssWithout));
    // The page's figures: the median of the rounds, and the worst one in brackets.
    auto median = [&](const char* name) { return page.count(name) ? Median(page.at(name)) : -1.0; };
    auto worst = [&](const char* name) {
        return page.count(name) ? *std::max_element(page.at(name).begin(), page.at(name).end()) : -1.0;
    };
    std::printf("conversation list: %.0f conversations, complete %.1f (%.1f) ms after the replay's end; the "
                "index's own work during the replay and at its end: %.0f (%.0f) ms\n",
                median("conversations"), median("list_after_replay_ms"), worst("list_after_replay_ms"),
                median("index_ms"), worst("index_ms"));
    std::printf("largest conversation: %.0f messages (%.0f rows), opened and drawn in %.0f (%.0f) ms; its %.0f "
                "unread messages marked read in the %.0f (%.0f) ms after, the longest turn of the event loop "
                "meanwhile %.0f (%.0f) ms\n",
                median("largest_messages"), median("thread_rows"), median("open_ms"), worst("open_ms"),
                median("marked_read"), median("marking_ms"), worst("marking_ms"), median("marking_longest_turn_ms"),
                worst("marking_longest_turn_ms"));
    std::printf("scroll from its newest to its first message: %.0f frames, worst frame %.0f (%.0f) ms, all %.0f ms; "
                "%.0f bubbles measured\n",
                median("scroll_frames"), median("scroll_worst_ms"), worst("scroll_worst_ms"), median("scroll_total_ms"),
                median("bubbles_measured"));
    // Steadier than the two replays' difference, which the machine's noise can swamp.
    std::printf("the index's own work against the replay without the page: %.1f%%\n",
                median("index_ms") / without * 100);
    std::printf("(figures of the page: median of the rounds, the worst round in brackets)\n");
    return 0;
}
