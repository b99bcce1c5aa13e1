#pragma once
// The application's notification-area icon: shown when the option asks for it and the desktop has
// a notification area; its image tells whether something waits, its menu opens or hides the
// window, and balloons appear at it.

#include <QObject>
#include <QString>

#include <functional>

class QIcon;
class QMenu;
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
    void SetMenu(QMenu* menu);
    // The tray image by its number (0 normal, 1 something waits); kept even without an icon.
    void SetImage(int image);
    int Image() const { return image_; }

private:
    QSystemTrayIcon* icon_ = nullptr;
    int image_ = 0;
};
