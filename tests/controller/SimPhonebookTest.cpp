// The SIM phonebook wizard against the simulated modem: its connection, the memory status, the
// entries marked against the contacts, the choice, the import, and answers that are missing,
// damaged, failed or late.

#include "support/DeviceHarness.h"
#include "support/Fakes.h"

#include "controller/SimPhonebook.h"
#include "sim/Mbim.h"
#include "storage/Database.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace harness;

namespace {

// Records what the wizard asks of its window; refuses every call once the wizard is gone.
struct Host : SimPhonebookHost
{
    void WriteStatus(const QString& text) override
    {
        EXPECT_FALSE(closed) << "log after close: " << text.toStdString();
        log.push_back(text.toStdString());
    }
    UserPrompts& Prompts() override { return prompts; }
    void WaitCursor(bool on) override
    {
        EXPECT_FALSE(closed) << "cursor after close";
        cursors += on ? 1 : -1;
        EXPECT_GE(cursors, 0);
        EXPECT_LE(cursors, 1);
    }
    // A line that begins so.
    bool Logged(const std::string& line) const
    {
        const std::string prefixed = "SIM -> Contacts -> " + line;
        return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(prefixed, 0) == 0; });
    }
    std::size_t Count(const std::string& line) const
    {
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), "SIM -> Contacts -> " + line));
    }

    std::vector<std::string> log;
    testsupport::ScriptedPrompts prompts;
    int cursors = 0;
    bool closed = false;
};

DATABASE_CONTACTS_DATA Contact(const char* name, const char* number)
{
    DATABASE_CONTACTS_DATA c;
    c.Contact = QString::fromUtf8(name);
    c.Number = QString::fromUtf8(number);
    return c;
}

// The simulated modem (its SIM holds Alice, Bob, Mama, Voicemail and Office), a database with
// contacts that match some of them, and the wizard over both.
class SimPhonebookTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(database.Open(dir.filePath(QStringLiteral("contacts.db"))));
        for (const auto& c :
             {Contact("Bob", "+15550100999"), Contact("Grandma", "+79001234567"), Contact("Office", "+15550100555")})
            ASSERT_TRUE(database.InsertContact(c));
    }
    std::string Link(const char* name) { return (dir.path() + "/" + name).toStdString(); }
    std::unique_ptr<SimPhonebook> Open(Rig& rig, const std::string& interfaceId)
    {
        return std::make_unique<SimPhonebook>(host, &context, rig.service.get(), interfaceId, database);
    }
    std::unique_ptr<SimPhonebook> Open(Rig& rig) { return Open(rig, rig.session->GetInterfaceID()); }
    static bool Settle(SimPhonebook& w)
    {
        return WaitFor([&] { return !w.Busy(); });
    }
    // Through the memory page to the contacts page, each request answered.
    static void ToContacts(SimPhonebook& w)
    {
        w.Start();
        w.Next();
        ASSERT_TRUE(Settle(w));
        w.Next();
        ASSERT_EQ(w.Page(), SimPage::Contacts);
        ASSERT_TRUE(Settle(w));
    }
    int Row(SimPhonebook& w, const char* name)
    {
        for (int i = 0; i < w.Contacts().Count(); ++i)
            if (w.Contacts().At(i).Name == QString::fromUtf8(name))
                return i;
        ADD_FAILURE() << "no row " << name;
        return -1;
    }

    QTemporaryDir dir;
    QObject context;
    QDatabase database{nullptr};
    Host host;
};

TEST_F(SimPhonebookTest, ConnectsToThePhonebookService)
{
    Rig rig(Link("modem"));
    ASSERT_TRUE(rig.connected);
    {
        auto w = Open(rig);
        EXPECT_TRUE(w->Available());
        w->Start();
        EXPECT_EQ(w->Page(), SimPage::Welcome);
        EXPECT_FALSE(w->BackEnabled());
        EXPECT_TRUE(w->NextEnabled());
        EXPECT_FALSE(w->WelcomeStatusVisible());
        EXPECT_EQ(w->WelcomeNext(), QStringLiteral("To continue please press Next button..."));
    }
    EXPECT_EQ(host.log,
              (std::vector<std::string>{"SIM -> Contacts -> DeviceServicesManager -> Connect() -> Ok",
                                        "SIM -> Contacts -> InterfaceID: " + rig.session->GetInterfaceID(),
                                        "SIM -> Contacts -> BroadbandDeviceServicesEvents::Connect() -> Ok",
                                        "SIM -> Contacts -> Set Device Services events -> Ok",
                                        "SIM -> Contacts -> Contacts available -> Yes",
                                        "SIM -> Contacts -> DeviceService -> Disconnect() -> Ok",
                                        "SIM -> Contacts -> DeviceServicesContext -> Disconnect() -> Ok",
                                        "SIM -> Contacts -> BroadbandDeviceServicesEvents::Disconnect() -> Ok",
                                        "SIM -> Contacts -> DeviceServicesManager -> Disconnect() -> Ok"}));
}

struct Unavailable
{
    const char* what;
    bool withService;
    const char* interfaceId;
    const char* failure;    // the line that says why
    const char* disconnect; // the manager's last line
};

void PrintTo(const Unavailable& c, std::ostream* os)
{
    *os << c.what;
}

class SimPhonebookUnavailable : public SimPhonebookTest, public testing::WithParamInterface<Unavailable>
{ };

TEST_P(SimPhonebookUnavailable, StopsOnTheWelcomePage)
{
    const Unavailable& c = GetParam();
    Rig rig(Link("modem"));
    {
        auto w = std::make_unique<SimPhonebook>(host, &context, c.withService ? rig.service.get() : nullptr,
                                                c.interfaceId, database);
        w->Start();
        EXPECT_FALSE(w->Available());
        EXPECT_TRUE(w->WelcomeStatusVisible());
        EXPECT_FALSE(w->NextEnabled());
        EXPECT_EQ(w->WelcomeNext(), QStringLiteral("To exit please press Close button..."));
        w->Next();
        EXPECT_EQ(w->Page(), SimPage::Welcome);
        EXPECT_FALSE(w->Busy());
    }
    EXPECT_TRUE(host.Logged(c.failure)) << c.failure;
    EXPECT_TRUE(host.Logged("Contacts available -> No"));
    EXPECT_TRUE(host.Logged(c.disconnect));
    EXPECT_FALSE(host.Logged("DeviceService -> Disconnect() -> Ok"));
    EXPECT_FALSE(host.Logged("DeviceServicesContext -> Disconnect() -> Ok"));
    EXPECT_EQ(host.cursors, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimPhonebookUnavailable,
    testing::Values(Unavailable{"no service", false, "", "DeviceServicesManager -> Connect() -> Failed: ",
                                "DeviceServicesManager -> Disconnect() -> Not connected"},
                    Unavailable{"unknown interface", true, "{00000000-0000-0000-0000-000000000000}",
                                "DeviceServicesManager -> GetDeviceServicesContext() -> Failed: Element not found",
                                "DeviceServicesManager -> Disconnect() -> Ok"}),
    [](const auto& info) { return std::string(info.param.withService ? "UnknownInterface" : "NoService"); });

TEST_F(SimPhonebookTest, ShowsTheMemoryStatus)
{
    Rig rig(Link("modem"));
    auto w = Open(rig);
    w->Start();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(w->MemoryInfo(i), QStringLiteral("-"));
    host.log.clear();
    w->Next();
    EXPECT_EQ(w->Page(), SimPage::Memory);
    EXPECT_TRUE(w->Busy());
    EXPECT_EQ(host.cursors, 1);
    ASSERT_TRUE(Settle(*w));
    EXPECT_EQ(host.cursors, 0);
    EXPECT_TRUE(w->BackEnabled());
    EXPECT_TRUE(w->NextEnabled());
    const QStringList values = {"Initialized", "50", "5", "20", "14"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(w->MemoryInfo(i), values[i]) << i;
    // One request from the session's opening to its closing, in order.
    std::vector<std::string> steps;
    for (const std::string& line : host.log)
        for (const char* step :
             {"DeviceService->OpenCommandSession() -> Ok", "Command session -> Open -> Complete",
              "DeviceService->QueryCommand() -> Ok", "Response -> Configuration", "Query command -> Complete",
              "DeviceService->CloseCommandSession() -> Ok", "Command session -> Close -> Complete"})
            if (line.rfind(std::string("SIM -> Contacts -> ") + step, 0) == 0)
                steps.push_back(step);
    EXPECT_EQ(steps,
              (std::vector<std::string>{
                  "DeviceService->OpenCommandSession() -> Ok", "Command session -> Open -> Complete",
                  "DeviceService->QueryCommand() -> Ok", "Response -> Configuration", "Query command -> Complete",
                  "DeviceService->CloseCommandSession() -> Ok", "Command session -> Close -> Complete"}));
}

struct Marked
{
    const char* name;
    SimRowState state;
    const char* status;
};

TEST_F(SimPhonebookTest, MarksEntriesThatAreAlreadyContacts)
{
    Rig rig(Link("modem"));
    auto w = Open(rig);
    ToContacts(*w);
    ASSERT_EQ(w->Contacts().Count(), 5);
    const Marked expected[] = {{"Alice", SimRowState::NotSelected, ""},
                               {"Bob", SimRowState::Exists, "Name already exist"},
                               {"Mama", SimRowState::Exists, "Number already exist"},
                               {"Voicemail", SimRowState::NotSelected, ""},
                               // Both match: the number's status stands.
                               {"Office", SimRowState::Exists, "Number already exist"}};
    for (const Marked& m : expected) {
        const SimContactRow& row = w->Contacts().At(Row(*w, m.name));
        EXPECT_EQ(row.State, m.state) << m.name;
        EXPECT_EQ(row.Status, QString::fromLatin1(m.status)) << m.name;
    }
    EXPECT_EQ(w->Contacts().At(Row(*w, "Voicemail")).Number, QStringLiteral("121"));
    EXPECT_EQ(w->Contacts().At(Row(*w, "Voicemail")).EntryIndex, 4u);

    // Existing contacts cannot be chosen by any means.
    w->SelectAll();
    for (const Marked& m : expected)
        EXPECT_EQ(w->Contacts().At(Row(*w, m.name)).State,
                  m.state == SimRowState::Exists ? SimRowState::Exists : SimRowState::Selected)
            << m.name;
    w->Toggle(Row(*w, "Office"));
    EXPECT_EQ(w->Contacts().At(Row(*w, "Office")).State, SimRowState::Exists);
    w->Toggle(Row(*w, "Voicemail"));
    EXPECT_EQ(w->Contacts().At(Row(*w, "Voicemail")).State, SimRowState::NotSelected);
    w->UnselectAll();
    EXPECT_EQ(w->Contacts().At(Row(*w, "Alice")).State, SimRowState::NotSelected);
    EXPECT_EQ(w->Contacts().At(Row(*w, "Bob")).State, SimRowState::Exists);
    w->Toggle(-1);
    w->Toggle(99);
}

TEST_F(SimPhonebookTest, ImportsTheChosenEntries)
{
    Rig rig(Link("modem"));
    auto w = Open(rig);
    ToContacts(*w);
    w->Toggle(Row(*w, "Voicemail"));
    w->Toggle(Row(*w, "Alice"));
    w->Next();
    ASSERT_EQ(w->Page(), SimPage::Ready);
    EXPECT_TRUE(w->ImportEnabled());
    EXPECT_FALSE(w->NextEnabled());
    // In list order, numbered from 1.
    ASSERT_EQ(w->ImportRows().size(), 2u);
    EXPECT_EQ(w->ImportRows()[0].Position, 1);
    EXPECT_EQ(w->ImportRows()[0].Name, QStringLiteral("Alice"));
    EXPECT_EQ(w->ImportRows()[1].Position, 2);
    EXPECT_EQ(w->ImportRows()[1].Number, QStringLiteral("121"));

    w->Import();
    EXPECT_EQ(w->Page(), SimPage::Status);
    EXPECT_TRUE(host.Logged("Import -> Start"));
    EXPECT_TRUE(host.Logged("Import -> Done -> 2 records"));
    EXPECT_EQ(host.cursors, 0);
    EXPECT_TRUE(w->Accepted());
    EXPECT_EQ(w->ResultTitle(), QStringLiteral("The operation is completed successfully."));
    EXPECT_TRUE(w->ResultCountsVisible());
    EXPECT_EQ(w->ImportedText(), QStringLiteral("2"));
    EXPECT_EQ(w->SkippedText(), QStringLiteral("3"));
    EXPECT_FALSE(w->BackEnabled());
    EXPECT_FALSE(w->NextEnabled());
    DATABASE_CONTACTS_DATA stored;
    ASSERT_TRUE(database.FindContactByNumber(QStringLiteral("+15550100201"), stored));
    EXPECT_EQ(stored.Contact, QStringLiteral("Alice"));
    EXPECT_EQ(stored.Notes, QStringLiteral("Imported from SIM"));
    EXPECT_TRUE(stored.FirstName.isEmpty());
    EXPECT_TRUE(stored.Group.isEmpty());
    ASSERT_TRUE(database.FindContactByName(QStringLiteral("Voicemail"), stored));
}

struct Refused
{
    const char* what;
    std::vector<const char*> refused; // names whose insert fails
    const char* done;
    bool accepted;
};

class SimPhonebookImport : public SimPhonebookTest, public testing::WithParamInterface<Refused>
{ };

TEST_P(SimPhonebookImport, CountsWhatWasStored)
{
    const Refused& c = GetParam();
    Rig rig(Link("modem"));
    auto w = Open(rig);
    ToContacts(*w);
    w->SelectAll();
    w->Next();
    ASSERT_EQ(w->ImportRows().size(), 2u);
    for (const char* name : c.refused) {
        const std::string trigger = std::string("CREATE TEMP TRIGGER Refuse") + name +
                                    " BEFORE INSERT ON [Contacts] WHEN NEW.[Contact] = '" + name +
                                    "' BEGIN SELECT RAISE(ABORT, 'refused'); END;";
        ASSERT_TRUE(database.Execute(trigger.c_str()));
    }
    w->Import();
    EXPECT_TRUE(host.Logged(c.done)) << c.done;
    EXPECT_EQ(w->Page(), SimPage::Status);
    EXPECT_EQ(w->Accepted(), c.accepted);
    EXPECT_EQ(w->ResultCountsVisible(), c.accepted);
    if (c.accepted) {
        EXPECT_EQ(w->ImportedText(), QStringLiteral("1"));
        EXPECT_EQ(w->SkippedText(), QStringLiteral("4"));
        EXPECT_FALSE(w->BackEnabled());
    } else {
        EXPECT_EQ(w->ResultTitle(), QStringLiteral("The operation could not be completed:"));
        EXPECT_EQ(w->ResultText(), QStringLiteral("An unknown error has occurred."));
        EXPECT_TRUE(w->BackEnabled());
        // Back on the review the import may be tried again.
        w->Back();
        EXPECT_EQ(w->Page(), SimPage::Ready);
        EXPECT_TRUE(w->ImportEnabled());
    }
    EXPECT_FALSE(w->NextEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimPhonebookImport,
    testing::Values(Refused{"OneRefused", {"Voicemail"}, "Import -> Done -> 1 records", true},
                    Refused{"AllRefused", {"Alice", "Voicemail"}, "Import -> Done -> 0 records", false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SimPhonebookTest, NothingChosenLeavesImportDisabled)
{
    Rig rig(Link("modem"));
    auto w = Open(rig);
    ToContacts(*w);
    w->Next();
    EXPECT_TRUE(w->ImportRows().empty());
    EXPECT_FALSE(w->ImportEnabled());
    w->Import();
    EXPECT_EQ(w->Page(), SimPage::Ready);
    EXPECT_FALSE(host.Logged("Import -> Start"));
}

TEST_F(SimPhonebookTest, SecondVisitKeepsTheRowsAndReloadReadsAgain)
{
    Rig rig(Link("modem"));
    auto w = Open(rig);
    ToContacts(*w);
    EXPECT_FALSE(w->ReloadVisible());
    w->Toggle(Row(*w, "Alice"));
    w->Back();
    ASSERT_TRUE(Settle(*w));
    const std::size_t reads = host.Count("Response -> Data -> Read");
    w->Next();
    EXPECT_FALSE(w->Busy());
    EXPECT_TRUE(w->ReloadVisible());
    EXPECT_EQ(host.Count("Response -> Data -> Read"), reads);
    EXPECT_EQ(w->Contacts().At(Row(*w, "Alice")).State, SimRowState::Selected);

    // A new entry on the SIM shows after Reload, and the old choice is gone with the old rows.
    rig.simulator->withCore([](sim::ModemCore& core) { core.sim().phonebook[9] = {u"Zoe", "+15550100209"}; });
    w->Reload();
    EXPECT_TRUE(w->Busy());
    ASSERT_TRUE(Settle(*w));
    EXPECT_EQ(host.Count("Response -> Data -> Read"), reads + 1);
    ASSERT_EQ(w->Contacts().Count(), 6);
    EXPECT_EQ(w->Contacts().At(Row(*w, "Zoe")).EntryIndex, 9u);
    EXPECT_EQ(w->Contacts().At(Row(*w, "Alice")).State, SimRowState::NotSelected);
}

TEST_F(SimPhonebookTest, RequestsAskedMeanwhileWaitTheirTurn)
{
    Rig rig(Link("modem"));
    rig.simulator->setReplyDelay(150);
    auto w = Open(rig);
    w->Start();
    w->Next();
    w->Next(); // the entries are asked for while the memory status is still under way
    w->Back(); // the memory status is still under way: not asked twice
    w->Next(); // the entries are waiting: not asked twice
    ASSERT_TRUE(Settle(*w));
    EXPECT_EQ(host.Count("Response -> Configuration"), 1u);
    EXPECT_EQ(host.Count("Response -> Data -> Read"), 1u);
    EXPECT_EQ(w->MemoryInfo(1), QStringLiteral("50"));
    EXPECT_EQ(w->Contacts().Count(), 5);
    EXPECT_EQ(host.cursors, 0);
}

struct Damaged
{
    const char* what;
    std::uint32_t cid;
    sim::Damage damage;
    const char* logged;
    int rows;
};

class SimPhonebookDamaged : public SimPhonebookTest, public testing::WithParamInterface<Damaged>
{ };

TEST_P(SimPhonebookDamaged, IsLoggedAndEndsTheRequest)
{
    const Damaged& c = GetParam();
    Rig rig(Link("modem"));
    auto w = Open(rig);
    w->Start();
    rig.simulator->damageNext(sim::mbim::Phonebook, c.cid, c.damage);
    w->Next();
    ASSERT_TRUE(Settle(*w));
    if (c.cid == 2) {
        w->Next();
        ASSERT_TRUE(Settle(*w));
        EXPECT_EQ(w->Contacts().Count(), c.rows);
    } else {
        EXPECT_EQ(w->MemoryInfo(0), QStringLiteral("-"));
    }
    EXPECT_TRUE(host.Logged(c.logged)) << c.logged;
    EXPECT_TRUE(host.Logged("Command session -> Close -> Complete"));
    EXPECT_EQ(host.cursors, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, SimPhonebookDamaged,
                         testing::Values(Damaged{"ConfigurationCut", 1, sim::Damage{10, std::nullopt},
                                                 "Response -> Configuration -> Too short: 10 bytes", 0},
                                         Damaged{"ReadCut", 2, sim::Damage{2, std::nullopt},
                                                 "Data -> Too short: 2 bytes", 0},
                                         Damaged{"ReadOffsetOutside", 2, sim::Damage{SIZE_MAX, std::size_t{4}},
                                                 "Data->Entry #1 -> Offset ", 4}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(SimPhonebookTest, FailedQueryShowsTheError)
{
    sim::ModemConfig config;
    config.simLocked = true; // the entries cannot be read before the PIN
    Rig rig(Link("modem"), config);
    auto w = Open(rig);
    ASSERT_TRUE(w->Available());
    w->Start();
    w->Next();
    ASSERT_TRUE(Settle(*w));
    EXPECT_EQ(w->MemoryInfo(0), QStringLiteral("Not initialized"));
    host.prompts.shown.clear();
    w->Next();
    ASSERT_TRUE(Settle(*w));
    EXPECT_EQ(w->Contacts().Count(), 0);
    ASSERT_EQ(host.prompts.shown.size(), 1u);
    const auto& box = host.prompts.shown.front();
    EXPECT_EQ(box.caption, QStringLiteral("SIM contacts"));
    EXPECT_EQ(box.icon, PromptIcon::Error);
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("The operation could not be completed: \n\r")))
        << box.text.toStdString();
    EXPECT_GT(box.text.size(), 45);
    EXPECT_TRUE(host.Logged("Command session -> Close -> Complete"));
    EXPECT_EQ(host.cursors, 0);
}

TEST_F(SimPhonebookTest, UnpluggedDeviceEndsTheRequest)
{
    Rig rig(Link("modem"));
    rig.simulator->setReplyDelay(300);
    auto w = Open(rig);
    ToContacts(*w);
    host.prompts.shown.clear();
    w->Reload();
    ASSERT_TRUE(w->Busy());
    rig.simulator->unplug();
    ASSERT_TRUE(Settle(*w));
    EXPECT_EQ(host.cursors, 0);
    EXPECT_EQ(host.prompts.shown.size(), 1u);
    // Nothing more can be asked of a device that is gone.
    w->Reload();
    EXPECT_FALSE(w->Busy());
    EXPECT_TRUE(host.Logged("DeviceService->OpenCommandSession() -> Failed: The device is not ready"));
}

TEST_F(SimPhonebookTest, ClosingWithARequestPendingIgnoresTheLateAnswer)
{
    for (const int step : {0, 1}) {
        SCOPED_TRACE(step == 0 ? "before the session opened" : "while the query runs");
        Rig rig(Link(step == 0 ? "opening" : "querying"));
        rig.simulator->setReplyDelay(200);
        host = Host();
        {
            auto w = Open(rig);
            w->Start();
            w->Next();
            ASSERT_TRUE(w->Busy());
            if (step == 1) {
                ASSERT_TRUE(WaitFor([&] { return host.Logged("Command session -> Open -> Complete"); }));
            }
            w.reset();
        }
        EXPECT_EQ(host.cursors, 0);
        host.closed = true;
        // The answer comes, and finds nobody.
        WaitFor([] { return false; }, 500);
        rig.window.Clear();
    }
}

} // namespace
