// The session against the simulated modem: log sequences, events and SMS operations as the main
// window will see them.

#include "support/DeviceHarness.h"

#include "codec/Splitter.h"

#include <QEventLoop>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

using namespace harness;

namespace {

const std::string separator(67, '=');

class Modem
{
public:
    explicit Modem(const QString& dir, const char* name)
    {
        sim::ModemSimulator::Options options;
        options.linkPath = (dir + "/" + name).toStdString();
        simulator = std::make_unique<sim::ModemSimulator>(options);
        std::string error;
        started = simulator->start(&error);
        EXPECT_TRUE(started) << error;
    }
    std::string Path() const { return simulator->devicePath(); }
    std::unique_ptr<sim::ModemSimulator> simulator;
    bool started = false;
};

class BroadbandTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // A started service over the given modems, with every device opened.
    std::unique_ptr<BroadbandService> Service(const std::vector<const Modem*>& modems)
    {
        BroadbandService::Options options;
        for (const Modem* m : modems)
            options.paths.push_back(m->Path());
        options.scanSysfs = false;
        options.watchUdev = false;
        auto service = std::make_unique<BroadbandService>(options);
        service->Start();
        EXPECT_TRUE(service->WaitUntilSettled(waitMs));
        return service;
    }

    void TearDown() override
    {
        // Let closing devices finish inside the loop they were opened in.
        QEventLoop().processEvents(QEventLoop::AllEvents, 20);
    }

    QTemporaryDir dir;
    Window window;
};

TEST_F(BroadbandTest, ConnectLogsEventsInterfaceAndBlocks)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());

    ASSERT_TRUE(session.Connect());
    EXPECT_EQ(session.GetState(), 3);
    EXPECT_EQ(session.GetInterfaceCount(), 1u);
    const std::string id = session.GetInterfaceID();
    EXPECT_EQ(id.size(), 38u);
    EXPECT_EQ(id.front(), '{');
    EXPECT_EQ(session.GetModelName(), "Parlowen simulated modem");
    EXPECT_EQ(session.GetRegisteredProviderName(), "Simnet");

    const auto log = window.Log();
    const std::vector<std::string> head{"InterfaceManager -> Connect() -> Ok",
                                        "Setting events...",
                                        "BroadbandInterfaceManagerEvents::Connect() -> Ok",
                                        "Set Interface Manager events -> Ok",
                                        "BroadbandInterfaceEvents::Connect() -> Ok",
                                        "Set Interface events -> Ok",
                                        "BroadbandSmsEvents::Connect() -> Ok",
                                        "Set SMS events -> Ok",
                                        "BroadbandSignalEvents::Connect() -> Ok",
                                        "Set Signal events -> Ok",
                                        "BroadbandRadioEvents::Connect() -> Ok",
                                        "Set Radio events -> Ok",
                                        "BroadbandPinManagerEvents::Connect() -> Ok",
                                        "Set PIN Manager events -> Ok",
                                        "BroadbandPinEvents::Connect() -> Ok",
                                        "Set PIN events -> Ok",
                                        "BroadbandRegistrationEvents::Connect() -> Ok",
                                        "Set Registration events -> Ok",
                                        "Interfaces found: 1",
                                        "",
                                        "Interface information:",
                                        separator,
                                        "Interface ID: " + id,
                                        separator,
                                        "",
                                        "Device information:",
                                        separator,
                                        "Cellular class: CELLULAR_CLASS_GSM (1)"};
    ASSERT_GE(log.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + static_cast<long>(head.size())), head);
    EXPECT_TRUE(window.Logged("SMS configuration:"));
    EXPECT_TRUE(window.Logged("SMSC: +15550109999"));
    EXPECT_TRUE(window.Logged("Registration state: REGISTER_STATE_HOME (3)"));
    EXPECT_FALSE(window.Logged("Active interface:"));

    // Connecting again disconnects first, sinks included.
    window.Clear();
    ASSERT_TRUE(session.Connect());
    const auto again = window.Log();
    const std::vector<std::string> reconnect{"InterfaceManager -> Already connected -> Disconnecting now...",
                                             "BroadbandInterfaceManagerEvents::Disconnect() -> Ok",
                                             "BroadbandInterfaceEvents::Disconnect() -> Ok",
                                             "BroadbandSmsEvents::Disconnect() -> Ok",
                                             "BroadbandSignalEvents::Disconnect() -> Ok",
                                             "BroadbandRadioEvents::Disconnect() -> Ok",
                                             "BroadbandPinManagerEvents::Disconnect() -> Ok",
                                             "BroadbandPinEvents::Disconnect() -> Ok",
                                             "BroadbandRegistrationEvents::Disconnect() -> Ok",
                                             "InterfaceManager -> Disconnect() -> Ok",
                                             "InterfaceManager -> Connect() -> Ok"};
    ASSERT_GE(again.size(), reconnect.size());
    EXPECT_EQ(std::vector<std::string>(again.begin(), again.begin() + static_cast<long>(reconnect.size())), reconnect);

    window.Clear();
    session.Disconnect();
    EXPECT_EQ(session.GetState(), 0);
    EXPECT_EQ(session.GetInterfaceID(), "");
    EXPECT_EQ(window.Log().back(), "InterfaceManager -> Disconnect() -> Ok");
    window.Clear();
    session.Disconnect();
    EXPECT_EQ(window.Log(), std::vector<std::string>{"InterfaceManager -> Disconnect() -> Not connected"});
}

TEST_F(BroadbandTest, TwoInterfacesLogBothAndSelectByID)
{
    Modem first(dir.path(), "first");
    Modem second(dir.path(), "second");
    auto service = Service({&first, &second});
    MobileBroadband session(&window.target, service.get());

    ASSERT_TRUE(session.Connect());
    EXPECT_EQ(session.GetInterfaceCount(), 2u);
    std::vector<std::string> ids;
    for (const auto& line : window.Log())
        if (line.rfind("Interface ID: ", 0) == 0)
            ids.push_back(line.substr(14));
    // Two blocks and the active interface, which is the last one listed.
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_NE(ids[0], ids[1]) << "devices reporting one device ID still get their own IDs";
    EXPECT_EQ(ids[2], ids[1]);
    EXPECT_EQ(session.GetInterfaceID(), ids[1]);
    const auto log = window.Log();
    const auto active = std::find(log.begin(), log.end(), "Active interface:");
    ASSERT_NE(active, log.end());
    EXPECT_EQ(*(active - 1), "");
    EXPECT_EQ(*(active + 1), separator);
    EXPECT_EQ(*(active + 2), "Interface ID: " + ids[1]);
    EXPECT_EQ(*(active + 3), separator);

    window.Clear();
    EXPECT_FALSE(session.SelectInterface("{00000000-0000-0000-0000-000000000000}"));
    EXPECT_EQ(window.Log(), std::vector<std::string>{
                                "InterfaceManager -> GetInterface({00000000-0000-0000-0000-000000000000}) -> Failed"});
    EXPECT_EQ(session.GetInterfaceID(), ids[1]);

    window.Clear();
    EXPECT_TRUE(session.SelectInterface(ids[0]));
    EXPECT_EQ(session.GetInterfaceID(), ids[0]);
    EXPECT_TRUE(window.Logged("Device information:"));
    EXPECT_FALSE(window.Logged("SMS configuration:"));
}

TEST_F(BroadbandTest, WithoutServiceOrConnectionNothingIsAsked)
{
    BroadbandService idle(BroadbandService::Options{});
    MobileBroadband session(&window.target, &idle);
    EXPECT_FALSE(session.Connect());
    EXPECT_EQ(session.GetState(), 0);
    EXPECT_EQ(window.Log(),
              std::vector<std::string>{"InterfaceManager -> Connect() -> Failed: The service has not been started"});

    window.Clear();
    std::uint32_t requestId = 0;
    std::string smsc;
    EXPECT_FALSE(session.SmsSendPdu("00", 1, requestId));
    EXPECT_FALSE(session.SmsRead(0));
    EXPECT_FALSE(session.SmsDelete(1, requestId));
    EXPECT_FALSE(session.SmsDelete(1));
    EXPECT_FALSE(session.GetSMSC(smsc));
    EXPECT_FALSE(session.SelectInterface("{X}"));
    EXPECT_FALSE(session.RefreshInterfaces());
    EXPECT_EQ(window.Log(), std::vector<std::string>(6, "Not connected"));

    // A started service without devices: connected, no interface.
    BroadbandService::Options none;
    none.scanSysfs = false;
    none.watchUdev = false;
    BroadbandService empty(none);
    empty.Start();
    MobileBroadband other(&window.target, &empty);
    window.Clear();
    EXPECT_FALSE(other.Connect());
    EXPECT_EQ(other.GetState(), 2);
    EXPECT_TRUE(window.Logged("Interfaces found: 0"));
    window.Clear();
    EXPECT_FALSE(other.SmsRead(0));
    EXPECT_EQ(window.Log(), std::vector<std::string>{"InterfaceManager -> GetInterface() -> Failed"});
}

TEST_F(BroadbandTest, ReadBatchHandsOverEveryStoredMessage)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    window.Clear();

    ASSERT_TRUE(session.SmsRead(7)); // any index still reads all
    ASSERT_TRUE(WaitFor([&] { return window.Logged("SmsMessages -> Messages found: 4"); }));
    ASSERT_TRUE(WaitFor([&] { return window.Messages().size() == 4; }));
    const auto log = window.Log();
    EXPECT_EQ(log[0], "SmsRead() -> Ok, Request ID = 1");
    EXPECT_EQ(log[1], "BroadbandSmsEvents::OnSmsReadComplete() -> Ok, Request ID = 1, More messages = 0");
    EXPECT_EQ(log[2], "SmsMessages -> Messages found: 4");
    EXPECT_EQ(log[3], "SmsMessages -> Processing -> 1");
    EXPECT_EQ(log[4], "SmsMessages -> Index = 1");
    EXPECT_EQ(log[5], "SmsMessages -> Status = MSG_STATUS_OLD (1)");
    // The batch event comes before the messages.
    ASSERT_EQ(window.received[2].number, WM_BROADBAND_EVENT);
    EXPECT_EQ(window.received[2].wParam, EV_SMS_BATCH);

    const auto messages = window.Messages();
    for (std::size_t i = 0; i < messages.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(messages[i].Index, i + 1);
        EXPECT_EQ(messages[i].Class0, 0);
        EXPECT_FALSE(messages[i].Pdu.empty());
        EXPECT_EQ(messages[i].Pdu.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_TRUE(window.Logged("SmsMessages -> PDU = " + messages[i].Pdu));
        EXPECT_EQ(messages[i].Date.size(), 10u);
        EXPECT_EQ(messages[i].Time.size(), 8u);
    }
    EXPECT_EQ(messages[0].Status, 1u);
    EXPECT_EQ(messages[1].Status, 0u);
}

TEST_F(BroadbandTest, DeliveriesRaiseStatusAndClassZeroBatches)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    window.Clear();

    modem.simulator->deliverSms({"+15550100777", u"stored", false, false, {}});
    ASSERT_TRUE(WaitFor([&] { return !window.Events(EV_SMS_STATUS).empty(); }));
    EXPECT_TRUE(window.Logged("BroadbandSmsEvents::OnSmsStatusChange()"));
    EXPECT_TRUE(window.Messages().empty());

    window.Clear();
    modem.simulator->deliverSms({"+15550100777", u"flash", false, true, {}});
    ASSERT_TRUE(WaitFor([&] { return window.Messages().size() == 1; }));
    const auto message = window.Messages().front();
    EXPECT_EQ(message.Class0, 1);
    EXPECT_FALSE(message.Pdu.empty());
    const auto log = window.Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "BroadbandSmsEvents::OnSmsNewClass0Message()");
    EXPECT_EQ(log[1], "SmsClass0Messages -> Messages found: 1");
    EXPECT_EQ(log[2], "SmsClass0Messages -> Processing -> 1");
    EXPECT_EQ(window.Events(EV_SMS_BATCH).size(), 1u);
}

TEST_F(BroadbandTest, SendCompletesWithItsRequestID)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    std::string smsc;
    ASSERT_TRUE(session.GetSMSC(smsc));
    EXPECT_EQ(smsc, "+15550109999");
    EXPECT_TRUE(window.Logged("GetSMSC() -> SMSC: +15550109999"));

    MessageToEncode message;
    message.number = "+15550100777";
    message.smsc = smsc;
    message.text = u"Hello";
    const auto encoded = EncodeMessage(message);
    ASSERT_TRUE(encoded.ok);
    const auto& part = encoded.parts.at(0);

    window.Clear();
    std::uint32_t first = 0, second = 0;
    ASSERT_TRUE(session.SmsSendPdu(part.pdu, static_cast<std::uint8_t>(part.tpduLength), first));
    EXPECT_TRUE(window.Logged("SmsSendPdu() -> Ok, RequestID = " + std::to_string(first)));
    ASSERT_TRUE(WaitFor([&] { return window.Events(EV_SMS_SEND_COMPLETE).size() == 1; }));
    modem.simulator->failNextSend(31); // memory full
    ASSERT_TRUE(session.SmsSendPdu(part.pdu, static_cast<std::uint8_t>(part.tpduLength), second));
    EXPECT_NE(first, second);
    ASSERT_TRUE(WaitFor([&] { return window.Events(EV_SMS_SEND_COMPLETE).size() == 2; }));
    EXPECT_EQ(window.ResultOf(EV_SMS_SEND_COMPLETE, first), 0);
    EXPECT_EQ(window.ResultOf(EV_SMS_SEND_COMPLETE, second), static_cast<HRESULT>(0x80548229));
    EXPECT_TRUE(window.Logged("BroadbandSmsEvents::OnSmsSendComplete() -> Ok, Request ID = " + std::to_string(first)));
    EXPECT_TRUE(window.Logged(
        "BroadbandSmsEvents::OnSmsSendComplete() -> Error: The device/SIM memory is full., Request ID = " +
        std::to_string(second)));

    // The completion carries the reference the network gave the message; a refused one has none.
    std::uint32_t third = 0;
    ASSERT_TRUE(session.SmsSendPdu(part.pdu, static_cast<std::uint8_t>(part.tpduLength), third));
    ASSERT_TRUE(window.AwaitResult(EV_SMS_SEND_COMPLETE, third));
    std::map<std::uint32_t, std::uint32_t> references;
    for (const auto& r : window.Events(EV_SMS_SEND_COMPLETE))
        references[r.result->RequestID] = r.result->MessageReference;
    EXPECT_EQ(references, (std::map<std::uint32_t, std::uint32_t>{{first, 1}, {second, 0}, {third, 2}}));
}

struct RefusedPdu
{
    const char* name;
    std::string pdu;
    int size;
};

class RefusedSend : public BroadbandTest, public testing::WithParamInterface<RefusedPdu>
{ };

TEST_P(RefusedSend, IsRefusedBeforeTheDeviceIsAsked)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    window.Clear();
    std::uint32_t requestId = 0;
    EXPECT_FALSE(session.SmsSendPdu(GetParam().pdu, static_cast<std::uint8_t>(GetParam().size), requestId));
    EXPECT_EQ(window.Log(), std::vector<std::string>{
                                "SmsSendPdu() -> Failed: The device detected invalid parameters in the send request"});
}

INSTANTIATE_TEST_SUITE_P(Malformed, RefusedSend,
                         testing::Values(RefusedPdu{"Empty", "", 0}, RefusedPdu{"OddLength", "0011000", 3},
                                         RefusedPdu{"NotHex", "00G1", 1},
                                         RefusedPdu{"SizeTooSmall", "0011000B915155100077F70000AA0548656C6C6F", 10},
                                         RefusedPdu{"SizeTooLarge", "0011000B915155100077F70000AA0548656C6C6F", 40},
                                         RefusedPdu{"CentreLongerThanPdu", "FF1100", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BroadbandTest, DeleteCompletesAndAnUnknownIndexFails)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    window.Clear();
    std::uint32_t ok = 0, missing = 0;
    ASSERT_TRUE(session.SmsDelete(1, ok));
    ASSERT_TRUE(session.SmsDelete(29, missing));
    EXPECT_TRUE(window.Logged("SmsDelete() -> Ok, RequestID = " + std::to_string(ok)));
    ASSERT_TRUE(WaitFor([&] { return window.Events(EV_SMS_DELETE_COMPLETE).size() == 2; }));
    EXPECT_EQ(window.ResultOf(EV_SMS_DELETE_COMPLETE, ok), 0);
    EXPECT_EQ(window.ResultOf(EV_SMS_DELETE_COMPLETE, missing), static_cast<HRESULT>(0x80548222));
    EXPECT_TRUE(window.Logged("BroadbandSmsEvents::OnSmsDeleteComplete() -> Error: There is no memory index with the "
                              "requested value, Request ID = " +
                              std::to_string(missing)));
}

TEST_F(BroadbandTest, UnplugAndReplugKeepTheInterfaceID)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    const std::string id = session.GetInterfaceID();

    // A request the device never answers is answered by the removal.
    modem.simulator->setReplyDelay(60000);
    std::uint32_t pending = 0;
    ASSERT_TRUE(session.SmsDelete(1, pending));
    window.Clear();
    modem.simulator->unplug();
    ASSERT_TRUE(WaitFor([&] { return !window.Events(EV_INTERFACE_REMOVAL).empty(); }));
    const auto removal = window.Events(EV_INTERFACE_REMOVAL).front();
    EXPECT_EQ(removal.text, id);
    EXPECT_EQ(window.Log().at(0), "BroadbandInterfaceManagerEvents::OnInterfaceRemoval()");
    EXPECT_EQ(window.Log().at(1), "Interface ID: " + id);
    ASSERT_TRUE(WaitFor([&] { return window.ResultOf(EV_SMS_DELETE_COMPLETE, pending).has_value(); }, 2000));
    EXPECT_EQ(window.ResultOf(EV_SMS_DELETE_COMPLETE, pending), static_cast<HRESULT>(0x80070015));
    session.ClearInterface(EV_INTERFACE_REMOVAL);
    EXPECT_EQ(session.GetState(), 2);

    modem.simulator->setReplyDelay(0);
    ASSERT_TRUE(modem.simulator->replug());
    ASSERT_TRUE(WaitFor([&] { return !window.Events(EV_INTERFACE_ARRIVAL).empty(); }));
    EXPECT_EQ(window.Events(EV_INTERFACE_ARRIVAL).front().text, id);
    EXPECT_TRUE(session.RefreshInterfaces());
    EXPECT_EQ(session.GetInterfaceID(), id);
    EXPECT_EQ(session.GetState(), 3);
    EXPECT_TRUE(session.SmsRead(0));
}

TEST_F(BroadbandTest, ClearInterfaceActsOnRemovalOnly)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    for (int code : {0, 1, 3, 17})
        session.ClearInterface(code);
    EXPECT_EQ(session.GetState(), 3);
    EXPECT_FALSE(session.GetModelName().empty());
    session.ClearInterface(EV_INTERFACE_REMOVAL);
    EXPECT_EQ(session.GetState(), 2);
    EXPECT_TRUE(session.GetModelName().empty());
    EXPECT_TRUE(session.GetRegisteredProviderName().empty());
}

TEST_F(BroadbandTest, SignalAndRegistrationChangesReachTheWindow)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    window.Clear();
    modem.simulator->setSignal(0, 0);
    ASSERT_TRUE(WaitFor([&] { return !window.Signals().empty(); }));
    EXPECT_EQ(window.Signals().back(), std::make_pair(std::uintptr_t{1}, std::intptr_t{0}))
        << "strength 0 is a known strength";

    window.Clear();
    modem.simulator->setRegistration(4);
    ASSERT_TRUE(WaitFor([&] {
        return std::any_of(window.received.begin(), window.received.end(),
                           [](const Received& r) { return r.number == WM_BROADBAND_REGISTRATION; });
    }));
    const auto registration = std::find_if(window.received.begin(), window.received.end(),
                                           [](const Received& r) { return r.number == WM_BROADBAND_REGISTRATION; });
    EXPECT_TRUE(registration->registration->Registered);
    EXPECT_TRUE(registration->registration->Roaming);
    EXPECT_EQ(registration->registration->RegistrationState, "REGISTER_STATE_ROAMING (4)");

    window.Clear();
    modem.simulator->setRadio(false);
    ASSERT_TRUE(WaitFor([&] { return !window.Events(EV_RADIO_STATE).empty(); }));
    EXPECT_EQ(window.Events(EV_RADIO_STATE).front().lParam, 0);
    EXPECT_TRUE(window.Logged("Radio state: RADIO_OFF (0)"));
    // Without radio the strength is unknown (99): sent as (0, 0).
    ASSERT_TRUE(WaitFor([&] { return !window.Signals().empty(); }));
    EXPECT_EQ(window.Signals().back(), std::make_pair(std::uintptr_t{0}, std::intptr_t{0}));
}

// The device layer's warnings (category parlowen.device), kept while an instance lives.
class DeviceWarnings
{
public:
    DeviceWarnings()
    {
        Lines().clear();
        previous = qInstallMessageHandler(&Handle);
    }
    ~DeviceWarnings() { qInstallMessageHandler(previous); }
    bool Has(const std::string& prefix) const
    {
        return std::any_of(Lines().begin(), Lines().end(),
                           [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    }

private:
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtWarningMsg && context.category && std::string(context.category) == "parlowen.device")
            Lines().push_back(text.toStdString());
    }
    QtMessageHandler previous = nullptr;
};

TEST_F(BroadbandTest, SmsConfigurationIndicationReportsTheNewCentre)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    DeviceWarnings warnings;
    window.Clear();

    modem.simulator->setServiceCentre("+15550108888");
    ASSERT_TRUE(WaitFor([&] { return !window.Events(EV_SMS_CONFIGURATION).empty(); }));
    const auto log = window.Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "BroadbandSmsEvents::OnSmsConfigurationChange()");
    EXPECT_EQ(log[1], "SMSC: +15550108888");
    EXPECT_EQ(log[2], "Storage capacity: 30");
    EXPECT_FALSE(warnings.Has("Malformed"));
    std::string smsc;
    ASSERT_TRUE(session.GetSMSC(smsc));
    EXPECT_EQ(smsc, "+15550108888");
}

TEST_F(BroadbandTest, MulticarrierProviderStateIsKept)
{
    Modem modem(dir.path(), "modem");
    modem.simulator->withCore([](sim::ModemCore& core) { core.network().providers[1].multicarrier = true; });
    auto service = Service({&modem});
    std::vector<std::shared_ptr<BroadbandInterface>> interfaces;
    ASSERT_EQ(service->GetInterfaces(interfaces), 0);
    ASSERT_EQ(interfaces.size(), 1u);
    std::vector<BroadbandProvider> preferred;
    ASSERT_EQ(interfaces[0]->GetPreferredProviders(preferred), 0);
    std::map<std::string, std::uint32_t> states;
    for (const auto& p : preferred)
        states[p.providerId] = p.providerState;
    EXPECT_EQ(states["00101"] & 0x20u, 0u);
    EXPECT_EQ(states["00102"], 0x2Cu) << "preferred, visible and preferred for multicarrier";

    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    window.Clear();
    session.ShowProviders();
    EXPECT_TRUE(window.Logged("Provider State: PROVIDER_STATE_PREFERRED, PROVIDER_STATE_VISIBLE, "
                              "ROVIDER_STATE_PREFERRED_MULTICARRIER (44)"));
}

// A watcher whose event interface is not its first base: the service must call it as that interface.
class Bookkeeping
{
public:
    virtual ~Bookkeeping() = default;
    virtual int Kept() const { return kept; }
    int kept = 7;
};

class LaterBaseWatcher final : public Bookkeeping, public IBroadbandSmsEvents
{
public:
    int statusChanges = 0;
    void OnSmsConfigurationChange(BroadbandInterface&) override { }
    void OnSetSmsConfigurationComplete(BroadbandInterface&, std::uint32_t, HRESULT) override { }
    void OnSmsSendComplete(BroadbandInterface&, std::uint32_t, HRESULT, std::uint32_t) override { }
    void OnSmsReadComplete(BroadbandInterface&, const std::vector<SmsPduMessage>*, bool, std::uint32_t,
                           HRESULT) override
    { }
    void OnSmsNewClass0Message(BroadbandInterface&, const std::vector<SmsPduMessage>*) override { }
    void OnSmsDeleteComplete(BroadbandInterface&, std::uint32_t, HRESULT) override { }
    void OnSmsStatusChange(BroadbandInterface&) override { ++statusChanges; }
};

TEST_F(BroadbandTest, SinkWithTheInterfaceAsALaterBaseIsCalledAsThatInterface)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    LaterBaseWatcher watcher;
    std::uint32_t cookie = 0;
    ASSERT_EQ(service->Advise(&watcher, cookie), 0);
    modem.simulator->deliverSms({"+15550100777", u"stored", false, false, {}});
    ASSERT_TRUE(WaitFor([&] { return watcher.statusChanges == 1; }));
    EXPECT_EQ(watcher.Kept(), 7);
    EXPECT_EQ(service->Unadvise(cookie), 0);
}

TEST_F(BroadbandTest, SinksOutlivingTheServiceAreDetached)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    auto session = std::make_unique<MobileBroadband>(&window.target, service.get());
    ASSERT_TRUE(session->Connect());
    BroadbandSmsEvents sink(&window.target);
    ASSERT_TRUE(sink.Connect(service.get()));
    EXPECT_TRUE(sink.IsConnected());

    service.reset();
    EXPECT_FALSE(sink.IsConnected());
    // Neither reaches the freed service (AddressSanitizer reports it if they do).
    sink.Disconnect();
    session->Disconnect();
    session.reset();
    EXPECT_FALSE(sink.IsConnected());
}

TEST_F(BroadbandTest, DevicesReportingOneDeviceIdGetTheSameIdsWhicheverOpensFirst)
{
    Modem first(dir.path(), "first");
    Modem second(dir.path(), "second");
    // ID of each path, with the given device opened alone before the other is added.
    auto idsOpening = [&](const Modem& early, const Modem& late, std::string& alone) {
        auto service = Service({&early});
        std::vector<std::shared_ptr<BroadbandInterface>> interfaces;
        service->GetInterfaces(interfaces);
        alone = interfaces.empty() ? std::string() : interfaces[0]->InterfaceID();
        BroadbandInterfaceManagerEvents sink(&window.target);
        sink.Connect(service.get());
        window.Clear();
        service->AddDevicePath(late.Path());
        WaitFor([&] { return window.Events(EV_INTERFACE_ARRIVAL).size() == 2; });
        std::map<std::string, std::string> ids;
        service->GetInterfaces(interfaces);
        for (const auto& iface : interfaces)
            ids[iface->DevicePath()] = iface->InterfaceID();
        return ids;
    };
    std::string firstAlone, secondAlone;
    const auto one = idsOpening(first, second, firstAlone);
    // The device that was alone left under its single-device ID and came back under its own.
    ASSERT_EQ(window.Events(EV_INTERFACE_REMOVAL).size(), 1u);
    EXPECT_EQ(window.Events(EV_INTERFACE_REMOVAL)[0].text, firstAlone);
    const auto other = idsOpening(second, first, secondAlone);
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one, other);
    EXPECT_NE(one.at(first.Path()), one.at(second.Path()));
    // Alone, each keeps the ID of its device ID, which both report.
    EXPECT_EQ(firstAlone, secondAlone);
    EXPECT_NE(one.at(first.Path()), firstAlone);
    EXPECT_NE(one.at(second.Path()), firstAlone);
}

TEST_F(BroadbandTest, MalformedSmsReadReplyIsLoggedAndTheReadFails)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    DeviceWarnings warnings;
    window.Clear();

    struct Fault
    {
        const char* name;
        sim::Damage damage;
    };
    // After format and count come the records' offset/size pairs, the first at byte 8.
    const Fault faults[] = {{"offset past the end", {SIZE_MAX, 8}},
                            {"cut inside the records", {20, {}}},
                            {"cut inside the header", {6, {}}}};
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        window.Clear();
        modem.simulator->damageNext(sim::mbim::Sms, 2, fault.damage);
        ASSERT_TRUE(session.SmsRead(0));
        ASSERT_TRUE(WaitFor([&] { return window.Log().size() >= 2; }));
        EXPECT_EQ(window.Log()[1].rfind("BroadbandSmsEvents::OnSmsReadComplete() -> Error: ", 0), 0u)
            << window.Log()[1];
        EXPECT_TRUE(window.Messages().empty());
        EXPECT_TRUE(warnings.Has("Malformed SMS read answer skipped"));
    }
    // The next, sound reply is read as usual.
    window.Clear();
    ASSERT_TRUE(session.SmsRead(0));
    ASSERT_TRUE(WaitFor([&] { return window.Messages().size() == 4; }));
}

TEST_F(BroadbandTest, ShortIndicationsAreLoggedAndSkipped)
{
    Modem modem(dir.path(), "modem");
    auto service = Service({&modem});
    MobileBroadband session(&window.target, service.get());
    ASSERT_TRUE(session.Connect());
    DeviceWarnings warnings;
    window.Clear();

    modem.simulator->damageNext(sim::mbim::Sms, 2, {6, {}});
    modem.simulator->deliverSms({"+15550100777", u"flash", false, true, {}});
    ASSERT_TRUE(WaitFor([&] { return warnings.Has("Malformed class-0 message answer skipped"); }));
    EXPECT_TRUE(window.Messages().empty());
    EXPECT_TRUE(window.Events(EV_SMS_BATCH).empty());

    modem.simulator->damageNext(sim::mbim::BasicConnect, 11, {4, {}});
    modem.simulator->setSignal(5, 0);
    ASSERT_TRUE(WaitFor([&] { return warnings.Has("Malformed signal state answer skipped"); }));
    EXPECT_TRUE(window.Signals().empty());
    std::uint32_t strength = 0;
    ASSERT_TRUE(session.GetSignalStrength(strength));
    EXPECT_EQ(strength, 20u) << "the last sound report stays";

    // Sound indications after them are handled as usual.
    modem.simulator->deliverSms({"+15550100777", u"flash", false, true, {}});
    modem.simulator->setSignal(7, 0);
    ASSERT_TRUE(WaitFor([&] { return window.Messages().size() == 1 && !window.Signals().empty(); }));
    EXPECT_EQ(window.Signals().back(), std::make_pair(std::uintptr_t{1}, std::intptr_t{7}));
}

TEST_F(BroadbandTest, ReadyStateAndPacketServiceChangesRaiseTheirCodes)
{
    sim::ModemSimulator::Options options;
    options.linkPath = (dir.path() + "/locked").toStdString();
    options.modem.simLocked = true;
    sim::ModemSimulator simulator(options);
    ASSERT_TRUE(simulator.start());
    BroadbandService::Options serviceOptions;
    serviceOptions.paths.push_back(simulator.devicePath());
    serviceOptions.scanSysfs = false;
    serviceOptions.watchUdev = false;
    BroadbandService service(serviceOptions);
    service.Start();
    ASSERT_TRUE(service.WaitUntilSettled(waitMs));
    MobileBroadband session(&window.target, &service);
    ASSERT_TRUE(session.Connect());
    window.Clear();

    std::uint32_t requestId = 0;
    ASSERT_TRUE(session.EnterPin(2, "1234", &requestId));
    ASSERT_TRUE(WaitFor([&] { return !window.Events(EV_READY_STATE).empty(); }));
    EXPECT_EQ(window.Events(EV_READY_STATE).front().lParam, 1) << "initialized";
    EXPECT_TRUE(window.Logged("BroadbandInterfaceEvents::OnReadyStateChange()"));

    // Registered after the unlock: attached with the best class the network offers.
    struct Step
    {
        std::uint32_t dataClass;
        const char* line;
    };
    const Step steps[] = {{0x04, "Current data class: DATA_CLASS_UMTS (4)"},
                          {0x08, "Current data class: DATA_CLASS_HSDPA (8)"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.line);
        window.Clear();
        simulator.setDataClass(step.dataClass);
        // The attach after the unlock may still be on its way: the change is the event that names
        // the new class.
        ASSERT_TRUE(WaitFor([&] {
            for (const auto& event : window.Events(EV_PACKET_SERVICE))
                if (event.lParam == static_cast<std::intptr_t>(step.dataClass))
                    return true;
            return false;
        }));
        const auto log = window.Log();
        bool followed = false;
        for (auto entry = log.begin(); entry != log.end(); ++entry)
            if (*entry == "BroadbandRegistrationEvents::OnPacketServiceStateChange()" && entry + 1 != log.end() &&
                *(entry + 1) == step.line)
                followed = true;
        EXPECT_TRUE(followed) << "the change's entry is followed by its class";
    }
}

} // namespace
