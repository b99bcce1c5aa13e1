#include "windows/TrayIcon.h"

#include "windows/Images.h"

#include <QIcon>
#include <QSystemTrayIcon>

TrayIcon::TrayIcon(const QIcon& icon, bool show, std::function<void()> opened, std::function<void()> balloonClicked,
                   QObject* parent)
    : QObject(parent)
{
    // Offscreen and on desktops without a notification area there is no icon, hence no balloons.
    if (!show || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    icon_ = new QSystemTrayIcon(icon, this);
    icon_->setToolTip(QStringLiteral("Parlowen"));
    connect(icon_, &QSystemTrayIcon::activated, this,
            [opened = std::move(opened)](QSystemTrayIcon::ActivationReason why) {
                if (opened && (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::MiddleClick))
                    opened();
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
    if (icon_)
        icon_->setIcon(Images::Tray(image));
}
