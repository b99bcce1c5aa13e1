#pragma once
// The application's notification-area icon, as far as balloons need it: shown when the option
// asks for it and the desktop has a notification area, and the place where balloons appear.

#include <QObject>
#include <QString>

#include <functional>

class QIcon;
class QSystemTrayIcon;

class TrayIcon : public QObject
{
    Q_OBJECT
public:
    static constexpr int NotifyTimeoutMs = 5000;
    static constexpr int DataClassTimeoutMs = 2000;
    static constexpr int DataClassClickTimeoutMs = 1000;

    // opened runs on a click on the icon, balloonClicked on a click on one of its balloons.
    TrayIcon(const QIcon& icon, bool show, std::function<void()> opened, std::function<void()> balloonClicked,
             QObject* parent = nullptr);

    // False when the desktop has no notification area or the option hides the icon.
    bool Exists() const;
    // An information balloon; nothing happens when the icon does not exist.
    bool Balloon(const QString& title, const QString& text, int timeoutMs);

private:
    QSystemTrayIcon* icon_ = nullptr;
};
