#pragma once
// A conversation saved as a text file or as delimited text, and its printout's lines. The files
// are written as the folder exports write theirs; questions and boxes go through the host.

#include <QChar>
#include <QString>
#include <QStringList>

class ControllerHost;
class ConversationThread;
namespace csv {
class Writer;
}

namespace conversation_export {

// One record per message, in time order: running number from 1, date, time, "In" or "Out",
// number, text, state.
void AddThreadLines(const ConversationThread& thread, csv::Writer& writer);

// The actions: ask for the file, log each step, tell the outcome in a box. party names the other
// side in the text file.
void ExportText(ControllerHost& host, const ConversationThread& thread, const QString& party);
void ExportCsv(ControllerHost& host, const ConversationThread& thread, QChar delimiter);

// The printout's title.
QString PrintTitle(const QString& party);

} // namespace conversation_export
