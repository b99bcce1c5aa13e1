// Device queries, requests and the phonebook device service against the simulated modem.

#include "support/DeviceHarness.h"

#include <QTemporaryDir>

using namespace harness;

namespace {

const std::string separator(67, '=');

class QueriesTest : public testing::Test
{
protected:
    std::string Link(const char* name) { return (dir.path() + "/" + name).toStdString(); }
    QTemporaryDir dir;
};

// The lines of the log from the first occurrence of first, count lines long.
std::vector<std::string> Block(const std::vector<std::string>& log, const std::string& first, std::size_t count)
{
    auto it = std::find(log.begin(), log.end(), first);
    if (it == log.end() || static_cast<std::size_t>(log.end() - it) < count)
        return {};
    return std::vector<std::string>(it, it + static_cast<long>(count));
}

TEST_F(QueriesTest, RegisteredDeviceBlocksRowsAndValues)
{
    Rig rig(Link("modem"));
    ASSERT_TRUE(rig.connected);
    const auto log = rig.window.Log();
    // Connect logs the blocks in their order, providers between SMS configuration and registration.
    std::vector<std::size_t> at;
    for (const char* heading :
         {"Device information:", "Device status:", "Subscriber information:", "SMS configuration:",
          "Providers information:", "Home provider:", "Registration information:"}) {
        auto it = std::find(log.begin(), log.end(), heading);
        ASSERT_NE(it, log.end()) << heading;
        at.push_back(static_cast<std::size_t>(it - log.begin()));
    }
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    const auto providers = Block(log, "Providers information:", 9);
    ASSERT_EQ(providers.size(), 9u);
    EXPECT_EQ(providers[1], separator);
    EXPECT_EQ(providers[2], "Providers found: 3");
    EXPECT_EQ(providers[3].rfind("Last update: ", 0), 0u);
    EXPECT_EQ(providers[5], "Provider ID: 00101");
    EXPECT_EQ(providers[6], "Provider Name: Simnet");
    EXPECT_EQ(providers[8], "Provider Data Class: DATA_CLASS_GPRS, DATA_CLASS_EDGE, DATA_CLASS_UMTS, "
                            "DATA_CLASS_HSDPA, DATA_CLASS_HSUPA, DATA_CLASS_LTE (63)");
    EXPECT_EQ(Block(log, "Home provider:", 3).at(2), "Provider ID: 00101");

    // Values.
    MobileBroadband& s = *rig.session;
    EXPECT_EQ(s.GetProviderName(), "Simnet");
    EXPECT_FALSE(s.IsRoaming());
    std::uint32_t flags = 0;
    EXPECT_TRUE(s.GetCurrentDataClass(flags));
    EXPECT_EQ(flags, 0x20u);
    std::int32_t state = -1;
    EXPECT_TRUE(s.GetReadyState(state));
    EXPECT_EQ(state, 1);
    EXPECT_TRUE(s.GetSoftwareRadioState(state));
    EXPECT_EQ(state, 1);
    EXPECT_EQ(s.GetCustomDataClass(), "");

    // Status rows.
    rig.window.Clear();
    s.ListDeviceStatus();
    const auto rows = rig.window.Rows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0], "1|Interface|");
    EXPECT_EQ(rows[1], "2|Interface ID|" + s.GetInterfaceID().substr(1, 36));
    std::vector<std::string> groups;
    for (const auto& r : rows)
        if (r.rfind("1|", 0) == 0 && r != "1|Provider|" && r != "1|PIN|")
            groups.push_back(r);
    EXPECT_EQ(groups,
              (std::vector<std::string>{"1|Interface|", "1|Device information|", "1|Device status|",
                                        "1|Subscriber information|", "1|SMS configuration|", "1|Home provider|",
                                        "1|Active provider|", "1|Providers information|", "1|PIN information|"}));
    for (const char* row : {"2|Status|Ready", "2|Emergency|No", "2|Number|+15550100123", "2|SMSC|+15550109999",
                            "2|Registration state|Home", "2|Providers found|3", "2|Name|Parlo Mobile",
                            "2|PIN's found|2", "2|Type|PIN1", "2|Max length|8", "2|Min length|4"})
        EXPECT_TRUE(rig.window.HasRow(row)) << row;

    rig.window.Clear();
    s.ListPreferredProviders();
    EXPECT_EQ(rig.window.Rows(),
              (std::vector<std::string>{"1|Preferred providers|", "2|Providers found|2", "1|Provider|", "2|ID|00101",
                                        "2|Name|Simnet", "2|State|Home, Preferred, Visible, Registered",
                                        "2|Data class|GPRS, EDGE, UMTS, HSDPA, HSUPA, LTE", "1|Provider|", "2|ID|00102",
                                        "2|Name|Parlo Mobile", "2|State|Preferred, Visible", "2|Data class|NA"}));
}

struct SignalCase
{
    std::uint32_t rssi;
    const char* line;
    const char* row;
    bool known;
};

class SignalTest : public QueriesTest, public testing::WithParamInterface<SignalCase>
{ };

TEST_P(SignalTest, IsShownInBothForms)
{
    const SignalCase& c = GetParam();
    Rig rig(Link("modem"));
    ASSERT_TRUE(rig.connected);
    rig.window.Clear();
    rig.simulator->setSignal(c.rssi, 0);
    ASSERT_TRUE(WaitFor([&] { return rig.window.Count(WM_BROADBAND_SIGNAL) > 0; }));
    const Received& signal = rig.window.received.back();
    EXPECT_EQ(signal.wParam, c.known ? 1u : 0u);
    EXPECT_EQ(signal.lParam, c.known ? static_cast<std::intptr_t>(c.rssi) : 0);
    rig.window.Clear();
    rig.session->ShowDeviceInfo();
    EXPECT_TRUE(rig.window.Logged(c.line));
    rig.session->ListDeviceStatus();
    EXPECT_TRUE(rig.window.HasRow(std::string("2|Signal level|") + c.row));
    std::uint32_t strength = 1234;
    EXPECT_EQ(rig.session->GetSignalStrength(strength), c.known);
    EXPECT_EQ(strength, c.known ? c.rssi : 0u);
}

INSTANTIATE_TEST_SUITE_P(Levels, SignalTest,
                         testing::Values(SignalCase{0, "Signal level: -113 dBm (0)", "-113 dBm", true},
                                         SignalCase{20, "Signal level: -73 dBm (20)", "-73 dBm", true},
                                         SignalCase{31, "Signal level: -51 dBm (31)", "-51 dBm", true},
                                         SignalCase{99, "Signal level: Unknown", "Unknown", false}));

TEST_F(QueriesTest, SearchingKeepsTheNameOutOfTheRegisteredProvider)
{
    Rig rig(Link("modem"));
    ASSERT_TRUE(rig.connected);
    rig.window.Clear();
    rig.simulator->setRegistration(2, "00101");
    ASSERT_TRUE(WaitFor([&] { return rig.window.Count(WM_BROADBAND_REGISTRATION) > 0; }));
    BROADBAND_REGISTRATION_DATA record;
    for (const auto& r : rig.window.received)
        if (r.registration)
            record = *r.registration;
    EXPECT_FALSE(record.Registered);
    EXPECT_EQ(record.RegistrationState, "REGISTER_STATE_SEARCHING (2)");
    // The simulated network names no provider while searching; whatever name comes, it is not
    // the registered one.
    rig.session->GetProviderName();
    EXPECT_EQ(rig.session->GetRegisteredProviderName(), "");
    rig.session->ShowRegistration();
    EXPECT_TRUE(rig.window.Logged("Registration state: REGISTER_STATE_SEARCHING (2)"));
    EXPECT_FALSE(rig.session->IsRoaming());
}

TEST_F(QueriesTest, LockedSimIsUnlockedByItsPin)
{
    sim::ModemConfig config;
    config.simLocked = true;
    Rig rig(Link("modem"), config);
    ASSERT_TRUE(rig.connected);
    EXPECT_TRUE(rig.window.Logged("Current status: STATE_DEVICE_LOCKED (6)"));
    std::string homeFailure;
    for (const auto& line : rig.window.Log())
        if (line.rfind("GetHomeProvider() -> Failed: ", 0) == 0)
            homeFailure = line;
    EXPECT_FALSE(homeFailure.empty());
    EXPECT_FALSE(rig.window.Logged("Home provider:"));

    // A PIN type the device does not have stops before the device is asked.
    rig.window.Clear();
    EXPECT_FALSE(rig.session->EnterPin(9, "1234"));
    ASSERT_EQ(rig.window.Log().size(), 1u);
    EXPECT_EQ(rig.window.Log()[0].rfind("GetPin() -> Failed: ", 0), 0u);

    // A wrong PIN fails, the right one unlocks and the providers follow.
    std::uint32_t wrong = 0, right = 0;
    ASSERT_TRUE(rig.session->EnterPin(2, "0000", &wrong));
    ASSERT_TRUE(rig.window.AwaitResult(EV_PIN_ENTER_COMPLETE, wrong));
    EXPECT_NE(*rig.window.ResultOf(EV_PIN_ENTER_COMPLETE, wrong), 0);
    ASSERT_TRUE(rig.session->EnterPin(2, "1234", &right));
    EXPECT_TRUE(rig.window.Logged("EnterPin() -> Ok, RequestID = " + std::to_string(right)));
    ASSERT_TRUE(rig.window.AwaitResult(EV_PIN_ENTER_COMPLETE, right));
    EXPECT_EQ(*rig.window.ResultOf(EV_PIN_ENTER_COMPLETE, right), 0);
    EXPECT_TRUE(
        rig.window.Logged("BroadbandPinEvents::OnEnterComplete() -> Ok, Request ID = " + std::to_string(right)));
    ASSERT_TRUE(WaitFor([&] { return !rig.window.Events(EV_HOME_PROVIDER).empty(); }));
    const auto ready = rig.window.Events(EV_READY_STATE);
    ASSERT_FALSE(ready.empty());
    EXPECT_EQ(ready.back().lParam, 1);
    rig.window.Clear();
    rig.session->ShowProviders();
    EXPECT_TRUE(rig.window.Logged("Home provider:"));
}

TEST_F(QueriesTest, RadioOffInvalidatesTheProvidersAndOnRestoresThem)
{
    Rig rig(Link("modem"));
    ASSERT_TRUE(rig.connected);
    rig.window.Clear();
    std::uint32_t off = 0;
    ASSERT_TRUE(rig.session->SetSoftwareRadioState(0, &off));
    EXPECT_TRUE(rig.window.Logged("SetSoftwareRadioState() -> Ok, Request ID: " + std::to_string(off)));
    ASSERT_TRUE(WaitFor([&] {
        const auto radio = rig.window.Events(EV_RADIO_STATE);
        return !radio.empty() && radio.back().lParam == 0;
    }));
    std::int32_t state = -1;
    EXPECT_TRUE(rig.session->GetSoftwareRadioState(state));
    EXPECT_EQ(state, 0);
    rig.window.Clear();
    rig.session->ShowProviders();
    EXPECT_TRUE(rig.window.Logged("Cache of the visible network list is invalid"));
    rig.session->ListVisibleProviders();
    EXPECT_EQ(rig.window.Rows(), (std::vector<std::string>{"1|Providers information|",
                                                           "2|Status|Cache of the visible network list is invalid"}));
    // Scanning with the radio off is refused at once, with its error box.
    rig.window.Clear();
    EXPECT_FALSE(rig.session->ScanNetwork());
    ASSERT_EQ(rig.window.Rows().size(), 1u);
    EXPECT_EQ(rig.window.Rows()[0].rfind("4|Network|Operation could not be completed:\n\r", 0), 0u);

    rig.window.Clear();
    ASSERT_TRUE(rig.session->SetSoftwareRadioState(1));
    ASSERT_TRUE(WaitFor([&] {
        const auto radio = rig.window.Events(EV_RADIO_STATE);
        return !radio.empty() && radio.back().lParam == 1;
    }));
    ASSERT_TRUE(WaitFor([&] {
        std::vector<BroadbandProvider> providers;
        std::uint32_t age = 0;
        std::shared_ptr<BroadbandInterface> iface;
        return !Failed(rig.service->GetInterface(rig.session->GetInterfaceID(), iface)) &&
               !Failed(iface->GetVisibleProviders(age, providers));
    }));
}

TEST_F(QueriesTest, ScanInProgressThenCompleted)
{
    sim::ModemConfig config;
    config.scanDelayMs = 300;
    Rig rig(Link("modem"), config);
    ASSERT_TRUE(rig.connected);
    rig.window.Clear();
    std::uint32_t scan = 0;
    ASSERT_TRUE(rig.session->ScanNetwork(&scan));
    EXPECT_TRUE(rig.window.Logged("ScanNetwork() -> Ok, Request ID = " + std::to_string(scan)));
    rig.session->ShowProviders();
    EXPECT_EQ(
        Block(rig.window.Log(), "Providers information:", 3),
        (std::vector<std::string>{"Providers information:", separator,
                                  "The information is not yet available. An active network scan is in progress..."}));
    rig.session->ListVisibleProviders();
    EXPECT_EQ(rig.window.Rows(),
              (std::vector<std::string>{
                  "1|Providers information|",
                  "2|Status|The information is not yet available. An active network scan is in progress"}));

    ASSERT_TRUE(rig.window.AwaitResult(EV_SCAN_NETWORK_COMPLETE, scan));
    EXPECT_EQ(*rig.window.ResultOf(EV_SCAN_NETWORK_COMPLETE, scan), 0);
    rig.window.Clear();
    rig.session->ShowProviders();
    EXPECT_TRUE(rig.window.Logged("Providers found: 3"));
    EXPECT_TRUE(rig.window.Logged("Last update: 0 seconds"));
    rig.session->ListVisibleProviders();
    EXPECT_TRUE(rig.window.HasRow("2|Status|Updated 0 seconds ago"));
    EXPECT_TRUE(rig.window.HasRow("2|Data class|CUSTOM") || rig.window.HasRow("2|Data class|NA"));
}

TEST_F(QueriesTest, RegisterModeManualForbiddenAndAutomatic)
{
    Rig rig(Link("modem"));
    ASSERT_TRUE(rig.connected);
    std::uint32_t manual = 0, forbidden = 0, automatic = 0;
    ASSERT_TRUE(rig.session->SetRegisterMode("00102", 0, &manual));
    EXPECT_TRUE(rig.window.Logged("Registration -> SetRegisterMode() -> Ok, RequestID = " + std::to_string(manual)));
    ASSERT_TRUE(rig.window.AwaitResult(EV_SET_REGISTER_MODE_COMPLETE, manual));
    EXPECT_EQ(*rig.window.ResultOf(EV_SET_REGISTER_MODE_COMPLETE, manual), 0);
    EXPECT_TRUE(rig.session->IsRoaming());
    EXPECT_EQ(rig.session->GetProviderName(), "Parlo Mobile");

    ASSERT_TRUE(rig.session->SetRegisterMode("00103", 0, &forbidden));
    ASSERT_TRUE(rig.window.AwaitResult(EV_SET_REGISTER_MODE_COMPLETE, forbidden));
    EXPECT_NE(*rig.window.ResultOf(EV_SET_REGISTER_MODE_COMPLETE, forbidden), 0);

    ASSERT_TRUE(rig.session->SetRegisterMode("", 0, &automatic));
    ASSERT_TRUE(rig.window.AwaitResult(EV_SET_REGISTER_MODE_COMPLETE, automatic));
    EXPECT_EQ(*rig.window.ResultOf(EV_SET_REGISTER_MODE_COMPLETE, automatic), 0);
    EXPECT_TRUE(WaitFor([&] { return rig.session->GetProviderName() == "Simnet"; }));
    EXPECT_FALSE(rig.session->IsRoaming());
}

TEST_F(QueriesTest, PhonebookConfigurationWriteReadDelete)
{
    Rig rig(Link("modem"));
    ASSERT_TRUE(rig.connected);
    MobileBroadband& s = *rig.session;
    rig.window.Clear();
    // Nothing is asked before the service is open.
    s.GetPhonebookInfo();
    EXPECT_EQ(rig.window.Log(), (std::vector<std::string>{"MobileBroadband::GetPhonebookInfo()", "Not connected"}));

    ASSERT_TRUE(s.DeviceServicesConnect());
    EXPECT_TRUE(rig.window.Logged("Set device services events -> Ok"));
    EXPECT_TRUE(rig.window.Logged(std::string("Service ID: ") + PhonebookServiceID));
    ASSERT_TRUE(WaitFor([&] { return !rig.window.Events(EV_QUERY_SUPPORTED_COMMANDS_COMPLETE).empty(); }));
    EXPECT_TRUE(rig.window.Logged("Command ID: 4"));
    ASSERT_TRUE(s.DeviceServiceOpen(PhonebookServiceID));
    ASSERT_TRUE(s.CommandSessionOpen());
    ASSERT_TRUE(WaitFor([&] { return !rig.window.Events(EV_OPEN_COMMAND_SESSION_COMPLETE).empty(); }));

    rig.window.Clear();
    std::uint32_t id = 0;
    ASSERT_TRUE(s.GetPhonebookInfo(&id));
    ASSERT_TRUE(rig.window.AwaitResult(EV_QUERY_COMMAND_COMPLETE, id));
    EXPECT_TRUE(rig.window.Logged("BroadbandDeviceServicesEvents::OnQueryCommandComplete() -> Ok, Request ID = " +
                                  std::to_string(id) + ", Response ID = 1"));
    EXPECT_EQ(Block(rig.window.Log(), "Response -> Configuration", 6),
              (std::vector<std::string>{"Response -> Configuration", "State = Initialized (1)", "TotalEntries = 50",
                                        "UsedEntries = 5", "MaxNumberLength = 20", "MaxNameLength = 14"}));

    for (const auto& [name, number] : {std::pair<QString, QString>{"Test", "1234567890"}, {"", "555"}}) {
        rig.window.Clear();
        ASSERT_TRUE(s.SetPhonebookData(name, number, &id));
        const std::size_t size = 24 + 2 * static_cast<std::size_t>(name.size() + number.size());
        EXPECT_TRUE(rig.window.Logged("DeviceService->SetCommand(): CreateByteSafeArray: " + std::to_string(size)));
        ASSERT_TRUE(rig.window.AwaitResult(EV_SET_COMMAND_COMPLETE, id));
        EXPECT_EQ(*rig.window.ResultOf(EV_SET_COMMAND_COMPLETE, id), 0) << number.toStdString();
    }

    rig.window.Clear();
    ASSERT_TRUE(s.GetPhonebookData(&id));
    ASSERT_TRUE(rig.window.AwaitResult(EV_QUERY_COMMAND_COMPLETE, id));
    EXPECT_TRUE(rig.window.Logged("Data->Count = 7"));
    const auto entries = rig.window.Entries();
    ASSERT_EQ(entries.size(), 7u);
    std::optional<std::uint32_t> written;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].Position, static_cast<std::int32_t>(i));
        if (entries[i].Name == "Test" && entries[i].Number == "1234567890")
            written = entries[i].EntryIndex;
    }
    ASSERT_TRUE(written.has_value());

    rig.window.Clear();
    ASSERT_TRUE(s.DeletePhonebookData(*written, &id));
    ASSERT_TRUE(rig.window.AwaitResult(EV_SET_COMMAND_COMPLETE, id));
    EXPECT_EQ(*rig.window.ResultOf(EV_SET_COMMAND_COMPLETE, id), 0);
    rig.window.Clear();
    ASSERT_TRUE(s.GetPhonebookData(&id));
    ASSERT_TRUE(rig.window.AwaitResult(EV_QUERY_COMMAND_COMPLETE, id));
    EXPECT_EQ(rig.window.Entries().size(), 6u);

    // Closing the service closes its command session first.
    rig.window.Clear();
    EXPECT_TRUE(s.DeviceServiceClose());
    EXPECT_TRUE(rig.window.Logged("MobileBroadband::DeviceServiceClose() -> Command Session Status -> Active"));
    EXPECT_TRUE(rig.window.Logged("DeviceService -> Disconnect() -> Ok"));
    s.DeviceServicesDisconnect();
    EXPECT_TRUE(rig.window.Logged("DeviceServicesManager -> Disconnect() -> Ok"));
}

} // namespace
