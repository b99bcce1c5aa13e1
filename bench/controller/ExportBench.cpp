// "Export messages" of a full Inbox: fills a folder with 100,000 messages (by default) as a replay
// lists them, newest first, then runs the export action into a temporary file and prints the
// time it took. Exits with 1 when the export needs more than a second.
// Usage: parlowen-export-bench [MESSAGES]

#include "InboxFill.h"
#include "controller/MessageExport.h"
#include "controller/MessageFolders.h"
#include "support/RecordingHost.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// The text of the last message box, as the export reports its outcome.
QString LastShown(const testsupport::ScriptedPrompts& prompts)
{
    for (auto it = prompts.shown.rbegin(); it != prompts.shown.rend(); ++it)
        if (it->kind == testsupport::ScriptedPrompts::Kind::Show)
            return it->text;
    return QString();
}

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
    testsupport::RecordingHost host;
    host.prompts.files.push_back(path);
    timer.start();
    message_export::SmsExportActionExecute(host, inbox, QLatin1Char(';'));
    const qint64 ms = timer.elapsed();
    std::printf("export: %lld ms, %lld bytes, \"%s\"\n", static_cast<long long>(ms),
                static_cast<long long>(QFileInfo(path).size()), qPrintable(LastShown(host.prompts)));
    const bool fast = ms <= 1000;
    std::printf("%s: at most 1000 ms\n", fast ? "ok" : "too slow");
    return fast ? 0 : 1;
}
