#include "controller/ConversationExport.h"

#include "app/Prompts.h"
#include "controller/ConversationThread.h"
#include "controller/Csv.h"
#include "controller/Host.h"
#include "controller/MessageExport.h"

#include <optional>

namespace conversation_export {

namespace {

const QString kCaption = QStringLiteral("Messages");

} // namespace

void AddThreadLines(const ConversationThread& thread, csv::Writer& writer)
{
    int n = 0;
    for (int row = 0; row < thread.rowCount(); ++row) {
        const SmsData* data = thread.DataAt(row);
        if (!data)
            continue;
        const bool received = thread.KindAt(row) == ConversationThread::ReceivedKind;
        writer.AddLine({QString::number(++n), data->GetDate(), data->GetTime(),
                        received ? QStringLiteral("In") : QStringLiteral("Out"), data->GetNumber(),
                        ConversationThread::TextOf(*data), thread.StateOf(row)});
    }
}

void ExportText(ControllerHost& host, const ConversationThread& thread, const QString& party)
{
    const std::optional<QString> path = host.Prompts().SaveFileName(
        QStringLiteral("Save conversation"), QStringLiteral("txt"), QStringLiteral("Text file (*.txt);;All files (*)"));
    if (!path)
        return;
    host.WriteLog(QStringLiteral("Conversations -> Save"));
    QString error;
    if (!message_export::SaveTextFile(*path, thread.TextLines(party), &error)) {
        host.WriteLog(QStringLiteral("Conversations -> Save -> Error -> ") + error);
        host.Prompts().Show(kCaption, QStringLiteral("Error saving conversation."), PromptIcon::Error);
        return;
    }
    host.WriteLog(QStringLiteral("Conversations -> Save -> Done"));
    host.Prompts().Show(kCaption, QStringLiteral("Conversation saved successfully."), PromptIcon::Information);
}

void ExportCsv(ControllerHost& host, const ConversationThread& thread, QChar delimiter)
{
    const std::optional<QString> path =
        host.Prompts().SaveFileName(QStringLiteral("Export conversation"), QStringLiteral("csv"),
                                    QStringLiteral("CSV file (*.csv *.txt);;All files (*)"));
    if (!path)
        return;
    host.WriteLog(QStringLiteral("Conversations -> Export"));
    csv::Writer writer(delimiter);
    AddThreadLines(thread, writer);
    QString error;
    if (!writer.Save(*path, &error)) {
        host.WriteLog(QStringLiteral("Conversations -> Export -> Error -> ") + error);
        host.Prompts().Show(kCaption, QStringLiteral("Error exporting messages."), PromptIcon::Error);
        return;
    }
    host.WriteLog(QStringLiteral("Conversations -> Export -> Done"));
    host.Prompts().Show(kCaption, QStringLiteral("Export completed successfully."), PromptIcon::Information);
}

QString PrintTitle(const QString& party)
{
    return QStringLiteral("Conversation with ") + party;
}

} // namespace conversation_export
