#pragma once
// The USSD templates file: one template a line, free text holding a code ("Balance *100#"). The
// program reads it and never writes it; the user edits it in a text editor.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Where the templates file is: <program>.ussd beside the program when that file exists, otherwise
// <program name>.ussd in $XDG_DATA_HOME/Parlowen, whose folder is created (mode 0700) when missing.
QString UssdTemplatesPath(const QString& programPath);

namespace ussd {

// The item that parts the templates from the requests sent since the window opened.
inline const QString RecentItem = QStringLiteral("--- Recent ---");

// Files larger than this are read only this far.
inline constexpr qint64 MaxTemplatesFileBytes = 1 << 20;

// Text of a templates file: UTF-8, UTF-16 LE or BE by their byte order marks, UTF-8 without one.
QString DecodeTemplatesText(const QByteArray& bytes);
// The non-blank lines of the text, each without its line end.
QStringList TemplateLines(const QString& text);
// The file's lines; nothing when it is missing or cannot be read.
std::optional<QStringList> ReadTemplates(const QString& path);

// The code in a template line: from its first "*" to its last "#"; empty when the line holds no
// "#" after the "*". A line without "*" gives its start up to one character past the last "#",
// as the code always has.
QString TemplateCode(const QString& line);

// Appends a sent request to the list unless an item equal to it, regardless of case, is there.
// Returns whether it was appended.
bool AddRecentRequest(QStringList& items, const QString& request);

} // namespace ussd
