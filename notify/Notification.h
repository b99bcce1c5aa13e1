#pragma once
// TNotification: desktop notifications through the freedesktop notification service on the
// session D-Bus. Every call is asynchronous, so the window never waits on the bus or the server.
// There is one request slot: a request that has not gone out yet is replaced by the next one, and
// a request made while the previous call is unanswered replaces that notification on screen.

#include "app/Notifier.h"

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

class QDBusPendingCallWatcher;

class TNotification : public QObject, public Notifier
{
    Q_OBJECT
public:
    using LogFunction = std::function<void(const QString&)>;
    using ClickFunction = std::function<void()>;

    // desktopEntry: the name of the program's desktop entry, also its application name on the bus.
    // clicked runs when the user activates one of this object's notifications.
    TNotification(const QString& desktopEntry, LogFunction log, ClickFunction clicked,
                  const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~TNotification() override;

    // Returns at once; the request goes out from the event loop.
    void Show(const QString& title, const QString& text, const QString& image, bool silent);
    // Notifier: a silent notification without an image.
    void Notify(const QString& title, const QString& text) override { Show(title, text, QString(), true); }

    bool Available() const { return bus_.isConnected(); }
    // The picture the server shows beside the text: an icon name of the theme or a file.
    void SetIcon(const QString& icon) { icon_ = icon; }
    const QString& Icon() const { return icon_; }
    // A request waits or a call is unanswered.
    bool Busy() const { return request_ || inFlight_; }

    static constexpr int CallTimeoutMs = 5000;

private Q_SLOTS:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    struct Request
    {
        QString title;
        QString text;
        QString image;
        bool silent = false;
    };

    void Send();
    void Answered(QDBusPendingCallWatcher* watcher);
    void Failed(const QString& error);

    QDBusConnection bus_;
    QString desktopEntry_;
    QString icon_;
    LogFunction log_;
    ClickFunction clicked_;
    std::optional<Request> request_; // not sent yet
    bool sendQueued_ = false;
    QDBusPendingCallWatcher* inFlight_ = nullptr;
    uint replaces_ = 0;   // the notification the next call replaces, 0 for a new one
    QSet<uint> onScreen_; // ids the server gave to this object's notifications, until closed
    QString lastError_;   // logged once until a call succeeds again
};
