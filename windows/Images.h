#pragma once
// The pictures of the window: icons of the desktop's theme by their standard names, and pictures
// drawn for the program (data/icons/drawn) where the desktop has no theme or the theme lacks a name.

#include <QIcon>

namespace Images {

// The icon of the desktop theme by its standard name, or the program's drawing of that name.
QIcon Theme(const char* name);
// The state image of a message or contact row by its number (read, unread, queued, error...):
// always the program's own drawings, so the lists look the same on every desktop.
QIcon State(int image);
// The signal image 0 to 9 of the status bar.
QIcon Signal(int image);
// Application icon 0 to 5, the pictures shipped with the program; any other number gives icon 0.
QIcon App(int icon);
// Tray image 0 to 9: 0 normal, 1 something waits, 2 no known data class, 3 GPRS, 4 EDGE,
// 5 UMTS, 6 HSPA, 7 LTE, 8 custom data class, 9 5G. Any other number gives a null icon.
QIcon Tray(int image);
// Tray image 0 to 9 as the window shows it: a file TRAYICON<image + 1>.ico in folder overrides it;
// otherwise image 0 is application icon applicationIcon when that is not 0, image 1 application
// icon eventIcon when that is not 0, and the rest the shipped tray images.
QIcon TrayImage(int image, int applicationIcon, int eventIcon, const QString& folder);

} // namespace Images
