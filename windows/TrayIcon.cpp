#include "windows/TrayIcon.h"

#include <QIcon>
#include <QSystemTrayIcon>

TrayIcon::TrayIcon(Images images, int image, bool show, Clicks clicks, std::function<void()> clicked,
                   std::function<void()> balloonClicked, QObject* parent)
    : QObject(parent), images_(std::move(images)), image_(image), tip_(QStringLiteral("Parlowen"))
{
    // Offscreen and on desktops without a notification area there is no icon, hence no balloons.
    if (!show || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    icon_ = new QSystemTrayIcon(images_(image_), this);
    icon_->setToolTip(tip_);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [clicks, clicked = std::move(clicked)](QSystemTrayIcon::ActivationReason why) {
                const bool open = why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::MiddleClick;
                if (clicked && (open || clicks == Clicks::Any))
                    clicked();
            });
    connect(icon_, &QSystemTrayIcon::messageClicked, this, [balloonClicked = std::move(balloonClicked)] {
        if (balloonClicked)
            balloonClicked();
    });
    icon_->show();
}

bool TrayIcon::Exists() const
{
    return icon_ && icon_->isVisible();
}

bool TrayIcon::Balloon(const QString& title, const QString& text, int timeoutMs)
{
    if (!Exists())
        return false;
    icon_->showMessage(title, text, QSystemTrayIcon::Information, timeoutMs);
    return true;
}

void TrayIcon::SetMenu(QMenu* menu)
{
    if (icon_)
        icon_->setContextMenu(menu);
}

void TrayIcon::SetImage(int image)
{
    if (image == image_)
        return;
    image_ = image;
    Reload();
}

void TrayIcon::Reload()
{
    if (icon_)
        icon_->setIcon(images_(image_));
}

void TrayIcon::SetToolTip(const QString& tip)
{
    tip_ = tip;
    if (icon_)
        icon_->setToolTip(tip);
}
