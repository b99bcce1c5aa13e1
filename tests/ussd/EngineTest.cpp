// The USSD engine against the simulated modem in this process: the event order and log lines of
// replies, menus, timeouts and failures (the byte order of UCS2 replies is the window's test), the
// session kept between the steps of a menu, a stop that cancels at the device, an unplug in the
// middle of a request, and a request refused while another program's menu waits.

#include "ussd/Engine.h"
#include "app/Messages.h"
#include "device/service/UssdService.h"
#include "support/DeviceHarness.h"
#include "ussd/Coding.h"

#include <QTemporaryDir>

#include <system_error>

using harness::Rig;
using harness::WaitFor;

namespace {

const char* EventName(std::uintptr_t code)
{
    static const char* const names[] = {"?",
                                        "DATA",
                                        "ERROR",
                                        "STARTED",
                                        "FINISHED",
                                        "EXCEPTION",
                                        "SESSION_OPEN",
                                        "SESSION_FINISHED",
                                        "SESSION_ACTIVE",
                                        "RESULT"};
    return code < std::size(names) ? names[code] : "?";
}

// The log window and the owner: what the engine hands over, events as "NAME" or "NAME:text".
struct Recorder
{
    QObject context;
    QStringList lines;
    std::vector<std::string> events;
    MessageFunctionTarget log{&context, [this](const Message& m) -> std::intptr_t {
                                  EXPECT_EQ(m.Number, WM_USSD_LOG);
                                  if (const auto* text = m.Record<QString>())
                                      lines << *text;
                                  return 0;
                              }};
    std::function<void(std::uintptr_t)> onEvent;
    MessageFunctionTarget owner{&context, [this](const Message& m) -> std::intptr_t {
                                    EXPECT_EQ(m.Number, WM_USSD_EVENT);
                                    std::string event = EventName(m.WParam);
                                    if (const auto* text = m.Record<QString>())
                                        event += ":" + text->toStdString();
                                    events.push_back(event);
                                    if (onEvent)
                                        onEvent(m.WParam);
                                    return 0;
                                }};

    bool Finished() const { return !events.empty() && events.back() == "FINISHED"; }
    bool AwaitFinished()
    {
        return WaitFor([this] { return Finished(); });
    }
    void Clear()
    {
        lines.clear();
        events.clear();
    }
    bool Logged(const QString& line) const { return lines.contains(line); }
};

class EngineTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        rig = std::make_unique<Rig>((dir.path() + "/modem").toStdString());
        ASSERT_TRUE(rig->connected);
        engine = std::make_unique<TUssdEngine>(&recorder.log, &recorder.owner, rig->service.get());
        engine->SetInterfaceId(rig->session->GetInterfaceID());
    }
    void TearDown() override
    {
        engine.reset();
        rig.reset();
    }

    // Sends one request and waits for the thread's last event.
    void Run(const char* request)
    {
        recorder.Clear();
        ASSERT_TRUE(engine->SendRequest(QString::fromUtf8(request)));
        ASSERT_TRUE(recorder.AwaitFinished()) << request;
        EXPECT_TRUE(WaitFor([this] { return !engine->Running(); }));
    }

    QTemporaryDir dir;
    std::unique_ptr<Rig> rig;
    Recorder recorder;
    std::unique_ptr<TUssdEngine> engine;
};

TEST_F(EngineTest, ABalanceReplyInOrderWithItsLogLines)
{
    Run("*100#");
    const std::string text = "Balance: 12.50 EUR. Valid until 31.12.";
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"STARTED", "SESSION_OPEN", "DATA:" + text, "SESSION_FINISHED",
                                                         "RESULT:Request completed", "FINISHED"}));
    // The reply as the network packed it, dumped byte by byte.
    std::uint8_t dcs = 0;
    ussd::Bytes packed;
    UssdService::Encode(QString::fromStdString(text), dcs, packed);
    const QStringList expected = {
        "USSD -> Start()",
        "USSD -> Initialize -> Ok",
        "USSD -> UssdSession -> Ready...",
        "USSD -> UssdMessage->Data Coding: 15",
        "USSD -> UssdMessage->Text: *100#",
        "USSD -> Waiting response...",
        "USSD -> UssdReply->Result code: No Action Required (0)",
        "USSD -> UssdResponse->Data Coding: 15",
        QString::fromStdString("USSD -> UssdResponse->TextDef: " + text),
        QStringLiteral("USSD -> UssdResponse->GetData -> %1 bytes").arg(packed.size()),
        "USSD -> UssdResponse->GetData: " + ussd::HexDump(packed),
        "USSD -> UssdSession -> Finished",
    };
    EXPECT_EQ(recorder.lines, expected);
    EXPECT_FALSE(engine->SessionOpen());
}

TEST_F(EngineTest, AMenuKeepsTheSessionForTheAnswer)
{
    Run("*101#");
    ASSERT_EQ(recorder.events.size(), 6u);
    EXPECT_EQ(recorder.events[1], "SESSION_OPEN");
    EXPECT_EQ(recorder.events[2], "DATA:Simnet services:\n1 Balance\n2 Tariff\n3 Exit");
    EXPECT_EQ(recorder.events[3], "SESSION_ACTIVE");
    EXPECT_EQ(recorder.events[4], "RESULT:Request completed");
    EXPECT_TRUE(recorder.Logged("USSD -> UssdReply->Result code: Action Required (1)"));
    EXPECT_TRUE(recorder.Logged("USSD -> UssdSession -> Keep alive"));
    EXPECT_TRUE(engine->SessionOpen());

    // The answer goes into the same session: no new one is opened.
    Run("1");
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"STARTED", "DATA:Balance: 12.50 EUR.", "SESSION_FINISHED",
                                                         "RESULT:Request completed", "FINISHED"}));
    EXPECT_TRUE(recorder.Logged("USSD -> UssdSession -> Active..."));
    EXPECT_FALSE(recorder.Logged("USSD -> UssdSession -> Ready..."));
    EXPECT_FALSE(engine->SessionOpen());
}

TEST_F(EngineTest, RepliesThatEndTheDialogue)
{
    struct Case
    {
        const char* request;
        const char* resultLine;
        const char* result;
    };
    const Case cases[] = {
        {"*104#", "USSD -> UssdReply->Result code: Network Timeout (5)", "RESULT:Network Timeout"},
        {"*999#", "USSD -> UssdReply->Result code: Operation Not Supported (4)", "RESULT:Operation Not Supported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        Run(c.request);
        EXPECT_EQ(recorder.events, (std::vector<std::string>{"STARTED", "SESSION_OPEN", "DATA:", "SESSION_FINISHED",
                                                             c.result, "FINISHED"}));
        EXPECT_TRUE(recorder.Logged(QString::fromLatin1(c.resultLine)));
        EXPECT_FALSE(engine->SessionOpen());
    }
}

TEST_F(EngineTest, ARequestWhileAnotherProgramsMenuWaitsIsRefusedAndLeavesTheMenuAlone)
{
    // Another program on the same device, with a menu waiting for its user.
    Recorder otherRecorder;
    TUssdEngine other(&otherRecorder.log, &otherRecorder.owner, rig->service.get());
    other.SetInterfaceId(rig->session->GetInterfaceID());
    ASSERT_TRUE(other.SendRequest(QStringLiteral("*101#")));
    ASSERT_TRUE(otherRecorder.AwaitFinished());
    ASSERT_TRUE(other.SessionOpen());

    Run("*100#");
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"STARTED", "SESSION_OPEN",
                                        "ERROR:The device is busy: another program has a USSD session open.",
                                        "SESSION_FINISHED", "RESULT:Request uncompleted", "FINISHED"}));
    EXPECT_TRUE(recorder.Logged("USSD -> UssdSession->SendMessageAndGetReplyAsync -> Error: The device is busy and "
                                "can't currently perform a network operation (0x800700AA)"));
    EXPECT_FALSE(engine->SessionOpen());

    // Nothing ended the other program's dialogue: its answer is taken.
    otherRecorder.Clear();
    ASSERT_TRUE(other.SendRequest(QStringLiteral("2")));
    ASSERT_TRUE(otherRecorder.AwaitFinished());
    EXPECT_EQ(otherRecorder.events.at(1), "DATA:Tariff: Simnet Basic, 0.09 EUR per SMS.");
    // Once it is over, this engine is served again.
    Run("*100#");
    EXPECT_EQ(recorder.events.at(2), "DATA:Balance: 12.50 EUR. Valid until 31.12.");
}

TEST_F(EngineTest, NoReplyWithinTheTimeoutClosesTheSession)
{
    for (const std::uint32_t timeout : {0u, 300u}) {
        SCOPED_TRACE(timeout);
        engine->SetTimeout(timeout);
        Run("*109#");
        EXPECT_EQ(recorder.events,
                  (std::vector<std::string>{"STARTED", "SESSION_OPEN", "ERROR:No response, timeout", "SESSION_FINISHED",
                                            "RESULT:Request uncompleted", "FINISHED"}));
        EXPECT_TRUE(recorder.Logged("USSD -> No response, timeout..."));
        EXPECT_FALSE(engine->SessionOpen());
    }
    // The network's side was ended too: the next request is answered in a new session.
    engine->SetTimeout(10000);
    Run("*100#");
    EXPECT_EQ(recorder.events.at(1), "SESSION_OPEN");
    EXPECT_EQ(recorder.events.at(4), "RESULT:Request completed");
}

TEST_F(EngineTest, NoSessionOnAnUnknownInterface)
{
    engine->SetInterfaceId("{00000000-0000-0000-0000-000000000000}");
    Run("*100#");
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"STARTED", "ERROR:", "SESSION_FINISHED",
                                                         "RESULT:Request uncompleted", "FINISHED"}));
    EXPECT_TRUE(recorder.Logged(
        "USSD -> UssdSessionStatics->CreateFromNetworkInterfaceId -> Error: Element not found. (0x80070490)"));
    EXPECT_TRUE(recorder.Logged("USSD -> Send() -> CreateSession -> Error"));
    EXPECT_FALSE(recorder.Logged("USSD -> Waiting response..."));
}

TEST_F(EngineTest, AnUnplugEndsTheWaitAtOnce)
{
    // The timeout is far beyond the wait below: only the unplug can end the request in time.
    engine->SetTimeout(600000);
    recorder.Clear();
    ASSERT_TRUE(engine->SendRequest(QStringLiteral("*109#")));
    ASSERT_TRUE(WaitFor([this] { return recorder.Logged("USSD -> Waiting response..."); }));
    rig->simulator->unplug();
    ASSERT_TRUE(recorder.AwaitFinished());
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"STARTED", "SESSION_OPEN", "ERROR:Bad request", "SESSION_FINISHED",
                                        "RESULT:Request uncompleted", "FINISHED"}));
    EXPECT_TRUE(recorder.Logged("USSD -> UssdAsyncInfo->GetResults -> Error: The device is not ready (0x80070015)"));
    EXPECT_FALSE(engine->SessionOpen());

    // Without the device no session opens.
    Run("*100#");
    EXPECT_EQ(recorder.events.at(1), "ERROR:");
    EXPECT_TRUE(recorder.Logged("USSD -> Send() -> CreateSession -> Error"));
}

TEST_F(EngineTest, StopCancelsAtTheDeviceAndHandsTheLastEventsOver)
{
    engine->SetTimeout(600000);
    recorder.Clear();
    ASSERT_TRUE(engine->SendRequest(QStringLiteral("*109#")));
    ASSERT_TRUE(WaitFor([this] { return recorder.Logged("USSD -> Waiting response..."); }));
    // Stop waits on this thread, which still takes the thread's events meanwhile.
    engine->Stop();
    EXPECT_FALSE(engine->Running());
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"STARTED", "SESSION_OPEN", "ERROR:Request cancelled", "SESSION_FINISHED",
                                        "RESULT:Request uncompleted", "FINISHED"}));
    EXPECT_TRUE(recorder.Logged("USSD -> Stop()"));
    EXPECT_TRUE(recorder.Logged("USSD -> Stop event..."));

    // The device dropped the dialogue: a new request is answered.
    engine->SetTimeout(10000);
    Run("*100#");
    EXPECT_EQ(recorder.events.at(2), "DATA:Balance: 12.50 EUR. Valid until 31.12.");
}

TEST_F(EngineTest, DestructionStopsARequestAndClosesAKeptSession)
{
    // A request still waiting.
    engine->SetTimeout(600000);
    recorder.Clear();
    ASSERT_TRUE(engine->SendRequest(QStringLiteral("*109#")));
    ASSERT_TRUE(WaitFor([this] { return recorder.Logged("USSD -> Waiting response..."); }));
    engine.reset();
    EXPECT_EQ(recorder.events.back(), "FINISHED");
    EXPECT_TRUE(recorder.Logged("USSD -> Stop event..."));

    // A menu the network keeps open.
    engine = std::make_unique<TUssdEngine>(&recorder.log, &recorder.owner, rig->service.get());
    engine->SetInterfaceId(rig->session->GetInterfaceID());
    Run("*101#");
    ASSERT_TRUE(engine->SessionOpen());
    recorder.Clear();
    engine.reset();
    EXPECT_TRUE(recorder.Logged("USSD -> Session closed"));
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(EngineTest, DestroyedInsideItsOwnEventTheThreadIsLetGo)
{
    engine->SetTimeout(600000);
    recorder.onEvent = [this](std::uintptr_t code) {
        if (code == USSD_EVENT_SESSION_OPEN)
            engine.reset();
    };
    recorder.Clear();
    ASSERT_TRUE(engine->SendRequest(QStringLiteral("*109#")));
    ASSERT_TRUE(WaitFor([this] { return engine == nullptr; }));
    recorder.onEvent = nullptr;
    // The thread was cancelled and sends nothing more; the device serves the next engine.
    const auto seen = recorder.events;
    EXPECT_EQ(seen, (std::vector<std::string>{"STARTED", "SESSION_OPEN"}));
    engine = std::make_unique<TUssdEngine>(&recorder.log, &recorder.owner, rig->service.get());
    engine->SetInterfaceId(rig->session->GetInterfaceID());
    engine->SetTimeout(10000);
    Run("*100#");
    EXPECT_EQ(recorder.events.at(2), "DATA:Balance: 12.50 EUR. Valid until 31.12.");
}

TEST_F(EngineTest, NoThreadNoEvent)
{
    engine->SetLauncher([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    recorder.Clear();
    EXPECT_FALSE(engine->SendRequest(QStringLiteral("*100#")));
    EXPECT_FALSE(engine->Running());
    EXPECT_EQ(recorder.lines,
              (QStringList{"USSD -> Start()", "USSD -> Start() -> Error: Unable to create comminication thread."}));
    EXPECT_TRUE(recorder.events.empty());
}

} // namespace
