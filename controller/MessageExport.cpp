#include "controller/MessageExport.h"

#include "app/Prompts.h"
#include "controller/Csv.h"
#include "controller/Host.h"

#include <QRegularExpression>
#include <QSaveFile>

#include <optional>

namespace message_export {

namespace {

const QString kCaption = QStringLiteral("Messages");

void AddField(QStringList& lines, const QString& label, const QString& value)
{
    if (value.isEmpty())
        return;
    lines << label << value << QString();
}

} // namespace

QStringList SavedLines(const SmsData& data, bool contacts)
{
    QStringList lines;
    AddField(lines, QStringLiteral("Date:"), data.GetDate());
    AddField(lines, QStringLiteral("Time:"), data.GetTime());
    AddField(lines, QStringLiteral("Number:"), data.GetNumber());
    if (contacts)
        AddField(lines, QStringLiteral("Name:"), data.DisplayName(true));
    lines << QStringLiteral("Message:") << data.ViewText();
    return lines;
}

QStringList PrintLines(const SmsData& data, bool contacts)
{
    static const QRegularExpression kBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines;
    for (const QString& line : SavedLines(data, contacts))
        lines << line.split(kBreak);
    return lines;
}

QByteArray TextFileBytes(const QStringList& lines)
{
    QByteArray bytes("\xEF\xBB\xBF");
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

bool SaveTextFile(const QString& path, const QStringList& lines, QString* error)
{
    const QByteArray bytes = TextFileBytes(lines);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    return true;
}

void AddFolderLines(const FolderModel& model, csv::Writer& writer)
{
    const int rows = model.rowCount();
    for (int i = 0; i < rows; ++i) {
        const SmsData* data = model.At(i);
        writer.AddLine({QString::number(i + 1), data->GetDate(), data->GetTime(), data->GetNumber(), data->ListText()});
    }
}

QStringList AnalyseLines(const SmsData& data)
{
    QStringList lines;
    lines << QStringLiteral("Analyse -> Message for ") + data.GetNumber();
    lines << QStringLiteral("Analyse -> Parts: %1(%2)").arg(data.Count).arg(data.PartsTotal);
    for (qsizetype i = 0; i < data.Units.size(); ++i) {
        const SmsUnit& unit = data.Units[i];
        lines << QStringLiteral("Analyse -> Part #%1(%2)").arg(i).arg(unit.PartNumber);
        lines << QStringLiteral("Analyse -> Dublicated:") + (unit.Duplicate ? QLatin1Char('1') : QLatin1Char('0'));
        lines << QStringLiteral("Analyse -> Text:") + unit.Text;
        lines << QStringLiteral("Analyse -> PDU:") + unit.Pdu;
    }
    return lines;
}

QString PrintTitle(Folder folder)
{
    switch (folder) {
    case Folder::Inbox: return QStringLiteral("Received message");
    case Folder::Sent: return QStringLiteral("Sent message");
    case Folder::Outbox: return QStringLiteral("Outgoing message");
    case Folder::Drafts: return QStringLiteral("Draft message");
    case Folder::Templates: return QStringLiteral("Message template");
    case Folder::Reports: return QStringLiteral("Message report");
    }
    return QString();
}

void SmsSaveActionExecute(ControllerHost& host, const SmsData& data, bool contacts)
{
    const std::optional<QString> path = host.Prompts().SaveFileName(
        QStringLiteral("Save message"), QStringLiteral("txt"), QStringLiteral("Text file (*.txt);;All files (*)"));
    if (!path)
        return;
    host.WriteLog(QStringLiteral("Messages -> Save"));
    QString error;
    if (!SaveTextFile(*path, SavedLines(data, contacts), &error)) {
        host.WriteLog(QStringLiteral("Messages -> Save -> Error -> ") + error);
        host.Prompts().Show(kCaption, QStringLiteral("Error saving message."), PromptIcon::Error);
        return;
    }
    host.WriteLog(QStringLiteral("Messages -> Save -> Done"));
    host.Prompts().Show(kCaption, QStringLiteral("Message saved successfully."), PromptIcon::Information);
}

void SmsExportActionExecute(ControllerHost& host, const FolderModel& model, QChar delimiter,
                            const std::function<void(bool)>& busy)
{
    const std::optional<QString> path =
        host.Prompts().SaveFileName(QStringLiteral("Export messages"), QStringLiteral("csv"),
                                    QStringLiteral("CSV file (*.csv *.txt);;All files (*)"));
    if (!path)
        return;
    if (busy)
        busy(true);
    host.WriteLog(QStringLiteral("Messages -> Export"));
    host.WriteLog(QStringLiteral("Messages -> Export -> Settings -> Delimiter: '") + delimiter + QLatin1Char('\''));
    csv::Writer writer(delimiter);
    AddFolderLines(model, writer);
    QString error;
    const bool saved = writer.Save(*path, &error);
    if (busy)
        busy(false);
    if (!saved) {
        host.WriteLog(QStringLiteral("Messages -> Export -> Error -> ") + error);
        host.Prompts().Show(kCaption, QStringLiteral("Error exporting messages."), PromptIcon::Error);
        return;
    }
    host.WriteLog(QStringLiteral("Messages -> Export -> Done"));
    host.Prompts().Show(kCaption, QStringLiteral("Export completed successfully."), PromptIcon::Information);
}

void SmsAnalyseActionExecute(ControllerHost& host, const SmsData& data)
{
    for (const QString& line : AnalyseLines(data))
        host.WriteLog(line);
}

} // namespace message_export
