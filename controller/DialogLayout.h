#pragma once
// Where a dialog was, kept in the Layout group of the settings store under its name ("Contact",
// "Message"): its header's visibility and its position are read back when stored; its size, when
// written, is not read.

#include <QRect>
#include <QString>

#include <optional>

class QSettings;

struct DialogLayout
{
    std::optional<bool> Header;
    std::optional<int> Top;
    std::optional<int> Left;

    static DialogLayout Read(QSettings& store, const QString& name);
    // The window's frame rectangle as it closes; its size too when withSize.
    static bool Write(QSettings& store, const QString& name, const QRect& frame, bool withSize);
};
