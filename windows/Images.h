#pragma once
// The pictures of the window: icons of the desktop's theme with drawn stand-ins where the theme
// has none, so the lists never show an empty image.

#include <QIcon>

namespace Images {

// An icon of the desktop theme, or a drawn stand-in.
QIcon Theme(const char* name);
// The state image of a message row by its number (read, unread, queued, error...).
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
