#include "notify/Notification.h"
#include "notify/Presence.h"
#include "support/Wait.h"
#include "tests/notify/NotificationServer.h"

#include <QDir>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <memory>

using testsupport::NotificationServer;
using testsupport::WaitFor;

namespace {

class NotificationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!testsupport::HasTestBus())
            GTEST_SKIP() << "needs a session bus of its own (the ctest runs it under dbus-run-session)";
        ASSERT_TRUE(server.Start());
        MakeSender();
    }
    void MakeSender()
    {
        sender = std::make_unique<TNotification>(
            QStringLiteral("parlowen"), [this](const QString& line) { log.push_back(line); }, [this] { ++clicks; });
    }
    // Shows a fresh notification and waits until the sender has its answer; returns its call.
    NotificationServer::Call ShowAndWait(const QString& title)
    {
        const size_t before = server.calls.size();
        sender->Show(title, QStringLiteral("text"), QString(), true);
        EXPECT_TRUE(WaitFor([&] { return server.calls.size() > before && !sender->Busy(); }));
        return server.calls.empty() ? NotificationServer::Call{} : server.calls.back();
    }

    NotificationServer server;
    std::unique_ptr<TNotification> sender;
    std::vector<QString> log;
    int clicks = 0;
};

struct Announcement
{
    const char* title;
    const char* text;
    bool silent;
};

void PrintTo(const Announcement& a, std::ostream* os)
{
    *os << '"' << a.title << "\" / \"" << a.text << '"' << (a.silent ? ", silent" : "");
}

class AnnouncementTest : public NotificationTest, public ::testing::WithParamInterface<Announcement>
{ };

TEST_P(AnnouncementTest, CarriesTheTextsTheEntryNameAndTheSoundHint)
{
    const Announcement& a = GetParam();
    sender->Show(QString::fromUtf8(a.title), QString::fromUtf8(a.text), QString(), a.silent);
    ASSERT_TRUE(WaitFor([&] { return !server.calls.empty(); }));
    ASSERT_EQ(server.calls.size(), 1u);
    const NotificationServer::Call& call = server.calls[0];
    EXPECT_EQ(call.appName, QStringLiteral("parlowen"));
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.summary, QString::fromUtf8(a.title));
    EXPECT_EQ(call.body, QString::fromUtf8(a.text));
    EXPECT_EQ(call.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("parlowen"));
    EXPECT_EQ(call.hints.contains(QStringLiteral("suppress-sound")), a.silent);
    EXPECT_EQ(call.hints.value(QStringLiteral("suppress-sound")).toBool(), a.silent);
    EXPECT_FALSE(call.hints.contains(QStringLiteral("image-path")));
    ASSERT_GE(call.actions.size(), 2);
    EXPECT_EQ(call.actions[0], QStringLiteral("default"));
    EXPECT_EQ(call.expireTimeout, -1);
    EXPECT_TRUE(log.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Events, AnnouncementTest,
    ::testing::Values(Announcement{"Parlowen", "You have a new SMS message", true},
                      Announcement{"Parlowen", "A PIN is required for the operation to complete", true},
                      Announcement{"Mobile Broadband", "Device connected", true},
                      Announcement{"Mobile Broadband", "Device disconnected", true},
                      Announcement{"Mobile Broadband", "LTE", true}, Announcement{"", "second line only", true},
                      Announcement{"Title", "with sound", false}));

TEST_F(NotificationTest, AnImageGoesAsAnAbsoluteFileAddress)
{
    sender->Show(QStringLiteral("t"), QStringLiteral("x"), QStringLiteral("pictures/p.png"), true);
    ASSERT_TRUE(WaitFor([&] { return !server.calls.empty(); }));
    EXPECT_EQ(server.calls[0].hints.value(QStringLiteral("image-path")).toString(),
              QStringLiteral("file://") + QDir::current().absoluteFilePath(QStringLiteral("pictures/p.png")));
}

TEST_F(NotificationTest, TheIconIsAThemeNameOrAFileAddress)
{
    sender->Show(QStringLiteral("t"), QStringLiteral("x"), QString(), true);
    ASSERT_TRUE(WaitFor([&] { return server.calls.size() == 1 && !sender->Busy(); }));
    EXPECT_EQ(server.calls[0].appIcon, QStringLiteral("parlowen")) << "the installed icon by default";
    sender->SetIcon(QStringLiteral("/home/u/.local/share/Parlowen/icons/parlowen-3.png"));
    sender->Show(QStringLiteral("t"), QStringLiteral("y"), QString(), true);
    ASSERT_TRUE(WaitFor([&] { return server.calls.size() == 2; }));
    EXPECT_EQ(server.calls[1].appIcon, QStringLiteral("file:///home/u/.local/share/Parlowen/icons/parlowen-3.png"));
}

TEST_F(NotificationTest, PresenceNeedsARunningOrStartableServer)
{
    std::vector<QString> lines;
    const auto logTo = [&](const QString& line) { lines.push_back(line); };
    EXPECT_TRUE(CheckDesktopNotifications(logTo));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], QStringLiteral("Loading desktop notifications (session D-Bus)..."));

    server.Stop();
    lines.clear();
    EXPECT_FALSE(CheckDesktopNotifications(logTo));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], QStringLiteral("Desktop notifications -> Error: Unable to find org.freedesktop.Notifications"));
}

TEST_F(NotificationTest, ABurstOfRequestsSendsOnlyTheLast)
{
    sender->Show(QStringLiteral("first"), QStringLiteral("1"), QString(), true);
    sender->Show(QStringLiteral("second"), QStringLiteral("2"), QString(), true);
    sender->Show(QStringLiteral("third"), QStringLiteral("3"), QString(), true);
    ASSERT_TRUE(WaitFor([&] { return !sender->Busy(); }));
    // A later request fences the check: nothing of the burst may arrive after the last one.
    ShowAndWait(QStringLiteral("later"));
    ASSERT_EQ(server.calls.size(), 2u);
    EXPECT_EQ(server.calls[0].summary, QStringLiteral("third"));
    EXPECT_EQ(server.calls[0].body, QStringLiteral("3"));
    EXPECT_EQ(server.calls[1].summary, QStringLiteral("later"));
    EXPECT_EQ(server.calls[1].replacesId, 0u) << "an answered notification stays; the next one is new";
}

TEST_F(NotificationTest, ARequestMadeWhileTheCallIsUnansweredReplacesThatNotification)
{
    server.HoldReplies(true);
    sender->Show(QStringLiteral("first"), QStringLiteral("1"), QString(), true);
    ASSERT_TRUE(WaitFor([&] { return server.calls.size() == 1; }));
    sender->Show(QStringLiteral("second"), QStringLiteral("2"), QString(), true);
    sender->Show(QStringLiteral("third"), QStringLiteral("3"), QString(), true);
    // A signal round trip through the bus: had a call gone out meanwhile, it would be here first.
    int before = clicks;
    server.EmitActionInvoked(12345, QStringLiteral("default"));
    WaitFor([&] { return clicks != before; }, 300);
    EXPECT_EQ(server.calls.size(), 1u) << "nothing goes out while the call is unanswered";

    const uint firstId = server.calls[0].id;
    server.HoldReplies(false);
    server.ReleaseReplies();
    ASSERT_TRUE(WaitFor([&] { return server.calls.size() == 2 && !sender->Busy(); }));
    EXPECT_EQ(server.calls[1].summary, QStringLiteral("third"));
    EXPECT_EQ(server.calls[1].replacesId, firstId);
    ShowAndWait(QStringLiteral("fence"));
    EXPECT_EQ(server.calls.size(), 3u);
    EXPECT_EQ(server.calls[2].replacesId, 0u);
}

TEST_F(NotificationTest, OnlyTheDefaultActionOfOwnOpenNotificationsOpensTheProgram)
{
    const uint id = ShowAndWait(QStringLiteral("one")).id;
    const uint other = ShowAndWait(QStringLiteral("two")).id;
    ASSERT_NE(id, other);
    // Each case is followed by a click that counts, so that a wrong click shows as two.
    struct Case
    {
        uint id;
        const char* action;
    };
    for (const Case& c : {Case{id + 100, "default"}, Case{id, "reply"}, Case{id, ""}}) {
        clicks = 0;
        server.EmitActionInvoked(c.id, QString::fromLatin1(c.action));
        server.EmitActionInvoked(other, QStringLiteral("default"));
        ASSERT_TRUE(WaitFor([&] { return clicks > 0; }));
        EXPECT_EQ(clicks, 1) << c.id << " " << c.action;
    }
    clicks = 0;
    server.EmitActionInvoked(id, QStringLiteral("default"));
    ASSERT_TRUE(WaitFor([&] { return clicks > 0; }));
    EXPECT_EQ(clicks, 1);

    // A closed notification is no longer this program's.
    clicks = 0;
    server.EmitNotificationClosed(id, 2);
    server.EmitActionInvoked(id, QStringLiteral("default"));
    server.EmitActionInvoked(other, QStringLiteral("default"));
    ASSERT_TRUE(WaitFor([&] { return clicks > 0; }));
    EXPECT_EQ(clicks, 1);
}

TEST_F(NotificationTest, WithoutAServerTheFailureIsLoggedOnceAndTheNextServerIsUsed)
{
    server.Stop();
    sender->Show(QStringLiteral("lost"), QStringLiteral("1"), QString(), true);
    ASSERT_TRUE(WaitFor([&] { return !log.empty(); }));
    sender->Show(QStringLiteral("lost again"), QStringLiteral("2"), QString(), true);
    // Fence: a further failure is not logged again, so wait on the server coming back instead.
    ASSERT_TRUE(server.Start());
    ShowAndWait(QStringLiteral("found"));
    ASSERT_EQ(server.calls.size(), 1u);
    EXPECT_EQ(server.calls[0].summary, QStringLiteral("found"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("Notifications -> Error: org.freedesktop.Notifications: ")))
        << log[0].toStdString();
}

TEST(NotificationWithoutBus, LogsOnceAndNeverWaits)
{
    QDBusConnection none =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/parlowen-test-bus"), "no-bus");
    ASSERT_FALSE(none.isConnected());
    std::vector<QString> log;
    int clicks = 0;
    {
        TNotification sender(
            QStringLiteral("parlowen"), [&](const QString& line) { log.push_back(line); }, [&] { ++clicks; }, none);
        EXPECT_FALSE(sender.Available());
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 3; ++i)
            sender.Show(QStringLiteral("Parlowen"), QStringLiteral("You have a new SMS message"), QString(), true);
        WaitFor([] { return false; }, 100);
        EXPECT_LT(timer.elapsed(), 2000);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("Notifications -> Error: Session D-Bus not found")))
        << log[0].toStdString();
    EXPECT_EQ(clicks, 0);
}

TEST(NotificationWithoutBus, PresenceCheckSaysSoAtOnce)
{
    QDBusConnection none =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/parlowen-test-bus"), "no-bus-2");
    std::vector<QString> lines;
    EXPECT_FALSE(CheckDesktopNotifications([&](const QString& line) { lines.push_back(line); }, none));
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus-2"));
    EXPECT_EQ(lines, (std::vector<QString>{QStringLiteral("Loading desktop notifications (session D-Bus)..."),
                                           QStringLiteral("Session D-Bus not found")}));
}

} // namespace
