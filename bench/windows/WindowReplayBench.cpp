// 100,000 stored messages replayed at start into the folders of the real main window, shown
// offscreen, every log line written to the on-screen log: the time from the start of the replay
// to its handled end, the longest pause of the event loop meanwhile, and the resident memory.
#include "codec/Splitter.h"
#include "controller/LogModel.h"
#include "controller/MessageFolders.h"
#include "device/BroadbandService.h"
#include "device/EventWait.h"
#include "sim/SmsPdu.h"
#include "storage/Database.h"
#include "windows/MainWindow.h"

#include "app/Clock.h"
#include "app/Prompts.h"
#include "app/Sounds.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <random>

namespace {

class Silent : public SoundPlayer
{
public:
    void Play(const QString&) override { ++played; }
    long played = 0;
};

class NoPrompts : public UserPrompts
{
public:
    bool Ask(const QString&, const QString&, PromptIcon) override { return false; }
    PromptChoice Choose(const QString&, const QString&) override { return PromptChoice::Cancel; }
    void Show(const QString&, const QString&, PromptIcon) override { }
    std::optional<QString> Input(const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> InputSecret(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> SaveFileName(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    std::optional<QString> OpenFileName(const QString&, const QString&) override { return std::nullopt; }
};

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
    const int messages = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.db"));
    const int rows = Fill(path, messages);
    std::printf("stored: %d messages in %d rows\n", messages, rows);

    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    if (qEnvironmentVariableIsSet("BENCH_NO_CONTACTS"))
        settings.setValue(QStringLiteral("Settings/Contacts"), 0);
    BroadbandService::Options none;
    none.scanSysfs = false;
    none.watchUdev = false;
    BroadbandService service(none);
    service.Start();
    Silent sounds;
    NoPrompts prompts;
    SystemClock clock;
    TMainWindow::Options options;
    options.service = &service;
    options.databasePath = path;
    options.prompts = &prompts;
    options.sounds = &sounds;
    options.clock = &clock;
    options.settings = &settings;
    options.startDelayMs = 24 * 3600 * 1000; // the replay is started below
    QElapsedTimer shown;
    shown.start();
    TMainWindow window(options);
    window.show();
    QApplication::processEvents();
    std::printf("window shown: %lld ms after it was created\n", static_cast<long long>(shown.elapsed()));

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
    });
    const long rssBefore = RssKb();
    replay.start();
    tick.start();
    probe.start();
    window.Database().LoadMessages();
    MessageFolders& folders = window.Folders();
    const bool ended = ProcessEventsUntil(
        [&] { return !window.Database().IsLoading() && !folders.Model(Folder::Inbox).InBulk(); }, 120000, 1);
    const qint64 elapsed = replay.elapsed();
    probe.stop();
    int listed = 0;
    for (int f = 0; f < FolderCount; ++f)
        listed += folders.Model(static_cast<Folder>(f)).rowCount();
    std::printf("replay: %lld ms to the handled end%s; %d entries listed (Inbox %d, Sent %d), %d unread\n",
                static_cast<long long>(elapsed), ended ? "" : " (NOT ENDED)", listed,
                folders.Model(Folder::Inbox).rowCount(), folders.Model(Folder::Sent).rowCount(),
                folders.Model(Folder::Inbox).UnreadCount());
    std::printf("log lines: %d on screen\n", window.LogLines().LineCount());
    std::printf("longest event-loop pause during the replay: %lld ms\n", static_cast<long long>(longest));
    std::printf("resident memory: %.1f MB after the replay (%.1f MB before it)\n", RssKb() / 1024.0,
                rssBefore / 1024.0);
    std::printf("sounds asked for: %ld\n", sounds.played);
    return ended ? 0 : 1;
}
