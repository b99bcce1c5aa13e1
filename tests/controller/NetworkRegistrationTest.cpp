// The network registration wizard against the simulated modem: its connection, the operator
// scan and the list it fills, the data-class bits and texts, the review, the registration and
// its status, refusals and errors, and the wizard without a service.

#include "support/DeviceHarness.h"

#include "controller/NetworkRegistration.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace harness;

namespace {

const std::string prefix = "Network -> Registration -> ";

// Through Next and Back, as the user goes.
void GoTo(NetworkRegistration& w, RegistrationPage page)
{
    while (w.Page() < page && w.NextEnabled())
        w.Next();
    while (w.Page() > page && w.BackEnabled())
        w.Back();
    ASSERT_EQ(w.Page(), page);
}

// From the welcome page to the operator page, then a scan that has ended.
bool Scan(NetworkRegistration& w)
{
    if (w.Page() == RegistrationPage::Welcome)
        w.Next();
    w.ChooseOperatorManual();
    return w.Scanning() && WaitFor([&] { return !w.Scanning(); });
}

class NetworkRegistrationTest : public testing::Test
{
protected:
    std::unique_ptr<Rig> Modem(sim::ModemConfig config = {})
    {
        config.demoContents = false;
        config.scanDelayMs = 200;
        auto rig = std::make_unique<Rig>((dir.path() + "/modem").toStdString(), config);
        EXPECT_TRUE(rig->connected);
        return rig;
    }
    std::unique_ptr<NetworkRegistration> Open(BroadbandService* service, const std::string& interfaceId)
    {
        auto w = std::make_unique<NetworkRegistration>(
            [this](const QString& text) { log.push_back(text.toStdString()); }, &context, service, interfaceId);
        w->Start();
        return w;
    }
    std::unique_ptr<NetworkRegistration> Open(Rig& rig)
    {
        return Open(rig.service.get(), rig.session->GetInterfaceID());
    }
    static std::shared_ptr<BroadbandInterface> Interface(Rig& rig)
    {
        std::shared_ptr<BroadbandInterface> iface;
        rig.service->GetInterface(rig.session->GetInterfaceID(), iface);
        return iface;
    }
    bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), prefix + line) != log.end(); }
    std::size_t Count(const std::string& line) const
    {
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), prefix + line));
    }
    bool LoggedStart(const std::string& start) const
    {
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& l) { return l.rfind(prefix + start, 0) == 0; });
    }
    template <class T> static T OnModem(Rig& rig, T sim::Network::*field)
    {
        T value{};
        rig.simulator->withCore([&](sim::ModemCore& core) { value = core.network().*field; });
        return value;
    }

    QTemporaryDir dir;
    QObject context;
    std::vector<std::string> log;
};

} // namespace

TEST_F(NetworkRegistrationTest, WithoutAServiceEveryOperationSaysNotConnected)
{
    auto w = Open(nullptr, "{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(log.front(), prefix + "InterfaceManager -> Connect() -> Failed: " + ComErrorText(Hr::ServiceNotStarted));
    EXPECT_FALSE(w->Connected());

    w->Next();
    w->ChooseOperatorManual();
    EXPECT_FALSE(w->OperatorManual()) << "no scan, so back to automatic";
    EXPECT_FALSE(w->Scanning());
    w->RefreshStatus();
    EXPECT_TRUE(w->StatusLines().isEmpty());
    // The pages still work, and Register gets as far as asking for the interface.
    GoTo(*w, RegistrationPage::Review);
    ASSERT_TRUE(w->RegisterEnabled());
    w->Register();
    EXPECT_FALSE(w->Registering());
    EXPECT_EQ(Count("Not connected"), 3u);
    for (const char* line :
         {"Registration", "Registration mode: AUTOMATIC", "Prefered data class: DATA_CLASS_NONE (0)"})
        EXPECT_TRUE(Logged(line)) << line;
    w.reset();
    EXPECT_FALSE(LoggedStart("InterfaceManager -> Disconnect()"));
}

TEST_F(NetworkRegistrationTest, ConnectsItsOwnSinksAndReadsTheCapabilities)
{
    auto rig = Modem();
    auto w = Open(*rig);
    const std::vector<std::string> expected = {
        "InterfaceManager -> Connect() -> Ok",          "InterfaceID: " + rig->session->GetInterfaceID(),
        "BroadbandRegistrationEvents::Connect() -> Ok", "Set Registration events -> Ok",
        "BroadbandInterfaceEvents::Connect() -> Ok",    "Set Interface events -> Ok"};
    std::vector<std::string> prefixed;
    for (const auto& line : expected)
        prefixed.push_back(prefix + line);
    EXPECT_EQ(log, prefixed);
    // A plain modem has neither 5G nor a custom data class; a double-click shows both anyway.
    EXPECT_TRUE(w->CustomDataClass().isEmpty());
    EXPECT_FALSE(w->BoxVisible(DataClassBox::Custom));
    EXPECT_FALSE(w->BoxVisible(DataClassBox::FiveG));
    w->ShowAllDataClasses();
    EXPECT_TRUE(w->BoxVisible(DataClassBox::Custom));
    EXPECT_TRUE(w->BoxVisible(DataClassBox::FiveG));
    EXPECT_EQ(w->BoxCaption(DataClassBox::Custom), QStringLiteral("CUSTOM"));

    w.reset();
    EXPECT_EQ(log.back(), prefix + "InterfaceManager -> Disconnect() -> Ok");
    EXPECT_TRUE(Logged("BroadbandRegistrationEvents::Disconnect() -> Ok"));
    EXPECT_TRUE(Logged("BroadbandInterfaceEvents::Disconnect() -> Ok"));
}

TEST_F(NetworkRegistrationTest, ACustomDataClassNamesItsBoxAndItsTexts)
{
    sim::ModemConfig config;
    config.customDataClass = "Mesh";
    config.moreDataClasses = 0x40 | 0x80;
    auto rig = Modem(config);
    auto w = Open(*rig);
    EXPECT_TRUE(Logged("Custom data class: Mesh"));
    EXPECT_TRUE(w->BoxVisible(DataClassBox::Custom));
    EXPECT_TRUE(w->BoxVisible(DataClassBox::FiveG));
    EXPECT_EQ(w->BoxCaption(DataClassBox::Custom), QStringLiteral("Mesh"));

    GoTo(*w, RegistrationPage::DataClass);
    w->ChooseDataClassManual();
    w->SetDataClassChecked(DataClassBox::Custom, true);
    w->SetDataClassChecked(DataClassBox::FiveG, true);
    GoTo(*w, RegistrationPage::Review);
    EXPECT_EQ(w->VerifyDataClass(), QStringLiteral("5G NSA, 5G SA, Mesh"));
    w->Register();
    EXPECT_TRUE(
        Logged("Prefered data class: MBN_DATA_CLASS_5G_NSA, MBN_DATA_CLASS_5G_SA, DATA_CLASS_CUSTOM (2147483840)"));
    ASSERT_TRUE(WaitFor([&] { return w->Page() == RegistrationPage::Status; }));
    EXPECT_EQ(w->LabelA41(), QStringLiteral("The operation is completed successfully."));
}

TEST_F(NetworkRegistrationTest, AScanFillsTheListAndPreselectsTheHomeProvider)
{
    auto rig = Modem();
    auto w = Open(*rig);
    w->Next();
    w->ChooseOperatorManual();
    ASSERT_TRUE(w->Scanning());
    EXPECT_TRUE(w->OperatorManual());
    EXPECT_TRUE(w->OperatorListEnabled());
    EXPECT_FALSE(w->OperatorChoiceEnabled());
    EXPECT_FALSE(w->NextEnabled());
    EXPECT_FALSE(w->BackEnabled());
    EXPECT_TRUE(w->Operators().empty());
    EXPECT_TRUE(LoggedStart("ScanNetwork() -> Ok, Request ID = "));
    w->Next();
    EXPECT_EQ(w->Page(), RegistrationPage::Operator) << "no way on while scanning";

    ASSERT_TRUE(WaitFor([&] { return !w->Scanning(); }));
    EXPECT_TRUE(w->NextEnabled());
    EXPECT_TRUE(w->BackEnabled());
    EXPECT_TRUE(w->OperatorChoiceEnabled());
    ASSERT_EQ(w->Operators().size(), 3u);
    const RegistrationOperator& home = w->Operators()[0];
    EXPECT_EQ(home.Id, QStringLiteral("00101"));
    EXPECT_EQ(home.Name, QStringLiteral("Simnet"));
    EXPECT_EQ(home.State, QStringLiteral("Home, Preferred, Visible, Registered"));
    EXPECT_EQ(home.DataClass, QStringLiteral("GPRS, EDGE, UMTS, HSDPA, HSUPA, LTE"));
    EXPECT_TRUE(home.Home);
    EXPECT_EQ(w->Operators()[2].Name, QStringLiteral("Closed Cell"));
    EXPECT_EQ(w->Operators()[2].State, QStringLiteral("Forbidden, Visible"));
    EXPECT_EQ(w->Operators()[2].DataClass, QStringLiteral("NA"));
    EXPECT_FALSE(w->Operators()[1].Home);
    EXPECT_EQ(w->SelectedOperator(), 0);
    EXPECT_TRUE(w->WideDataClassColumn());

    // Manual again starts no second scan; Automatic locks the list.
    w->ChooseOperatorManual();
    EXPECT_FALSE(w->Scanning());
    w->ChooseOperatorAuto();
    EXPECT_FALSE(w->OperatorListEnabled());
    EXPECT_FALSE(w->OperatorManual());
}

TEST_F(NetworkRegistrationTest, AListNotYetAvailableStaysEmptyAndBlocksManualRegistration)
{
    auto rig = Modem();
    auto w = Open(*rig);
    w->Next();
    w->ChooseOperatorManual();
    ASSERT_TRUE(w->Scanning());
    // A second scan of another client still runs when this wizard's one ends.
    std::uint32_t other = 0;
    ASSERT_FALSE(Failed(Interface(*rig)->ScanNetwork(other)));
    ASSERT_TRUE(WaitFor([&] { return !w->Scanning(); }));
    EXPECT_TRUE(Logged("The information is not yet available. An active network scan is in progress..."));
    EXPECT_TRUE(w->Operators().empty());
    EXPECT_EQ(w->SelectedOperator(), -1);

    GoTo(*w, RegistrationPage::Review);
    EXPECT_FALSE(w->RegisterEnabled());
    EXPECT_EQ(w->VerifyOperator(), QStringLiteral("Not selected"));
    // The other scan's end does not fill the list behind the user's back.
    std::uint32_t age = 0;
    std::vector<BroadbandProvider> providers;
    ASSERT_TRUE(WaitFor([&] { return !Failed(Interface(*rig)->GetVisibleProviders(age, providers)); }));
    EXPECT_TRUE(w->Operators().empty());
}

TEST_F(NetworkRegistrationTest, TheReviewShowsTheChoice)
{
    auto rig = Modem();
    auto w = Open(*rig);
    ASSERT_TRUE(Scan(*w));
    w->SelectOperator(1);
    GoTo(*w, RegistrationPage::DataClass);
    w->ChooseDataClassManual();
    w->SetDataClassChecked(DataClassBox::Gprs, true);
    w->SetDataClassChecked(DataClassBox::Lte, true);
    GoTo(*w, RegistrationPage::Review);
    EXPECT_FALSE(w->NextEnabled());
    EXPECT_TRUE(w->BackEnabled());
    EXPECT_TRUE(w->RegisterEnabled());
    EXPECT_EQ(w->LabelA31(), QStringLiteral("Now you are ready to register."));
    EXPECT_EQ(w->LabelA32(), QStringLiteral("Please review your choice and then press Register button to complete "
                                            "network registration. "));
    EXPECT_EQ(w->VerifyOperator(), QStringLiteral("Parlo Mobile"));
    EXPECT_EQ(w->VerifyDataClass(), QStringLiteral("GPRS, LTE"));

    GoTo(*w, RegistrationPage::Operator);
    w->SelectOperator(-1);
    GoTo(*w, RegistrationPage::Review);
    EXPECT_FALSE(w->RegisterEnabled());
    EXPECT_EQ(w->VerifyOperator(), QStringLiteral("Not selected"));
    EXPECT_EQ(w->LabelA31(), QStringLiteral("It is not possible to complete registration now."));
    EXPECT_EQ(w->LabelA32(), QStringLiteral("Please return back and select operator from the list or set automatic "
                                            "operator selection..."));
    w->Register();
    EXPECT_FALSE(w->Registering()) << "a disabled Register does nothing";
    EXPECT_FALSE(Logged("Registration"));

    GoTo(*w, RegistrationPage::Operator);
    w->ChooseOperatorAuto();
    GoTo(*w, RegistrationPage::DataClass);
    w->ChooseDataClassAuto();
    GoTo(*w, RegistrationPage::Review);
    EXPECT_TRUE(w->RegisterEnabled());
    EXPECT_EQ(w->VerifyOperator(), QStringLiteral("Automatic selection"));
    EXPECT_EQ(w->VerifyDataClass(), QStringLiteral("Automatic selection"));
    EXPECT_EQ(w->LabelA31(), QStringLiteral("Now you are ready to register."));
}

struct BitsCase
{
    const char* what;
    bool manual;
    std::vector<DataClassBox> checked;
    std::uint32_t bits;
    const char* review;
};

class DataClassBits : public testing::TestWithParam<BitsCase>
{ };

TEST_P(DataClassBits, FollowTheBoxes)
{
    const BitsCase& c = GetParam();
    QObject context;
    NetworkRegistration w([](const QString&) {}, &context, nullptr, {});
    w.Start();
    w.ShowAllDataClasses();
    // The choice is made first, so that boxes checked under Automatic are kept but do not count.
    if (c.manual)
        w.ChooseDataClassManual();
    for (DataClassBox box : c.checked)
        w.SetDataClassChecked(box, true);
    EXPECT_EQ(w.DataClassBits(), c.bits);
    EXPECT_EQ(w.BoxesEnabled(), c.manual);
    GoTo(w, RegistrationPage::Review);
    EXPECT_EQ(w.VerifyDataClass().toStdString(), c.review);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, DataClassBits,
    testing::Values(
        BitsCase{"AutomaticIgnoresTheBoxes", false, {DataClassBox::Gprs, DataClassBox::Lte}, 0, "Automatic selection"},
        BitsCase{"AllAloneIsNothing", true, {DataClassBox::All}, 0, "NA"},
        BitsCase{"FiveGIsBothBits", true, {DataClassBox::FiveG}, 0xC0, "5G NSA, 5G SA"},
        BitsCase{"GprsAndLte", true, {DataClassBox::All, DataClassBox::Gprs, DataClassBox::Lte}, 0x21, "GPRS, LTE"},
        BitsCase{"Custom", true, {DataClassBox::Custom}, 0x80000000, "CUSTOM"},
        BitsCase{"EveryBox",
                 true,
                 {DataClassBox::All, DataClassBox::Gprs, DataClassBox::Edge, DataClassBox::Umts, DataClassBox::Hsupa,
                  DataClassBox::Hsdpa, DataClassBox::Custom, DataClassBox::Lte, DataClassBox::FiveG},
                 0x800000FF,
                 "GPRS, EDGE, UMTS, HSDPA, HSUPA, LTE, 5G NSA, 5G SA, CUSTOM"}),
    [](const testing::TestParamInfo<BitsCase>& info) { return std::string(info.param.what); });

TEST_F(NetworkRegistrationTest, RegistersManuallyThenAutomatically)
{
    auto rig = Modem();
    auto w = Open(*rig);
    ASSERT_TRUE(Scan(*w));
    w->SelectOperator(1);
    GoTo(*w, RegistrationPage::Review);
    w->Register();
    ASSERT_TRUE(w->Registering());
    for (const char* line : {"Registration", "Registration mode: MANUAL", "Provider ID: 00102",
                             "Prefered data class: DATA_CLASS_NONE (0)"})
        EXPECT_TRUE(Logged(line)) << line;
    EXPECT_TRUE(LoggedStart("Registration -> SetRegisterMode() -> Ok, RequestID = "));
    w->Register();
    EXPECT_EQ(Count("Registration"), 1u) << "one request at a time";

    ASSERT_TRUE(WaitFor([&] { return !w->Registering(); }));
    EXPECT_EQ(w->Page(), RegistrationPage::Status);
    EXPECT_TRUE(w->BackEnabled());
    EXPECT_FALSE(w->NextEnabled());
    EXPECT_EQ(w->LabelA41(), QStringLiteral("The operation is completed successfully."));
    EXPECT_EQ(w->LabelA42(), QStringLiteral("Please find information below about current registration status."));
    EXPECT_EQ(OnModem(*rig, &sim::Network::registeredId), "00102");
    EXPECT_EQ(OnModem(*rig, &sim::Network::registerMode), sim::ModeManual);
    // The packet service follows the registration and the status with it.
    const QStringList manual = {"Provider ID: 00102",
                                "Provider name: Parlo Mobile",
                                "Registration status: Roaming",
                                "Roaming text: Roaming",
                                "Registration mode: Manual",
                                "Current data class: HSDPA",
                                "Available data classes: GPRS, EDGE, UMTS, HSDPA"};
    EXPECT_TRUE(WaitFor([&] { return w->StatusLines() == manual; })) << w->StatusLines().join('|').toStdString();

    GoTo(*w, RegistrationPage::Operator);
    w->ChooseOperatorAuto();
    GoTo(*w, RegistrationPage::DataClass);
    w->ChooseDataClassManual();
    w->SetDataClassChecked(DataClassBox::Gprs, true);
    w->SetDataClassChecked(DataClassBox::Lte, true);
    GoTo(*w, RegistrationPage::Review);
    w->Register();
    EXPECT_TRUE(Logged("Registration mode: AUTOMATIC"));
    EXPECT_TRUE(Logged("Prefered data class: DATA_CLASS_GPRS, DATA_CLASS_LTE (33)"));
    ASSERT_TRUE(WaitFor([&] { return w->Page() == RegistrationPage::Status; }));
    EXPECT_EQ(OnModem(*rig, &sim::Network::registeredId), "00101");
    EXPECT_EQ(OnModem(*rig, &sim::Network::registerMode), sim::ModeAutomatic);
    EXPECT_EQ(OnModem(*rig, &sim::Network::requestedDataClasses), 0x21u);
    const QStringList automatic = {"Provider ID: 00101",        "Provider name: Simnet",
                                   "Registration status: Home", "Registration mode: Automatic",
                                   "Current data class: LTE",   "Available data classes: GPRS, LTE"};
    EXPECT_TRUE(WaitFor([&] { return w->StatusLines() == automatic; })) << w->StatusLines().join('|').toStdString();
}

struct RefusalCase
{
    const char* what;
    bool radioOff;
    int row; // the operator chosen
    HRESULT status;
    const char* statusLine; // a line the status shows afterwards, or none
};

class RegistrationRefused : public NetworkRegistrationTest, public testing::WithParamInterface<RefusalCase>
{ };

TEST_P(RegistrationRefused, ShowsTheErrorOnTheStatusPage)
{
    const RefusalCase& c = GetParam();
    auto rig = Modem();
    auto w = Open(*rig);
    ASSERT_TRUE(Scan(*w));
    w->SelectOperator(c.row);
    if (c.radioOff) {
        rig->simulator->setRadio(false);
        std::int32_t radio = 1;
        ASSERT_TRUE(WaitFor([&] { return !Failed(Interface(*rig)->GetSoftwareRadioState(radio)) && radio == 0; }));
    }
    GoTo(*w, RegistrationPage::Review);
    w->Register();
    ASSERT_TRUE(w->Registering());
    ASSERT_TRUE(WaitFor([&] { return !w->Registering(); }));
    EXPECT_EQ(w->Page(), RegistrationPage::Status);
    EXPECT_EQ(w->LabelA41(), QStringLiteral("The operation could not be completed:"));
    EXPECT_EQ(w->LabelA42().toStdString(), HresultText(c.status) + ".");
    if (c.statusLine) {
        EXPECT_TRUE(WaitFor([&] { return w->StatusLines().contains(QString::fromLatin1(c.statusLine)); }))
            << w->StatusLines().join('|').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Registration, RegistrationRefused,
                         testing::Values(RefusalCase{"ForbiddenOperator", false, 2, Hr::Failure,
                                                     "Registration network error: 11"},
                                         RefusalCase{"RadioOff", true, 1, Hr::RadioPowerOff, nullptr}),
                         [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.what); });

TEST_F(NetworkRegistrationTest, ARegistrationRefusedAtOnceLeavesThePageAsItWas)
{
    auto rig = Modem();
    auto w = Open(*rig);
    GoTo(*w, RegistrationPage::Review);
    rig->simulator->unplug();
    ASSERT_TRUE(WaitFor([&] { return Interface(*rig) == nullptr; }));
    w->Register();
    EXPECT_TRUE(Logged("InterfaceManager -> GetInterface() -> Failed"));
    EXPECT_FALSE(w->Registering());
    EXPECT_EQ(w->Page(), RegistrationPage::Review);
    EXPECT_TRUE(w->RegisterEnabled()) << "the user may try again";
}

TEST_F(NetworkRegistrationTest, RequestsOfOtherClientsDoNotMoveTheWizard)
{
    auto rig = Modem();
    auto w = Open(*rig);
    GoTo(*w, RegistrationPage::Operator);
    // The main window registers and scans on the same device.
    std::uint32_t scan = 0;
    ASSERT_FALSE(Failed(Interface(*rig)->ScanNetwork(scan)));
    std::uint32_t registration = 0;
    ASSERT_FALSE(Failed(Interface(*rig)->SetRegisterMode("00102", 0, registration)));
    ASSERT_TRUE(rig->window.AwaitResult(EV_SET_REGISTER_MODE_COMPLETE, registration));
    ASSERT_TRUE(rig->window.AwaitResult(EV_SCAN_NETWORK_COMPLETE, scan));
    EXPECT_EQ(w->Page(), RegistrationPage::Operator);
    EXPECT_TRUE(w->Operators().empty());
    EXPECT_TRUE(w->LabelA41().isEmpty());
    // Its registration events still update the status.
    EXPECT_TRUE(WaitFor([&] { return w->StatusLines().contains(QStringLiteral("Provider ID: 00102")); }));
}
