// The real main window announces to a notification server of the tests' own, and a click on the
// notification opens it on its Inbox.
#include "notify/Notification.h"
#include "tests/notify/NotificationServer.h"
#include "tests/windows/ProgramRig.h"
#include "windows/MessagesPage.h"

using rig::Program;
using rig::Sms;
using testsupport::NotificationServer;

namespace {

struct Channels
{
    bool toast;
    bool balloon;
    size_t calls; // on the server for one new message
};

void PrintTo(const Channels& c, std::ostream* os)
{
    *os << "toast " << c.toast << ", balloon " << c.balloon << ", calls " << c.calls;
}

class NotifyWindowTest : public ::testing::TestWithParam<Channels>
{
protected:
    void SetUp() override
    {
        if (!testsupport::HasTestBus())
            GTEST_SKIP() << "needs a session bus of its own (the ctest runs it under dbus-run-session)";
        ASSERT_TRUE(server.Start());
    }
    // Everything the window sent before this is on the server once this has arrived: both go out
    // through the same connection in order.
    void Fence()
    {
        TNotification probe(QStringLiteral("probe"), nullptr, nullptr);
        const size_t before = server.calls.size();
        probe.Show(QStringLiteral("fence"), QString(), QString(), true);
        ASSERT_TRUE(WaitFor([&] { return server.calls.size() > before && !probe.Busy(); }));
        server.calls.pop_back();
    }

    NotificationServer server;
};

TEST_P(NotifyWindowTest, ANewMessageIsAnnouncedAsTheOptionsSay)
{
    const Channels& c = GetParam();
    Program p;
    p.desktopNotifications = true;
    p.settings->setValue(QStringLiteral("Settings/ShowToastNotification"), int(c.toast));
    p.settings->setValue(QStringLiteral("Settings/ShowBalloonNotification"), int(c.balloon));
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100777", u"Hello there"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1; }));
    ASSERT_EQ(p.Sounds(QStringLiteral("Notification.SMS")), 1);
    Fence();
    ASSERT_EQ(server.calls.size(), c.calls);
    EXPECT_TRUE(p.notifier.notices.empty());
    if (c.calls == 0)
        return;
    const NotificationServer::Call& call = server.calls[0];
    EXPECT_EQ(call.appName, QStringLiteral("parlowen"));
    EXPECT_EQ(call.summary, p.window->windowTitle());
    EXPECT_EQ(call.body, QStringLiteral("You have a new SMS message"));
    EXPECT_TRUE(call.hints.value(QStringLiteral("suppress-sound")).toBool());

    // Hidden on another page, the window comes back on its Inbox.
    p.window->Act(MainAction::ShowLogAction)->trigger();
    p.window->Messages().ShowFolder(Folder::Sent);
    p.window->hide();
    server.EmitActionInvoked(call.id, QStringLiteral("default"));
    ASSERT_TRUE(WaitFor([&] { return p.window->isVisible(); }));
    EXPECT_EQ(p.window->CurrentPage(), TMainWindow::MessagesPageIndex);
    EXPECT_EQ(p.window->Messages().Shown(), Folder::Inbox);
}

// Offscreen there is no notification area, so the balloon never adds a call of its own.
INSTANTIATE_TEST_SUITE_P(Options, NotifyWindowTest,
                         ::testing::Values(Channels{true, true, 1}, Channels{true, false, 1}, Channels{false, true, 0},
                                           Channels{false, false, 0}));

TEST(NotifyWindow, AGivenNotifierStandsForTheDesktopChannels)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100777", u"Hello there"));
    ASSERT_TRUE(WaitFor([&] { return p.notifier.notices.size() == 1; }));
    EXPECT_EQ(p.notifier.notices[0].title, p.window->windowTitle());
    // No desktop sender exists, so nothing says that the bus is missing.
    for (int i = 0; i < p.window->LogLines().rowCount(); ++i)
        EXPECT_FALSE(p.window->LogLines().LineAt(i).contains(QStringLiteral("Notifications ->")));
}

} // namespace
