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

} // namespace Images
