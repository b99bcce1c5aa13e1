#pragma once
// The program's place on the desktop: its menu entry in the user's applications folder (which
// also names it to the notification service) and the web links of the Help menu.

#include <QByteArray>
#include <QString>
#include <QUrl>

class QLocale;

namespace shell {

// The program as the first field of an Exec key: in double quotes, escaped by the desktop entry's
// rules, on one line.
QString ExecProgram(const QString& program);
// Writes a file atomically, creating its folder. False when anything failed.
bool SaveFile(const QString& path, const QByteArray& contents);

// dataHome: $XDG_DATA_HOME when empty.
QString DataHome(const QString& dataHome);
// The user's menu entry: applications/parlowen.desktop in the data home.
QString DesktopEntryPath(const QString& dataHome = QString());
// The picture of application icon 0 to 5 as a file a menu entry can name, written into the data
// home's Parlowen/icons from the pictures compiled into the program; without them the theme name.
QString IconFile(int index, const QString& dataHome = QString());

// Writes the menu entry for the program, replacing an existing one atomically. iconFile: the
// picture the entry names. False when anything failed.
bool WriteDesktopEntry(const QString& path, const QString& program, const QString& iconFile);
// Only when the entry is missing.
bool EnsureDesktopEntry(const QString& path, const QString& program, const QString& iconFile);
// Points an existing entry at another picture; nothing when there is none.
bool UpdateDesktopEntryIcon(const QString& path, const QString& iconFile);

// The links of the Help menu by name: "HomePage", "Help", "Support", "License", "Faq", "Download".
QUrl WebLink(const QString& name, const QLocale& locale);
// The numeric language identifier the web service understands (1033 for English, United States).
unsigned LanguageId(const QLocale& locale);

} // namespace shell
