// "Export messages" of a full Inbox: fills a folder with 100,000 messages (by default) as a replay
// lists them, newest first, then runs the export action into a temporary file and prints the
// time it took. Exits with 1 when the export needs more than a second.
// Usage: parlowen-export-bench [MESSAGES]

#include "InboxFill.h"
#include "app/Prompts.h"
#include "app/Sounds.h"
#include "controller/Host.h"
#include "controller/MessageExport.h"
#include "controller/MessageFolders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
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
    std::optional<QString> InputSecret(const QString&, const QString&) override { return std::nullopt; }
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    FolderModel inbox(Folder::Inbox);
    QElapsedTimer timer;
    timer.start();
    bench::FillInbox(inbox, count);
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
