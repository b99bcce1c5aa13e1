#pragma once
// The main window's status bar: its six panels named as the device state names them (model,
// provider, roaming, signal, data class, message), shown as the device state holds them.

#include <QObject>
#include <QString>

#include <functional>

class DeviceState;
class QLabel;
class QStatusBar;
class QWidget;
class SignalPanel;

class MainStatusBar : public QObject
{
    Q_OBJECT
public:
    // onDoubleClick gets the panel (a DeviceState::StatusPanel) the user double-clicked.
    MainStatusBar(QStatusBar* bar, std::function<void(int panel)> onDoubleClick, QObject* parent = nullptr);

    // A panel's text; for the signal panel the signal text as drawn.
    QString Text(int panel) const;
    QWidget* Widget(int panel) const;
    // Every panel as the device state holds it; the message panel shows unread when it has nothing.
    void Show(const DeviceState& state, const QString& unread);
    // The unread count, unless a device message stands in the message panel.
    void ShowUnread(const DeviceState& state, const QString& unread);
    // The width of a text in the panels' font.
    int TextWidth(const QString& text) const;

private:
    QLabel* panels_[6] = {}; // the text panels; the signal panel is drawn apart
    SignalPanel* signal_ = nullptr;
};
