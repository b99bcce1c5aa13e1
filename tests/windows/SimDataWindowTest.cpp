// The SIM phonebook window of the real main window on the simulated modem, offscreen, and the
// Debug menu's phonebook entries reaching the simulated SIM.
#include "windows/SimDataWindow.h"
#include "ProgramRig.h"
#include "controller/ContactsModel.h"
#include "windows/ContactsPage.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeView>
#include <QTreeWidget>

using rig::Program;

namespace {

DATABASE_CONTACTS_DATA Contact(const char* name, const char* number)
{
    DATABASE_CONTACTS_DATA c;
    c.Contact = QString::fromUtf8(name);
    c.Number = QString::fromUtf8(number);
    return c;
}

bool Logged(const LogModel& log, const QString& text)
{
    for (int i = 0; i < log.LineCount(); ++i)
        if (log.LineAt(i).endsWith(text))
            return true;
    return false;
}

// A program whose SIM holds three entries, one of them already a contact.
struct SimProgram : Program
{
    SimProgram()
    {
        modem->withCore([](sim::ModemCore& core) {
            core.sim().phonebook = {
                {1, {u"Alice", "+15550100201"}}, {2, {u"Bob", "+15550100202"}}, {3, {u"Carol", "+15550100203"}}};
        });
        Start();
        EXPECT_TRUE(window->Database().InsertContact(Contact("Robert", "+15550100202")));
        window->ContactsTab().Refresh();
    }
    std::map<uint32_t, sim::PhonebookEntry> OnSimPhonebook()
    {
        std::map<uint32_t, sim::PhonebookEntry> entries;
        modem->withCore([&](sim::ModemCore& core) { entries = core.sim().phonebook; });
        return entries;
    }
};

QModelIndex Cell(TSimDataWindow& w, int row, int column)
{
    return w.ContactsListView()->model()->index(row, column);
}

} // namespace

TEST(SimDataWindow, ImportsAChosenEntryIntoTheContacts)
{
    SimProgram p;
    p.window->Act(MainAction::ShowContactsAction)->trigger();
    QAction* sim = p.window->Act(MainAction::ContactsSimAction);
    ASSERT_TRUE(sim->isEnabled());
    bool ran = false;
    p.window->Runners().simData = [&](TSimDataWindow& w) {
        ran = true;
        w.show();
        EXPECT_EQ(w.windowTitle(), QStringLiteral("SIM contacts"));
        EXPECT_FALSE(w.BackButton()->isEnabled());
        EXPECT_FALSE(w.Label(QStringLiteral("WelcomeStatusA"))->isVisible());
        EXPECT_TRUE(w.Label(QStringLiteral("WelcomeNextA"))->isVisible());
        w.NextButton()->click();
        ASSERT_TRUE(WaitFor([&] { return !w.Wizard().Busy(); }));
        EXPECT_EQ(w.Label(QStringLiteral("InfoA13"))->text(), QStringLiteral("3"));
        w.NextButton()->click();
        ASSERT_TRUE(WaitFor([&] { return !w.Wizard().Busy(); }));
        ASSERT_EQ(w.ContactsListView()->model()->rowCount(), 3);
        EXPECT_TRUE(w.SelectButton()->isVisible());
        EXPECT_FALSE(w.ReloadButton()->isVisible());
        EXPECT_EQ(Cell(w, 1, 4).data().toString(), QStringLiteral("Number already exist"));
        // Every state has its image, and the three differ.
        QList<qint64> images;
        for (int row = 0; row < 3; ++row) {
            const QVariant image = Cell(w, row, 0).data(Qt::DecorationRole);
            ASSERT_TRUE(image.canConvert<QIcon>());
            images << image.value<QIcon>().cacheKey();
        }
        EXPECT_EQ(images[0], images[2]);
        EXPECT_NE(images[0], images[1]);

        // A click on the state image chooses; on the name it does not; a double-click does.
        Q_EMIT w.ContactsListView()->clicked(Cell(w, 0, 0));
        Q_EMIT w.ContactsListView()->clicked(Cell(w, 2, 2));
        Q_EMIT w.ContactsListView()->clicked(Cell(w, 1, 0));
        Q_EMIT w.ContactsListView()->doubleClicked(Cell(w, 1, 3));
        EXPECT_EQ(w.Wizard().Contacts().At(0).State, SimRowState::Selected);
        EXPECT_EQ(w.Wizard().Contacts().At(1).State, SimRowState::Exists);
        EXPECT_EQ(w.Wizard().Contacts().At(2).State, SimRowState::NotSelected);
        EXPECT_NE(Cell(w, 0, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey(), images[0]);

        w.NextButton()->click();
        ASSERT_EQ(w.ImportListView()->topLevelItemCount(), 1);
        EXPECT_EQ(w.ImportListView()->topLevelItem(0)->text(1), QStringLiteral("Alice"));
        EXPECT_FALSE(w.NextButton()->isEnabled());
        ASSERT_TRUE(w.ImportButton()->isEnabled());
        w.ImportButton()->click();
        EXPECT_EQ(w.Pages()->currentIndex(), static_cast<int>(SimPage::Status));
        EXPECT_EQ(w.Label(QStringLiteral("InfoA44"))->text(), QStringLiteral("1"));
        EXPECT_EQ(w.Label(QStringLiteral("InfoA46"))->text(), QStringLiteral("2"));
        EXPECT_FALSE(w.BackButton()->isEnabled());
        w.CloseButton()->click();
        EXPECT_EQ(w.result(), QDialog::Accepted);
    };
    sim->trigger();
    ASSERT_TRUE(ran);
    EXPECT_TRUE(Logged(p.window->LogLines(), QStringLiteral("Contacts -> Update")));
    EXPECT_TRUE(Logged(p.window->StatusLines(), QStringLiteral("SIM -> Contacts -> Import -> Done -> 1 records")));
    EXPECT_TRUE(Logged(p.window->StatusLines(),
                       QStringLiteral("SIM -> Contacts -> DeviceServicesManager -> Disconnect() -> Ok")));
    // The Contacts page shows the new contact at once.
    QStringList names;
    for (int row = 0; row < p.window->ContactsTab().Model().rowCount(); ++row)
        names << p.window->ContactsTab().Model().data(p.window->ContactsTab().Model().index(row, 1)).toString();
    EXPECT_TRUE(names.contains(QStringLiteral("Alice"))) << names.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(SimDataWindow, ClosingWithoutImportChangesNothing)
{
    // Close at once, by Escape, and by Close while the entries are still being read.
    for (const int way : {0, 1, 2}) {
        SCOPED_TRACE(way);
        SimProgram p;
        const int before = p.window->LogLines().LineCount();
        p.window->Runners().simData = [&](TSimDataWindow& w) {
            w.show();
            if (way == 2) {
                p.modem->setReplyDelay(300);
                w.NextButton()->click();
                w.NextButton()->click();
                ASSERT_TRUE(w.Wizard().Busy());
                EXPECT_NE(QApplication::overrideCursor(), nullptr);
            }
            if (way == 1)
                w.reject();
            else
                w.CloseButton()->click();
            EXPECT_EQ(w.result(), QDialog::Rejected);
            EXPECT_FALSE(w.isVisible());
        };
        p.window->OpenSimContacts();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        // The late answer finds the window gone.
        WaitFor([] { return false; }, 600);
        bool updated = false;
        for (int i = before; i < p.window->LogLines().LineCount(); ++i)
            updated = updated || p.window->LogLines().LineAt(i).endsWith(QStringLiteral("Contacts -> Update"));
        EXPECT_FALSE(updated);
    }
}

struct WriteCase
{
    const char* what;
    std::vector<std::optional<QString>> inputs;
    bool written;
};

class DebugPhonebookWrite : public testing::TestWithParam<WriteCase>
{ };

TEST_P(DebugPhonebookWrite, ReachesTheSim)
{
    const WriteCase& c = GetParam();
    SimProgram p;
    for (const MainAction name : {MainAction::DeviceServicesConnectAction, MainAction::PhonebookOpenAction,
                                  MainAction::DeviceServicesCommandOpenAction})
        p.window->Act(name)->trigger();
    for (const auto& input : c.inputs)
        p.prompts.inputs.push_back(input);
    p.window->Act(MainAction::PhonebookWriteAction)->trigger();
    ASSERT_FALSE(p.prompts.shown.empty());
    EXPECT_EQ(p.prompts.shown[0].caption, QStringLiteral("PhoneBook"));
    EXPECT_EQ(p.prompts.shown[0].text, QStringLiteral("Name:"));
    EXPECT_EQ(p.prompts.shown[0].initial, QStringLiteral("Test"));
    if (c.written) {
        EXPECT_EQ(p.prompts.shown[1].initial, QStringLiteral("1234567890"));
        ASSERT_TRUE(WaitFor([&] { return p.OnSimPhonebook().size() == 4; }));
        EXPECT_EQ(p.OnSimPhonebook()[4].number, "1234567890");
    } else {
        WaitFor([] { return false; }, 300);
        EXPECT_EQ(p.OnSimPhonebook().size(), 3u);
        EXPECT_FALSE(Logged(p.window->StatusLines(), QStringLiteral("MobileBroadband::SetPhonebookData()")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DebugPhonebookWrite,
    testing::Values(WriteCase{"Written", {QStringLiteral("Test"), QStringLiteral("1234567890")}, true},
                    WriteCase{"EmptyName", {QString(), QStringLiteral("1234567890")}, false},
                    WriteCase{"EmptyNumber", {QStringLiteral("Test"), QString()}, false},
                    WriteCase{"Cancelled", {std::nullopt}, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(DebugPhonebook, DeleteTakesOnlyAnIndexAboveZero)
{
    SimProgram p;
    for (const MainAction name : {MainAction::DeviceServicesConnectAction, MainAction::PhonebookOpenAction})
        p.window->Act(name)->trigger();
    for (const char* refused : {"0", "two", "-1"}) {
        p.prompts.inputs.push_back(QString::fromLatin1(refused));
        p.window->Act(MainAction::PhonebookDeleteAction)->trigger();
    }
    p.prompts.inputs.push_back(std::nullopt);
    p.window->Act(MainAction::PhonebookDeleteAction)->trigger();
    EXPECT_FALSE(Logged(p.window->StatusLines(), QStringLiteral("MobileBroadband::DeletePhonebookData()")));
    EXPECT_EQ(p.prompts.shown.back().caption, QStringLiteral("PhoneBook delete"));
    EXPECT_EQ(p.prompts.shown.back().text, QStringLiteral("ID:"));
    p.prompts.inputs.push_back(QStringLiteral(" 2 "));
    p.window->Act(MainAction::PhonebookDeleteAction)->trigger();
    ASSERT_TRUE(WaitFor([&] { return p.OnSimPhonebook().size() == 2; }));
    EXPECT_EQ(p.OnSimPhonebook().count(2), 0u);
    // The read reaches the same service, and closing the phonebook ends its command session.
    p.window->Act(MainAction::PhonebookReadAction)->trigger();
    ASSERT_TRUE(WaitFor([&] { return Logged(p.window->StatusLines(), QStringLiteral("Data->Count = 2")); }));
    p.window->Act(MainAction::PhonebookCloseAction)->trigger();
    EXPECT_TRUE(Logged(p.window->StatusLines(), QStringLiteral("DeviceService -> Disconnect() -> Ok")));
    p.window->Act(MainAction::DeviceServicesDisconnectAction)->trigger();
    EXPECT_TRUE(Logged(p.window->StatusLines(), QStringLiteral("DeviceServicesManager -> Disconnect() -> Ok")));
}
