#include "notify/Notification.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QUrl>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
const QString DefaultAction = QStringLiteral("default");

} // namespace

TNotification::TNotification(const QString& desktopEntry, LogFunction log, ClickFunction clicked,
                             const QDBusConnection& bus, QObject* parent)
    : QObject(parent),
      bus_(bus),
      desktopEntry_(desktopEntry),
      icon_(desktopEntry),
      log_(std::move(log)),
      clicked_(std::move(clicked))
{
    if (!bus_.isConnected()) {
        const QString reason = bus_.lastError().message();
        Failed(QStringLiteral("Session D-Bus not found") +
               (reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + QStringLiteral(")")));
        return;
    }
    bus_.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this, SLOT(ActionInvoked(uint, QString)));
    bus_.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                 SLOT(NotificationClosed(uint, uint)));
}

TNotification::~TNotification() = default;

void TNotification::Show(const QString& title, const QString& text, const QString& image, bool silent)
{
    request_ = Request{title, text, image, silent};
    // While a call is unanswered the request waits for its answer; otherwise it goes out on the
    // next turn of the event loop, so that a burst of requests sends only the last one.
    if (sendQueued_ || inFlight_)
        return;
    sendQueued_ = true;
    QMetaObject::invokeMethod(this, &TNotification::Send, Qt::QueuedConnection);
}

void TNotification::Send()
{
    sendQueued_ = false;
    if (!request_ || inFlight_)
        return;
    const Request request = std::move(*request_);
    request_.reset();
    const uint replaces = replaces_;
    replaces_ = 0;
    if (!bus_.isConnected())
        return; // said once at construction

    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), desktopEntry_);
    if (request.silent)
        hints.insert(QStringLiteral("suppress-sound"), true);
    if (!request.image.isEmpty())
        hints.insert(QStringLiteral("image-path"),
                     QUrl::fromLocalFile(QFileInfo(request.image).absoluteFilePath()).toString());
    // The default action is what a click on the notification invokes.
    const QStringList actions{DefaultAction, QStringLiteral("Open")};

    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    const QString icon = icon_.startsWith(u'/') ? QUrl::fromLocalFile(icon_).toString() : icon_;
    call << desktopEntry_ << replaces << icon << request.title << request.text << actions << hints << -1;
    inFlight_ = new QDBusPendingCallWatcher(bus_.asyncCall(call, CallTimeoutMs), this);
    connect(inFlight_, &QDBusPendingCallWatcher::finished, this, &TNotification::Answered);
}

void TNotification::Answered(QDBusPendingCallWatcher* watcher)
{
    inFlight_ = nullptr;
    watcher->deleteLater();
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        Failed(Service + QStringLiteral(": ") + reply.error().message());
    } else {
        lastError_.clear();
        const uint id = reply.value();
        onScreen_.insert(id);
        // A request made meanwhile takes the place of the one just shown.
        if (request_)
            replaces_ = id;
    }
    if (request_)
        Send();
}

void TNotification::Failed(const QString& error)
{
    if (error == lastError_)
        return;
    lastError_ = error;
    if (log_)
        log_(QStringLiteral("Notifications -> Error: ") + error);
}

void TNotification::ActionInvoked(uint id, const QString& action)
{
    if (action == DefaultAction && onScreen_.contains(id) && clicked_)
        clicked_();
}

void TNotification::NotificationClosed(uint id, uint)
{
    onScreen_.remove(id);
}
