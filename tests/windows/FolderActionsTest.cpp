// Deleting, marking unread, sorting by a column and the database maintenance, through the real
// main window's actions against the simulated modem.
#include "ProgramRig.h"
#include "controller/IncomingMessages.h"
#include "windows/MainStatusBar.h"
#include "windows/MessagesPage.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeView>

using rig::Program;
using rig::Sms;

namespace {

using Kind = testsupport::ScriptedPrompts::Kind;

void Trigger(Program& p, MainAction action)
{
    p.window->Act(action)->trigger();
}

// Two messages in the Inbox, the first of them selected.
void TwoInInbox(Program& p)
{
    p.modem->deliverSms(Sms("+15550100702", u"Second number"));
    p.modem->deliverSms(Sms("+15550100701", u"First number"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 2 && p.OnSim() == 0; }));
    p.window->Messages().SelectRow(Folder::Inbox, p.Folder(Folder::Inbox).At(0));
}

} // namespace

TEST(FolderActions, DeleteAsksAndRemovesTheStoredRowsOnlyOnYes)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TwoInInbox(p);
    EXPECT_EQ(p.Stored(0) + p.Stored(1), 2);
    p.prompts.answers = {false};
    Trigger(p, MainAction::SmsDeleteAction);
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), 2);
    ASSERT_EQ(p.prompts.shown.size(), 1u);
    EXPECT_EQ(p.prompts.shown[0].text, "Do you want to delete message?");
    EXPECT_EQ(p.prompts.shown[0].caption, "Messages");

    p.prompts.answers = {true};
    // The Delete key in the list is the same action.
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(p.window->Messages().List(Folder::Inbox), &del);
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), 1);
    EXPECT_EQ(p.Stored(0) + p.Stored(1), 1);
    EXPECT_EQ(p.window->Messages().Displayed(), nullptr);
    EXPECT_EQ(p.window->Folders().NodeText(Folder::Inbox), "Inbox (1)") << "the deleted one had been read";
}

TEST(FolderActions, WithoutSaveOnDiskDeleteGoesToTheDevice)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/SaveOnDisk"), 0);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100780", u"Kept on the SIM"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1; }));
    p.window->Messages().SelectRow(Folder::Inbox, p.Folder(Folder::Inbox).At(0));
    p.prompts.answers = {true};
    Trigger(p, MainAction::SmsDeleteAction);
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), 0);
    EXPECT_TRUE(WaitFor([&] { return p.OnSim() == 0; }));
}

TEST(FolderActions, TemplatesAndReportsDeleteTheirOwnWay)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    ASSERT_TRUE(p.window->Incoming().AddTemplate(QStringLiteral("+1555"), QStringLiteral("See you")));
    p.window->Messages().ShowFolder(Folder::Templates);
    p.window->Messages().SelectRow(Folder::Templates, p.Folder(Folder::Templates).At(0));
    p.prompts.answers = {true};
    Trigger(p, MainAction::SmsDeleteAction);
    EXPECT_EQ(p.prompts.shown.back().text, "Do you want to delete template?");
    EXPECT_EQ(p.Folder(Folder::Templates).Count(), 0);

    // A report goes without a question, and from the database too: it does not come back.
    p.settings->setValue(QStringLiteral("Settings/DeliveryReport"), 1);
    p.Compose(QStringLiteral("+15550100123"), QStringLiteral("Report this"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Reports).Count() == 1; }));
    p.window->Messages().ShowFolder(Folder::Reports);
    p.window->Messages().SelectRow(Folder::Reports, p.Folder(Folder::Reports).At(0));
    const size_t asked = p.prompts.shown.size();
    Trigger(p, MainAction::SmsDeleteAction);
    EXPECT_EQ(p.prompts.shown.size(), asked);
    EXPECT_EQ(p.Folder(Folder::Reports).Count(), 0);
    p.Stop();
    ASSERT_NO_FATAL_FAILURE(p.Start());
    EXPECT_EQ(p.Folder(Folder::Reports).Count(), 0);
    EXPECT_EQ(p.Folder(Folder::Templates).Count(), 0);
}

TEST(FolderActions, SetAsUnreadStoresItAndHidesItself)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TwoInInbox(p);
    QAction* unread = p.window->Act(MainAction::SmsSetAsUnreadAction);
    EXPECT_TRUE(unread->isVisible());
    EXPECT_EQ(p.Stored(0), 1);
    unread->trigger();
    EXPECT_EQ(p.Stored(0), 2);
    EXPECT_EQ(p.Folder(Folder::Inbox).Image(p.Folder(Folder::Inbox).At(0)), ImageUnread);
    EXPECT_EQ(p.window->StatusPanels().Text(5), "You have 2 unread messages");
    EXPECT_FALSE(unread->isVisible());
}

TEST(FolderActions, ColumnClicksSortByTheCaptionsKey)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/Contacts"), 0);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TwoInInbox(p);
    FolderModel& inbox = p.Folder(Folder::Inbox);
    QHeaderView* header = p.window->Messages().List(Folder::Inbox)->header();
    auto numbers = [&] { return QStringList{inbox.At(0)->GetNumber(), inbox.At(1)->GetNumber()}; };
    EXPECT_EQ(inbox.SortKey(), -2);
    Q_EMIT header->sectionClicked(2); // "From"
    EXPECT_EQ(inbox.SortKey(), 3);
    EXPECT_EQ(numbers(), (QStringList{"+15550100701", "+15550100702"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder) << "the upward arrow";
    Q_EMIT header->sectionClicked(2);
    EXPECT_EQ(inbox.SortKey(), -3);
    EXPECT_EQ(numbers(), (QStringList{"+15550100702", "+15550100701"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder) << "the downward arrow";
}

TEST(FolderActions, DatabaseMaintenance)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TwoInInbox(p);
    ASSERT_TRUE(p.window->Incoming().AddTemplate(QStringLiteral("+1555"), QStringLiteral("Kept?")));

    p.prompts.answers = {false};
    Trigger(p, MainAction::DatabaseDeleteAllAction);
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), 2) << "No changes nothing";

    Trigger(p, MainAction::DatabaseCompressAction);
    ASSERT_TRUE(WaitFor([&] { return !p.window->Database().IsLoading(); }));
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), 2) << "compressed and read back";

    p.prompts.answers = {true};
    Trigger(p, MainAction::DatabaseRecreateAction);
    EXPECT_EQ(p.prompts.shown.back().text, "All messages will be deleted from database. Are you sure?");
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), 0);
    EXPECT_EQ(p.Folder(Folder::Templates).Count(), 0) << "its table is gone";
    EXPECT_EQ(p.Stored(0) + p.Stored(1), 0);
    Trigger(p, MainAction::DatabaseReadAllAction);
    ASSERT_TRUE(WaitFor([&] { return !p.window->Database().IsLoading(); }));
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), 0);
}

TEST(FolderActions, DeleteByIdTakesOnlyANonZeroNumber)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/SaveOnDisk"), 0);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100780", u"On the SIM"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1; }));
    const auto index = static_cast<std::uint32_t>(p.Folder(Folder::Inbox).At(0)->Units.front().Id);
    for (const char* answer : {"abc", "0"}) {
        p.prompts.inputs = {QString::fromLatin1(answer)};
        Trigger(p, MainAction::SmsDeleteByIdAction);
    }
    p.prompts.inputs = {std::nullopt};
    Trigger(p, MainAction::SmsDeleteByIdAction);
    EXPECT_EQ(p.prompts.shown.back().caption, "Delete message from SIM");
    EXPECT_EQ(p.prompts.shown.back().initial, "0");
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(p.OnSim(), 1u);
    p.prompts.inputs = {QString::number(index)};
    Trigger(p, MainAction::SmsDeleteByIdAction);
    EXPECT_TRUE(WaitFor([&] { return p.OnSim() == 0; }));
}

TEST(FolderActions, SearchNarrowsTheListAndActionsReachTheShownRow)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TwoInInbox(p);
    p.modem->deliverSms(Sms("+15550100703", u"Third, about the station"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 3 && p.OnSim() == 0; }));
    MessagesPage& page = p.window->Messages();
    QTreeView* list = page.List(Folder::Inbox);
    page.SearchBox()->setText(QStringLiteral("NUMBER"));
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(p.window->Folders().NodeText(Folder::Inbox), "Inbox (2)") << "counters see every row";
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), 3);

    // The second shown row is the folder's third: selecting and deleting it reach that message.
    list->selectionModel()->setCurrentIndex(list->model()->index(1, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const SmsData* shown = page.Focused();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->ListText().contains(QLatin1String("number"))) << shown->ListText().toStdString();
    EXPECT_EQ(page.InfoText(0), shown->GetNumber());
    const QString deleted = shown->GetNumber();
    p.prompts.answers = {true};
    Trigger(p, MainAction::SmsDeleteAction);
    ASSERT_EQ(p.Folder(Folder::Inbox).Count(), 2);
    for (int row = 0; row < 2; ++row)
        EXPECT_NE(p.Folder(Folder::Inbox).At(row)->GetNumber(), deleted);
    EXPECT_EQ(list->model()->rowCount(), 1);

    page.SearchBox()->clear();
    EXPECT_EQ(list->model()->rowCount(), 2);
    // A search that leaves the shown message out lets go of it.
    page.SelectRow(Folder::Inbox, p.Folder(Folder::Inbox).At(0));
    ASSERT_NE(page.Displayed(), nullptr);
    page.SearchBox()->setText(QStringLiteral("no such text"));
    EXPECT_EQ(page.Displayed(), nullptr);
    EXPECT_FALSE(p.window->Act(MainAction::SmsDeleteAction)->isEnabled());
    page.SearchBox()->clear();
    page.SearchBox()->setText(QStringLiteral("station"));
    page.ShowFolder(Folder::Sent);
    EXPECT_TRUE(page.SearchBox()->text().isEmpty()) << "another folder starts unfiltered";
    page.ShowFolder(Folder::Inbox);
    EXPECT_EQ(list->model()->rowCount(), 2);
}
