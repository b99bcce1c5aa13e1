// "Export messages" of a full Inbox: fills a folder with 100,000 messages (by default) as a replay
// lists them, newest first, then runs the export action into a temporary file and prints the
// time it took. Exits with 1 when the export needs more than a second.
// Usage: parlowen-export-bench [MESSAGES]

#include "app/Prompts.h"
#include "app/Sounds.h"
#include "controller/Host.h"
#include "controller/MessageExport.h"
#include "controller/MessageFolders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

class FilePrompts : public UserPrompts
{
public:
    explicit FilePrompts(QString path) : path_(std::move(path)) { }
    bool Ask(const QString&, const QString&, PromptIcon) override { return false; }
    PromptChoice Choose(const QString&, const QString&) override { return PromptChoice::Cancel; }
    void Show(const QString&, const QString& text, PromptIcon) override { shown = text; }
    std::optional<QString> Input(const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> SaveFileName(const QString&, const QString&, const QString&) override { return path_; }
    std::optional<QString> OpenFileName(const QString&, const QString&) override { return std::nullopt; }
    QString shown;

private:
    QString path_;
};

class Silence : public SoundPlayer
{
public:
    void Play(const QString&) override { }
};

class BenchHost : public ControllerHost
{
public:
    explicit BenchHost(const QString& path) : prompts(path) { }
    void WriteLog(const QString&) override { }
    UserPrompts& Prompts() override { return prompts; }
    SoundPlayer& Sounds() override { return sounds; }
    void Notify(const QString&, const QString&) override { }
    QString Caption() const override { return QStringLiteral("Parlowen"); }
    FilePrompts prompts;
    Silence sounds;
};

const char* const kWords[] = {"hello", "see",  "you",    "tomorrow", "at",     "the",      "station;", "call",
                              "me",    "back", "please", "\"ok\"",   "dinner", "tonight,", "Привет",   "meeting",
                              "moved", "to",   "ten",    "thanks",   "код",    "123456",   "is",       "your"};

QString Text(QRandomGenerator& random, int length)
{
    QString text;
    while (text.size() < length) {
        if (!text.isEmpty())
            text += random.bounded(12) == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
        text += QString::fromUtf8(kWords[random.bounded(int(std::size(kWords)))]);
    }
    return text;
}

// Messages of one to three parts, from a few hundred numbers, over about a year.
void Fill(FolderModel& model, int count)
{
    QRandomGenerator random(20240301);
    const QDate first(2023, 3, 1);
    model.SetSortKey(-2);
    model.BeginBulk();
    for (int i = 0; i < count; ++i) {
        auto sms = std::make_unique<SmsData>();
        const QString number = QStringLiteral("+4917612%1").arg(random.bounded(500), 4, 10, QLatin1Char('0'));
        const QString date = first.addDays(random.bounded(366)).toString(QStringLiteral("dd.MM.yyyy"));
        const QString time = QStringLiteral("%1:%2:%3")
                                 .arg(random.bounded(24))
                                 .arg(random.bounded(60), 2, 10, QLatin1Char('0'))
                                 .arg(random.bounded(60), 2, 10, QLatin1Char('0'));
        const int parts = random.bounded(10) < 7 ? 1 : 2 + random.bounded(2);
        for (int part = 1; part <= parts; ++part) {
            const int id = i * 3 + part;
            sms->AddUnit(id, number, parts > 1 ? parts : 0, parts > 1 ? part : 0, parts > 1 ? i % 256 : 0,
                         QStringLiteral("07919471060040F3040B919471261300F000004230"), time, date,
                         Text(random, parts > 1 ? 153 : 20 + random.bounded(140)));
            sms->Ids += (part > 1 ? QStringLiteral("/") : QString()) + QString::number(id);
        }
        const QString caption = sms->Ids;
        model.Add(std::move(sms), random.bounded(4) == 0 ? ImageUnread : ImageRead, caption, true);
    }
    model.EndBulk();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    FolderModel inbox(Folder::Inbox);
    QElapsedTimer timer;
    timer.start();
    Fill(inbox, count);
    std::printf("filled %d messages in %lld ms\n", inbox.rowCount(), static_cast<long long>(timer.elapsed()));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("inbox.csv"));
    BenchHost host(path);
    timer.start();
    message_export::SmsExportActionExecute(host, inbox, QLatin1Char(';'));
    const qint64 ms = timer.elapsed();
    std::printf("export: %lld ms, %lld bytes, \"%s\"\n", static_cast<long long>(ms),
                static_cast<long long>(QFileInfo(path).size()), qPrintable(host.prompts.shown));
    const bool fast = ms <= 1000;
    std::printf("%s: at most 1000 ms\n", fast ? "ok" : "too slow");
    return fast ? 0 : 1;
}
