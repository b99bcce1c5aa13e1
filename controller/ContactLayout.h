#pragma once
// Where the contact window was, kept in the Layout group of the settings store: its header's
// visibility and its position are read back when stored; its size is written but not read.

#include <QRect>

#include <optional>

class QSettings;

struct ContactLayout
{
    std::optional<bool> Header;
    std::optional<int> Top;
    std::optional<int> Left;

    static ContactLayout Read(QSettings& store);
    // The window's frame rectangle as it closes.
    static bool Write(QSettings& store, const QRect& frame);
};
