// The message path's controllers on the simulated modem, without a window: flash messages,
// reports read again, the Outbox through a replay, a synchronisation and boxes that stay open,
// parts whose fate is unknown, the read after the SIM is unlocked, and two messages that share a
// part reference.

#include "codec/Splitter.h"
#include "device/Status.h"
#include "sim/SmsPdu.h"
#include "support/ControllerRig.h"

#include <atomic>

namespace {

using testsupport::ControllerRig;
using Kind = testsupport::ScriptedPrompts::Kind;

sim::ModemConfig EmptySim()
{
    sim::ModemConfig config;
    config.demoContents = false;
    config.statusReportDelayMs = 100;
    return config;
}

sim::DeliverRequest Flash(const char* sender, const char16_t* text)
{
    sim::DeliverRequest request;
    request.sender = sender;
    request.text = text;
    request.class0 = true;
    return request;
}

sim::DeliverRequest Plain(const char* sender, const char16_t* text)
{
    sim::DeliverRequest request;
    request.sender = sender;
    request.text = text;
    return request;
}

// Counts the modem's own words about what it did.
class ModemNotes
{
public:
    explicit ModemNotes(sim::ModemSimulator& modem) : modem_(modem)
    {
        modem_.setLog([this](const std::string& line) {
            if (line.find("send completion dropped") != std::string::npos)
                ++dropped;
            if (line.rfind("SMS ", 0) == 0 && line.find(" to ") != std::string::npos)
                ++sent;
        });
    }
    ~ModemNotes() { modem_.setLog({}); }
    std::atomic<int> dropped{0};
    std::atomic<int> sent{0};

private:
    sim::ModemSimulator& modem_;
};

int CountShown(const testsupport::ScriptedPrompts& prompts, const QString& text)
{
    int n = 0;
    for (const auto& p : prompts.shown)
        n += p.text == text;
    return n;
}

// Flash messages come at the same index every time; each must be listed, and none stored.
class FlashMessages : public ::testing::TestWithParam<bool>
{ };

TEST_P(FlashMessages, EachOfThreeInARowIsListed)
{
    ControllerRig rig(EmptySim());
    rig.settings.SaveOnDisk = GetParam();
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    for (const char16_t* text : {u"first", u"second", u"third"}) {
        rig.modem->deliverSms(Flash("+15550100201", text));
        const QString wanted = QString::fromStdU16String(text);
        ASSERT_TRUE(ControllerRig::WaitFor([&] {
            FolderModel& inbox = rig.Folder(Folder::Inbox);
            for (int i = 0; i < inbox.rowCount(); ++i)
                if (inbox.At(i)->ListText() == wanted)
                    return true;
            return false;
        })) << "flash message \""
            << wanted.toStdString() << "\" never listed";
    }
    EXPECT_EQ(rig.Folder(Folder::Inbox).rowCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rig.Folder(Folder::Inbox).At(i)->Units.front().Place, SmsPlace::ShownOnly);
}

INSTANTIATE_TEST_SUITE_P(SaveOnDisk, FlashMessages, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Stored" : "DeviceOnly"; });

TEST(MessagePath, DeletingAFlashMessageLeavesTheStoredRowOfTheSameNumber)
{
    ControllerRig rig(EmptySim());
    rig.settings.MessageIndex = 1; // device index 0 becomes 1, the first storage ID
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    rig.modem->deliverSms(Plain("+15550100202", u"kept"));
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Inbox).rowCount() == 1; }));
    const std::int32_t storedId = rig.Folder(Folder::Inbox).At(0)->Units.front().Id;
    ASSERT_EQ(storedId, 1) << "the stored row's ID is the flash message's shifted index";
    rig.modem->deliverSms(Flash("+15550100203", u"flash"));
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Inbox).rowCount() == 2; }));
    SmsData* flash = nullptr;
    for (int i = 0; i < 2; ++i)
        if (rig.Folder(Folder::Inbox).At(i)->Number == QLatin1String("+15550100203"))
            flash = rig.Folder(Folder::Inbox).At(i);
    ASSERT_NE(flash, nullptr);
    rig.host.prompts.answers.push_back(true);
    ASSERT_TRUE(rig.actions->Delete(Folder::Inbox, flash));
    EXPECT_EQ(rig.Folder(Folder::Inbox).rowCount(), 1);
    // The stored message is still there: deleting it now finds its row.
    EXPECT_TRUE(rig.database->DeleteMessage(storedId));
    EXPECT_FALSE(rig.database->DeleteMessage(storedId)) << "no row, no success";
}

// A report on the SIM is listed once, whatever reads and replays come after it.
struct ReportCase
{
    const char* name;
    bool saveOnDisk;
};

class ReportsListedOnce : public ::testing::TestWithParam<ReportCase>
{ };

TEST_P(ReportsListedOnce, AfterReadsAndReplays)
{
    ControllerRig rig(EmptySim());
    rig.settings.SaveOnDisk = GetParam().saveOnDisk;
    // Waiting on the SIM before the program starts: the start-up read takes it.
    ASSERT_TRUE(rig.modem->start());
    ASSERT_TRUE(rig.modem->deliverStatusReport("+15550100204", 7, 0));
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Reports).rowCount() == 1; }));
    // Reads again (each arrival, the receive timer, a send completion) and, when stored, the
    // replay of "Read All".
    for (int round = 0; round < 3; ++round) {
        rig.incoming->ReadDevice();
        if (rig.settings.SaveOnDisk) {
            ASSERT_NO_FATAL_FAILURE(rig.Replay());
        }
    }
    // A message after the reads is read after them: once it is listed, they were all handled.
    rig.modem->deliverSms(Plain("+15550100205", u"barrier"));
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Inbox).rowCount() == 1; }));
    EXPECT_EQ(rig.Folder(Folder::Reports).rowCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, ReportsListedOnce,
                         ::testing::Values(ReportCase{"Stored", true}, ReportCase{"DeviceOnly", false}),
                         [](const auto& info) { return info.param.name; });

TEST(MessagePath, MessageQueuedDuringAReplayIsSent)
{
    ControllerRig rig(EmptySim());
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    // A replay begins, and the user queues a message before it ends.
    rig.incoming->HandleLoadProgress(DATABASE_LOAD_BEGIN);
    rig.pipeline->QueueMessage(QStringLiteral("+15550100206"), QStringLiteral("while replaying"), false);
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Outbox).Count() == 0; }))
        << "the message waited for the end of the replay";
    rig.incoming->HandleLoadProgress(DATABASE_LOAD_END);
    EXPECT_EQ(rig.Folder(Folder::Sent).rowCount(), 1);
}

// What empties the lists for a new read keeps the Outbox: failed messages, and parts in flight
// whose completion still needs their row.
struct ClearCase
{
    const char* name;
    void (*clear)(ControllerRig&);
};

class OutboxKept : public ::testing::TestWithParam<ClearCase>
{ };

TEST_P(OutboxKept, FailedAndInFlightMessagesSurvive)
{
    ControllerRig rig(EmptySim());
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    ModemNotes notes(*rig.modem);
    rig.modem->failNextSend(2); // busy
    rig.pipeline->QueueMessage(QStringLiteral("+15550100207"), QStringLiteral("fails"), false);
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Outbox).At(0)->AnyFailed(); }));
    rig.modem->delayNextSendCompletion(1500);
    rig.pipeline->QueueMessage(QStringLiteral("+15550100208"), QStringLiteral("in flight"), false);
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.pipeline->SendingCount() == 1; }));
    GetParam().clear(rig);
    ASSERT_EQ(rig.Folder(Folder::Outbox).Count(), 2) << "the Outbox was emptied";
    if (rig.device->GetState() == 3) {
        // The completion finds its row, and the sent copy is filed.
        ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Outbox).Count() == 1; }));
        ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Sent).Count() == 1; }));
    }
    EXPECT_TRUE(rig.Folder(Folder::Outbox).At(0)->AnyFailed());
}

INSTANTIATE_TEST_SUITE_P(
    Clears, OutboxKept,
    ::testing::Values(ClearCase{"Synchronize",
                                [](ControllerRig& rig) {
                                    const int before = rig.loadsEnded;
                                    rig.incoming->Resynchronize();
                                    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.loadsEnded > before; }));
                                }},
                      ClearCase{"StopInterface", [](ControllerRig& rig) { rig.state->DisconnectAction(); }},
                      ClearCase{"Compress", [](ControllerRig& rig) { rig.actions->Compress(); }}),
    [](const auto& info) { return info.param.name; });

TEST(MessagePath, TimerTickDuringTheServiceCentreWarningSubmitsEncodedParts)
{
    ControllerRig rig(EmptySim());
    ASSERT_TRUE(rig.modem->start());
    rig.modem->setServiceCentre("");
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    ASSERT_TRUE(ControllerRig::WaitFor([&] {
        std::string smsc;
        return !rig.device->GetSMSC(smsc);
    })) << "the device still reports a service centre";
    ModemNotes notes(*rig.modem);
    // The warning is open while the send timer ticks.
    rig.host.prompts.whileOpen = [&](const testsupport::ScriptedPrompts::Prompt& p) {
        if (p.text.startsWith(QLatin1String("Warning: Unable to get message service center number")))
            rig.pipeline->ProcessOutbox();
    };
    rig.pipeline->QueueMessage(QStringLiteral("+15550100209"), QStringLiteral("no centre"), false);
    ControllerRig::Settle(300);
    rig.host.prompts.whileOpen = {};
    EXPECT_EQ(CountShown(rig.host.prompts, QStringLiteral("Error: Unable to send message to +15550100209")), 0)
        << "a part was submitted before it was encoded";
    EXPECT_EQ(CountShown(rig.host.prompts, QStringLiteral("Warning: Unable to get message service center number.")), 1);
}

TEST(MessagePath, CompletionWhileTheSendErrorIsOpenSkipsNoWaitingMessage)
{
    ControllerRig rig(EmptySim());
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    FolderModel& outbox = rig.Folder(Folder::Outbox);
    // X is in flight with a slow completion; Y will be refused; Z waits behind them.
    rig.modem->delayNextSendCompletion(1000);
    rig.pipeline->QueueMessage(QStringLiteral("+15550100210"), QStringLiteral("X"), false);
    rig.pipeline->ProcessOutbox();
    ASSERT_EQ(rig.pipeline->SendingCount(), 1);
    rig.pipeline->QueueMessage(QStringLiteral("+15550100211"), QStringLiteral("Y"), false);
    rig.pipeline->QueueMessage(QStringLiteral("+15550100212"), QStringLiteral("Z"), false);
    rig.pipeline->SendTimer().stop();
    outbox.At(1)->Units[0].Pdu = QStringLiteral("ZZ"); // the device refuses what it cannot read
    // While the error box is open, X completes and leaves the Outbox.
    rig.host.prompts.whileOpen = [&](const testsupport::ScriptedPrompts::Prompt& p) {
        if (p.kind == Kind::Show && p.text.startsWith(QLatin1String("Error: Unable to send"))) {
            ASSERT_TRUE(ControllerRig::WaitFor([&] { return outbox.Count() == 2; }));
        }
    };
    rig.pipeline->ProcessOutbox();
    rig.host.prompts.whileOpen = {};
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Sent).Count() == 2; }))
        << "Z was never submitted";
    ASSERT_EQ(outbox.Count(), 1);
    EXPECT_EQ(outbox.At(0)->Number, QLatin1String("+15550100211"));
}

// Parts in flight when the interface goes, or whose completion is given up: their reports,
// before or after, say they went out.
class UnknownFate : public ::testing::Test
{
protected:
    // A two-part message whose completions the modem keeps.
    void SendTwoPartsWithoutCompletions()
    {
        if (!rig)
            Make(100);
        rig->settings.MaxSendCount = 0;
        ASSERT_NO_FATAL_FAILURE(rig->Start());
        notes = std::make_unique<ModemNotes>(*rig->modem); // the modem's start sets its own log
        QString text;
        for (int i = 0; i < 20; ++i)
            text += QStringLiteral("0123456789");
        rig->pipeline->QueueMessage(number, text, false);
        rig->pipeline->SendTimer().stop();
        ASSERT_EQ(rig->Folder(Folder::Outbox).At(0)->Count, 2);
        for (int part = 1; part <= 2; ++part) {
            // One more slot for each part: the dropped completion keeps its own.
            rig->settings.MaxSendCount = part;
            rig->modem->dropNextSendCompletion();
            rig->pipeline->ProcessOutbox();
            ASSERT_TRUE(ControllerRig::WaitFor([&] { return notes->dropped == part; }))
                << rig->host.log.join(QLatin1Char('\n')).toStdString();
        }
        rig->pipeline->SendTimer().stop();
        ASSERT_EQ(rig->pipeline->SendingCount(), 2);
    }
    void Replug()
    {
        std::string error;
        ASSERT_TRUE(rig->modem->replug(&error)) << error;
        // Connected again by itself, as at start.
        ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig->device->GetState() == 3; }, 30000));
    }

    void Make(std::uint32_t reportDelayMs)
    {
        sim::ModemConfig config = EmptySim();
        config.statusReportDelayMs = reportDelayMs;
        notes.reset();
        rig = std::make_unique<ControllerRig>(config);
    }

    const QString number = QStringLiteral("+15550100213");
    std::unique_ptr<ControllerRig> rig;
    std::unique_ptr<ModemNotes> notes;
};

TEST_F(UnknownFate, ReportsBeforeTheUnplugMakeThePartsSent)
{
    ASSERT_NO_FATAL_FAILURE(SendTwoPartsWithoutCompletions());
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig->Folder(Folder::Reports).Count() == 2; }));
    rig->modem->unplug();
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig->pipeline->SendingCount() == 0; }));
    EXPECT_EQ(rig->Folder(Folder::Outbox).Count(), 0) << "delivered parts stayed in the Outbox";
    ASSERT_EQ(rig->Folder(Folder::Sent).Count(), 1);
    SmsData* sent = rig->Folder(Folder::Sent).At(0);
    EXPECT_EQ(sent->Count, 2);
    EXPECT_EQ(rig->incoming->Delivery().ImageOf(*sent), ImageDelivered);
    EXPECT_EQ(notes->sent, 2) << "nothing went out again";
}

TEST_F(UnknownFate, ReportsAfterTheReplugMakeThePartsSent)
{
    Make(4000); // the reports come well after the unplug
    ASSERT_NO_FATAL_FAILURE(SendTwoPartsWithoutCompletions());
    rig->modem->unplug();
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig->pipeline->SendingCount() == 0; }));
    FolderModel& outbox = rig->Folder(Folder::Outbox);
    ASSERT_EQ(rig->Folder(Folder::Reports).Count(), 0);
    // Not yet reported: shown as not confirmed, not as failed.
    ASSERT_EQ(outbox.Count(), 1);
    EXPECT_TRUE(outbox.At(0)->AnyUnknown());
    EXPECT_EQ(outbox.Status(outbox.At(0)), QLatin1String("Not confirmed: may already have been sent"));
    ASSERT_NO_FATAL_FAILURE(Replug());
    // The reports wait on the SIM; the read after the replug files them.
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return outbox.Count() == 0; })) << "the reports did not confirm the parts";
    EXPECT_EQ(rig->Folder(Folder::Sent).Count(), 1);
    EXPECT_EQ(notes->sent, 2);
}

TEST_F(UnknownFate, RetryAsksFirstAndNoKeepsThePart)
{
    Make(100);
    rig->settings.DeliveryReport = false; // nothing can confirm them
    ASSERT_NO_FATAL_FAILURE(SendTwoPartsWithoutCompletions());
    FolderModel& outbox = rig->Folder(Folder::Outbox);
    SmsData* message = outbox.At(0);
    // One completion is given up, the other part is in flight at the unplug.
    rig->pipeline->HandleSmsSendComplete(
        BROADBAND_REQUEST_RESULT{static_cast<std::uint32_t>(message->Units[0].Id), Hr::Timeout, 0});
    EXPECT_EQ(message->Units[0].Status, SmsUnitUnknown);
    EXPECT_EQ(outbox.Status(message), QLatin1String("Not confirmed: may already have been sent"));
    rig->modem->unplug();
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig->pipeline->SendingCount() == 0; }));
    EXPECT_EQ(message->Units[1].Status, SmsUnitUnknown);
    EXPECT_EQ(outbox.Image(message), ImageError);
    ASSERT_NO_FATAL_FAILURE(Replug());

    rig->host.prompts.answers.push_back(false);
    rig->pipeline->Retry(message);
    ASSERT_EQ(rig->host.prompts.shown.back().kind, Kind::Ask);
    EXPECT_EQ(rig->host.prompts.shown.back().text,
              QLatin1String("This message may already have been sent. Do you want to send it again?"));
    EXPECT_FALSE(rig->pipeline->SendTimer().isActive());
    EXPECT_TRUE(message->AnyUnknown());

    rig->host.prompts.answers.push_back(true);
    rig->pipeline->Retry(message);
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return outbox.Count() == 0; }));
    EXPECT_EQ(notes->sent, 4) << "sent again only after the user said so";
}

TEST(MessagePath, MessagesWaitingOnALockedSimAreReadAfterThePin)
{
    sim::ModemConfig config = EmptySim();
    config.simLocked = true;
    ControllerRig rig(config);
    ASSERT_TRUE(rig.modem->start());
    rig.modem->deliverSms(Plain("+15550100214", u"waiting behind the PIN"));
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    ControllerRig::Settle(500);
    ASSERT_EQ(rig.Folder(Folder::Inbox).rowCount(), 0) << "read before the PIN";
    ASSERT_TRUE(rig.device->EnterPin(2, "1234"));
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Inbox).rowCount() == 1; }))
        << "the waiting message stayed hidden after the PIN";
}

TEST(MessagePath, AReplugShowsTheDeviceAndReadsWhatCameMeanwhile)
{
    ControllerRig rig(EmptySim());
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    const QString model = rig.state->Panel(0);
    const QString provider = rig.state->Panel(1);
    ASSERT_FALSE(model.isEmpty());
    rig.modem->unplug();
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.state->Panel(0) == QLatin1String("Device disconnected"); }));
    rig.modem->deliverSms(Plain("+15550100215", u"while unplugged"));
    std::string error;
    ASSERT_TRUE(rig.modem->replug(&error)) << error;
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return rig.Folder(Folder::Inbox).rowCount() == 1; }, 30000))
        << "the message that came meanwhile stayed on the SIM\n"
        << rig.deviceLog.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rig.state->Panel(0), model);
    EXPECT_EQ(rig.state->Panel(1), provider);
    EXPECT_NE(rig.state->SignalImage(), 6) << "still shown as connecting";
}

TEST(MessagePath, AfterStopInterfaceAnArrivalDoesNotConnect)
{
    ControllerRig rig(EmptySim());
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    rig.state->DisconnectAction();
    rig.modem->unplug();
    std::string error;
    ASSERT_TRUE(rig.modem->replug(&error)) << error;
    rig.modem->deliverSms(Plain("+15550100216", u"not read"));
    ControllerRig::Settle(1500);
    EXPECT_NE(rig.device->GetState(), 3) << "the user stopped the interface";
    EXPECT_EQ(rig.Folder(Folder::Inbox).rowCount(), 0);
}

// A part reference is one octet, so two messages of one day to or from one number can share it:
// each stays a message of its own with its own text, and a repeated copy of a part still joins
// its message, marked as a duplicate.
class SharedReference : public ::testing::TestWithParam<bool>
{ };

TEST_P(SharedReference, TwoMessagesStayApart)
{
    const bool sent = GetParam();
    ControllerRig rig(EmptySim());
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    const std::u16string texts[] = {std::u16string(190, u'a') + u"first", std::u16string(190, u'b') + u"second"};
    std::vector<std::string> pdus[2];
    for (int i = 0; i < 2; ++i) {
        if (sent) {
            MessageToEncode m;
            m.number = "+15550100210";
            m.text = texts[i];
            m.reference = 77;
            for (const EncodedPart& part : EncodeMessage(m).parts)
                pdus[i].push_back(part.pdu);
        } else {
            sim::pdu::DeliverOptions options;
            options.reference = 77;
            for (const auto& part : sim::pdu::deliver({"15550109999", true}, {"15550100210", true}, texts[i], options,
                                                      1700000000 + i * 60))
                pdus[i].push_back(sim::pdu::hex(part));
        }
        ASSERT_EQ(pdus[i].size(), 2u);
    }
    const std::uint32_t status = StatusValue(sent ? SmsStatus::Sent : SmsStatus::Read);
    for (const std::string& pdu : {pdus[0][0], pdus[0][1], pdus[0][1], pdus[1][0], pdus[1][1]})
        ASSERT_TRUE(rig.database->InsertMessage(pdu, status));
    ASSERT_NO_FATAL_FAILURE(rig.Replay());

    FolderModel& box = rig.Folder(sent ? Folder::Sent : Folder::Inbox);
    ASSERT_EQ(box.Count(), 2);
    QStringList shown;
    int parts = 0, duplicates = 0;
    for (int row = 0; row < box.Count(); ++row) {
        shown << box.At(row)->ListText();
        for (const SmsUnit& unit : box.At(row)->Units) {
            ++parts;
            duplicates += unit.Duplicate;
        }
    }
    shown.sort();
    EXPECT_EQ(shown, QStringList({QString::fromStdU16String(texts[0]), QString::fromStdU16String(texts[1])}));
    EXPECT_EQ(parts, 5);
    EXPECT_EQ(duplicates, 1);
}

INSTANTIATE_TEST_SUITE_P(Boxes, SharedReference, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Sent" : "Inbox"; });

} // namespace
