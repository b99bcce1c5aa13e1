#pragma once
// A message saved as text, the lines a printout starts from, a folder exported as delimited
// text and a message's parts written to the log. Text files are UTF-8 with a byte-order mark and
// CR LF after every line.

#include "controller/MessageFolders.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>

#include <functional>

class ControllerHost;
namespace csv {
class Writer;
}

namespace message_export {

// "Date:", the date, an empty line, and so on for the time, the number and (with contact names)
// the name, each only when it has a value; then "Message:" and the text with its CR LF breaks.
QStringList SavedLines(const SmsData& data, bool contacts);
// The same lines with every embedded break (CR LF, CR or LF) made a line of its own.
QStringList PrintLines(const SmsData& data, bool contacts);
// The bytes of a text file of these lines.
QByteArray TextFileBytes(const QStringList& lines);
// Replaces the file as a whole; false with the reason in error.
bool SaveTextFile(const QString& path, const QStringList& lines, QString* error);

// One line per visible row, in list order: running number from 1, date, time, number, list text.
void AddFolderLines(const FolderModel& model, csv::Writer& writer);

// The log lines of a message's parts, without the log's timestamps.
QStringList AnalyseLines(const SmsData& data);

// The printout's title for a folder; empty for none.
QString PrintTitle(Folder folder);

// The actions. Save and export ask for the file through the host's prompts, log each step and
// report the outcome in a box; busy(true) and busy(false) bracket the export's writing.
void SmsSaveActionExecute(ControllerHost& host, const SmsData& data, bool contacts);
void SmsExportActionExecute(ControllerHost& host, const FolderModel& model, QChar delimiter,
                            const std::function<void(bool)>& busy = {});
void SmsAnalyseActionExecute(ControllerHost& host, const SmsData& data);

} // namespace message_export
