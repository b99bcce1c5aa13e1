#pragma once
// A notification-area icon of the window: the application's own (its image tells whether
// something waits, its menu opens or hides the window) or the data-class icon. Shown when the
// option asks for it and the desktop has a notification area; balloons appear at it.

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
    using Images = std::function<QIcon(int)>;
    enum class Clicks { OpenOnly, Any };

    // images: the tray image by its number; clicked runs on a click on the icon (a left or middle
    // click, or any click), balloonClicked on a click on one of its balloons.
    TrayIcon(Images images, int image, bool show, Clicks clicks, std::function<void()> clicked,
             std::function<void()> balloonClicked, QObject* parent = nullptr);

    // False when the desktop has no notification area or the option hides the icon.
    bool Exists() const;
    // An information balloon; nothing happens when the icon does not exist.
    bool Balloon(const QString& title, const QString& text, int timeoutMs);
    void SetMenu(QMenu* menu);
    // The tray image by its number; kept even without an icon.
    void SetImage(int image);
    int Image() const { return image_; }
    // The images were loaded again: the icon takes its image anew.
    void Reload();
    void SetToolTip(const QString& tip);
    QString ToolTip() const { return tip_; }

private:
    Images images_;
    QSystemTrayIcon* icon_ = nullptr;
    int image_ = 0;
    QString tip_;
};
