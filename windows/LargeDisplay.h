#pragma once
// The main window's large buttons, rows and text: tool bar and picture sizes, the pages' font and
// the folder panel and columns that grow with it.

#include <QObject>

class ActionSet;
class MessagesPage;
class QToolBar;
class QTreeView;
class QWidget;
class SettingsStore;

class LargeDisplay : public QObject
{
    Q_OBJECT
public:
    LargeDisplay(ActionSet& actions, const SettingsStore& settings, QObject* parent = nullptr);

    // The parts it sizes, once they exist; folderPanel: the folder panel's width at the normal size.
    void Attach(QToolBar* tools, QWidget* pages, MessagesPage* messages, QTreeView* contacts, int folderPanel);
    void ApplyButtons();
    void ApplyRows();
    void ApplyText();
    // The point size of large text while it is on, else 0.
    int TextSize() const;

private:
    ActionSet& actions_;
    const SettingsStore& settings_;
    QToolBar* tools_ = nullptr;
    QWidget* pages_ = nullptr;
    MessagesPage* messages_ = nullptr;
    QTreeView* contacts_ = nullptr;
    int folderPanel_ = 0;
    int baseFontSize_ = 0;
    int baseSampleWidth_ = 0;
};
