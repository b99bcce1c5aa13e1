// The USSD service against the simulated modem, called from a worker thread as the engine does.

#include "device/service/UssdService.h"
#include "support/DeviceHarness.h"

#include <QTemporaryDir>

#include <atomic>
#include <thread>

using namespace harness;

namespace {

class UssdTest : public testing::Test
{
protected:
    UssdTest() : rig((dir.path() + "/modem").toStdString()) { }

    // Runs work on a worker thread while this thread serves the device.
    void OnWorker(const std::function<void()>& work)
    {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            work();
            done = true;
        });
        EXPECT_TRUE(WaitFor([&] { return done.load(); }, 30000));
        worker.join();
    }

    QTemporaryDir dir;
    Rig rig;
};

TEST_F(UssdTest, BalanceUnsupportedAndUcs2Replies)
{
    ASSERT_TRUE(rig.connected);
    struct Case
    {
        const char* code;
        std::int32_t result;
        std::uint8_t dcs;
        QString text;
    };
    const Case cases[] = {
        {"*100#", 0, 0x0F, QStringLiteral("Balance: 12.50 EUR. Valid until 31.12.")},
        {"*102#", 0, 0x48, QString::fromUtf8("Ваш баланс: 150,00 руб. Спасибо!")},
        {"*999#", 4, 0x0F, QString()},
    };
    for (const Case& c : cases) {
        UssdReply reply;
        HRESULT hr = Hr::Fail;
        bool active = true;
        OnWorker([&] {
            UssdService ussd(&rig.window.context, rig.service.get());
            ASSERT_EQ(ussd.Open(rig.session->GetInterfaceID()), 0);
            hr = ussd.SendAndWait(QString::fromLatin1(c.code), 5000, reply);
            active = ussd.IsActive();
            ussd.Close();
        });
        EXPECT_EQ(hr, 0) << c.code;
        EXPECT_EQ(reply.ResultCode, c.result) << c.code;
        EXPECT_EQ(reply.DataCodingScheme, c.dcs) << c.code;
        EXPECT_TRUE(reply.HasText) << c.code;
        EXPECT_EQ(reply.Text, c.text) << c.code;
        EXPECT_FALSE(active) << c.code;
        // The raw payload is handed over as well: the UCS2 one is big-endian.
        if (c.dcs == 0x48) {
            ASSERT_GE(reply.Payload.size(), 2u);
            EXPECT_EQ(reply.Payload[0], 0x04);
            EXPECT_EQ(reply.Payload[1], 0x12);
        }
    }
}

TEST_F(UssdTest, MenuDialogueKeepsTheSessionBetweenReplies)
{
    ASSERT_TRUE(rig.connected);
    UssdReply menu, answer;
    HRESULT first = Hr::Fail, second = Hr::Fail;
    bool activeAfterMenu = false, activeAfterAnswer = true;
    OnWorker([&] {
        UssdService ussd(&rig.window.context, rig.service.get());
        ASSERT_EQ(ussd.Open(rig.session->GetInterfaceID()), 0);
        first = ussd.SendAndWait(QStringLiteral("*101#"), 5000, menu);
        activeAfterMenu = ussd.IsActive();
        second = ussd.SendAndWait(QStringLiteral("1"), 5000, answer);
        activeAfterAnswer = ussd.IsActive();
    });
    EXPECT_EQ(first, 0);
    EXPECT_EQ(menu.ResultCode, 1);
    EXPECT_TRUE(menu.Text.startsWith(QStringLiteral("Simnet services:")));
    EXPECT_TRUE(activeAfterMenu);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(answer.ResultCode, 0);
    EXPECT_EQ(answer.Text, QStringLiteral("Balance: 12.50 EUR."));
    EXPECT_FALSE(activeAfterAnswer);
}

TEST_F(UssdTest, TimeoutCancelAndAnUnknownInterface)
{
    ASSERT_TRUE(rig.connected);
    HRESULT timedOut = 0, cancelled = 0, after = Hr::Fail, unknown = 0;
    UssdReply reply;
    OnWorker([&] {
        UssdService ussd(&rig.window.context, rig.service.get());
        unknown = ussd.Open("{00000000-0000-0000-0000-000000000000}");
        ASSERT_EQ(ussd.Open(rig.session->GetInterfaceID()), 0);
        // The network never answers this one.
        UssdReply none;
        timedOut = ussd.SendAndWait(QStringLiteral("*109#"), 300, none);
        ussd.Close();
        // Closing ended the network's side too: a new session is answered again.
        ASSERT_EQ(ussd.Open(rig.session->GetInterfaceID()), 0);
        after = ussd.SendAndWait(QStringLiteral("*100#"), 5000, reply);
        ussd.Close();
        // Cancel from another thread ends a wait at once.
        ASSERT_EQ(ussd.Open(rig.session->GetInterfaceID()), 0);
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ussd.Cancel();
        });
        cancelled = ussd.SendAndWait(QStringLiteral("*109#"), 20000, none);
        canceller.join();
        ussd.Close();
    });
    EXPECT_TRUE(Failed(unknown));
    EXPECT_EQ(timedOut, Hr::Pending);
    EXPECT_EQ(after, 0);
    EXPECT_EQ(reply.ResultCode, 0);
    EXPECT_EQ(cancelled, Hr::Abort);
}

TEST_F(UssdTest, WorksFromTheUserInterfaceThreadToo)
{
    ASSERT_TRUE(rig.connected);
    UssdService ussd(&rig.window.context, rig.service.get());
    ASSERT_EQ(ussd.Open(rig.session->GetInterfaceID()), 0);
    UssdReply reply;
    EXPECT_EQ(ussd.SendAndWait(QStringLiteral("*100#"), 5000, reply), 0);
    EXPECT_EQ(reply.ResultCode, 0);
}

} // namespace
