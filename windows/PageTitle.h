#pragma once
// The bold, larger heading at the top of a page or window; name: its object name ("Header..."
// for the page headers the layout can hide).

#include <QLabel>

inline QLabel* NewPageTitle(const QString& text, const char* name, QWidget* parent, int grow = 3)
{
    auto* title = new QLabel(text, parent);
    title->setObjectName(QString::fromLatin1(name));
    QFont font = title->font();
    font.setPointSize(font.pointSize() + grow);
    font.setBold(true);
    title->setFont(font);
    return title;
}
