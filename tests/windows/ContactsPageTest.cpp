// The Contacts page and the composer's contact page of the real main window, offscreen.
#include "windows/ContactsPage.h"
#include "ProgramRig.h"
#include "controller/ContactsModel.h"
#include "windows/ContactsView.h"
#include "windows/MessagesPage.h"

#include <QFile>
#include <QHeaderView>
#include <QPushButton>

using rig::Program;
using rig::Sms;

namespace {

DATABASE_CONTACTS_DATA Contact(const char* name, const char* number, const char* notes = "")
{
    DATABASE_CONTACTS_DATA c;
    c.Contact = QString::fromUtf8(name);
    c.Number = QString::fromUtf8(number);
    c.Notes = QString::fromUtf8(notes);
    return c;
}

QStringList Names(ContactsModel& model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names << model.data(model.index(row, 1)).toString();
    return names;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A program with three stored contacts, shown on its Contacts page.
struct ContactsProgram : Program
{
    ContactsProgram()
    {
        Start();
        for (const auto& c :
             {Contact("Carol", "+15550100003"), Contact("Alice", "+15550100001"), Contact("Bob", "+15550100002")})
            EXPECT_TRUE(window->Database().InsertContact(c));
        window->ContactsTab().Refresh();
        window->Act(MainAction::ShowContactsAction)->trigger();
    }
    ContactsModel& Model() { return window->ContactsTab().Model(); }
    void SelectRow(int row)
    {
        ContactsView& view = window->ContactsTab().List();
        view.selectionModel()->select(view.model()->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
};

} // namespace

TEST(ContactsTag, ClickRule)
{
    struct Case
    {
        int current, clicked, expected;
    };
    for (const Case& c : {Case{0, 1, 1}, Case{1, 1, -1}, Case{-1, 1, 1}, Case{1, 5, 5}, Case{-5, 1, 1}, Case{3, 0, 0},
                          Case{-3, 0, 0}, Case{0, 0, 0}})
        EXPECT_EQ(ContactsModel::ClickedTag(c.current, c.clicked), c.expected) << c.current << " then " << c.clicked;
}

TEST(ContactsPage, HeaderClicksSortBothWaysAndIdClearsTheArrow)
{
    ContactsProgram p;
    ContactsView& view = p.window->ContactsTab().List();
    EXPECT_EQ(Names(p.Model()), (QStringList{"Carol", "Alice", "Bob"})) << "by ID at first";
    EXPECT_FALSE(view.header()->isSortIndicatorShown());
    const QStringList ascending{"Alice", "Bob", "Carol"};
    const QStringList descending{"Carol", "Bob", "Alice"};
    for (const QStringList& expected : {ascending, descending, ascending}) {
        Q_EMIT view.header()->sectionClicked(1);
        EXPECT_EQ(Names(p.Model()), expected);
        EXPECT_TRUE(view.header()->isSortIndicatorShown());
        EXPECT_EQ(view.header()->sortIndicatorSection(), 1);
    }
    Q_EMIT view.header()->sectionClicked(0);
    EXPECT_EQ(p.Model().SortTag(), 0);
    EXPECT_FALSE(view.header()->isSortIndicatorShown());
    EXPECT_EQ(Names(p.Model()), (QStringList{"Carol", "Alice", "Bob"}));
    EXPECT_EQ(p.Model().data(p.Model().index(0, 0)).toString(), QString()) << "ShowSmsID is off";
}

TEST(ContactsPage, SelectionDrivesTheActionsAndDeleteAsksFirst)
{
    ContactsProgram p;
    QAction* remove = p.window->Act(MainAction::ContactsDeleteAction);
    EXPECT_FALSE(remove->isEnabled());
    p.SelectRow(1);
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_TRUE(p.window->Act(MainAction::ContactsOpenAction)->isEnabled());

    p.prompts.answers = {false, true};
    remove->trigger();
    EXPECT_EQ(p.Model().rowCount(), 3) << "No keeps the contact";
    ASSERT_FALSE(p.prompts.shown.empty());
    EXPECT_EQ(p.prompts.shown.back().text, "Do you want to delete contact \"Alice\"?");
    p.SelectRow(1);
    remove->trigger();
    EXPECT_EQ(Names(p.Model()), (QStringList{"Carol", "Bob"}));
    EXPECT_FALSE(remove->isEnabled()) << "the list was read again: nothing selected";

    p.window->Act(MainAction::ShowLogAction)->trigger();
    EXPECT_FALSE(p.window->Act(MainAction::ContactsOpenAction)->isEnabled());
}

TEST(ContactsPage, MessageNamesFollowTheContacts)
{
    ContactsProgram p;
    p.modem->deliverSms(Sms("+15550100002", u"Hi from Bob"));
    p.modem->deliverSms(Sms("+15550100009", u"Who is this"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 2; }));
    auto nameOf = [&](const char* number) {
        FolderModel& inbox = p.Folder(Folder::Inbox);
        for (int row = 0; row < inbox.Count(); ++row)
            if (inbox.At(row)->GetNumber() == QLatin1String(number))
                return inbox.data(inbox.index(row, 2)).toString();
        return QStringLiteral("<missing>");
    };
    EXPECT_EQ(nameOf("+15550100002"), "Bob");
    EXPECT_EQ(nameOf("+15550100009"), "+15550100009");

    ASSERT_TRUE(p.window->Database().InsertContact(Contact("Dora", "+15550100009")));
    p.window->ContactsTab().Refresh();
    EXPECT_EQ(nameOf("+15550100009"), "Dora");

    p.window->ApplyContactsFeature(false);
    EXPECT_EQ(nameOf("+15550100002"), "+15550100002");
    EXPECT_FALSE(p.window->Act(MainAction::ShowContactsAction)->isVisible());
    EXPECT_EQ(p.window->CurrentPage(), TMainWindow::MessagesPageIndex) << "the page left with the feature";
}

TEST(ContactsPage, ExportThenImportGivesTheSameContacts)
{
    ContactsProgram p;
    ASSERT_TRUE(p.window->Database().InsertContact(Contact("Smith; John", "+15550100004", "said \"hi\"")));
    p.window->ContactsTab().Refresh();
    const QString path = p.dir.filePath(QStringLiteral("contacts.csv"));
    p.prompts.files = {path};
    p.window->Act(MainAction::ContactsExportAction)->trigger();
    const QByteArray bytes = ReadAll(path);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"
                                 "1;Carol;;;;+15550100003;;\r\n"));
    EXPECT_TRUE(bytes.endsWith("4;\"Smith; John\";;;;+15550100004;;\"said \"\"hi\"\"\"\r\n"));
    EXPECT_EQ(p.prompts.shown.back().text, "Export completed successfully.");

    p.prompts.answers = {true};
    p.prompts.files = {path};
    p.window->Act(MainAction::ShowLogAction)->trigger();
    p.window->Act(MainAction::ContactsImportAction)->trigger();
    EXPECT_EQ(p.window->CurrentPage(), TMainWindow::ContactsPageIndex);
    ASSERT_EQ(p.Model().rowCount(), 4);
    DATABASE_CONTACTS_DATA smith;
    ASSERT_TRUE(p.Model().ContactAt(3, smith));
    EXPECT_EQ(smith.Contact, "Smith; John");
    EXPECT_EQ(smith.Notes, "said \"hi\"");
}

TEST(ContactsPage, ImportSkipsBadLinesAndChangesNothingWhenRefusedOrMissing)
{
    ContactsProgram p;
    const QString path = p.dir.filePath(QStringLiteral("in.csv"));
    WriteAll(path, "1;Seven;;;;+1555;;\r\n"              // 8 fields, the last empty
                   "2;Short;;;;+1555;\r\n"               // 7 fields
                   "3;Long;;;;+1555;;;\r\n"              // 9 fields
                   "4;Blank;;;;   ;;\r\n"                // a number of blanks only
                   "5;  Spaced  ;;;;+1 555 0100 000;;\n" // blanks around and inside
                   "6;;;;;+15550100;;\r");               // no name
    p.prompts.answers = {false};
    p.window->Act(MainAction::ContactsImportAction)->trigger();
    EXPECT_EQ(p.Model().rowCount(), 3) << "a declined warning changes nothing";

    p.prompts.answers = {true};
    p.prompts.files = {p.dir.filePath(QStringLiteral("missing.csv"))};
    p.window->Act(MainAction::ContactsImportAction)->trigger();
    EXPECT_EQ(p.Model().rowCount(), 3) << "a missing file changes nothing";

    p.prompts.answers = {true};
    p.prompts.files = {path};
    p.window->Act(MainAction::ContactsImportAction)->trigger();
    ASSERT_EQ(Names(p.Model()), (QStringList{"Seven", "Spaced"}));
    DATABASE_CONTACTS_DATA spaced;
    ASSERT_TRUE(p.Model().ContactAt(1, spaced));
    EXPECT_EQ(spaced.Number, "+15550100000");
    const LogModel& log = p.window->LogLines();
    EXPECT_EQ(log.LineAt(log.LineCount() - 1).mid(21), "Contacts -> Import -> Done -> 2 records, 4 lines skipped");
    EXPECT_EQ(p.prompts.shown.back().text, "Import completed: 2 records imported, 4 lines skipped.");
    EXPECT_EQ(p.window->CurrentPage(), TMainWindow::ContactsPageIndex);
}

TEST(ContactsPage, NewMessageFromTheContactsPageAndTheComposersContactPage)
{
    ContactsProgram p;
    p.SelectRow(2);
    QString prefilled;
    p.window->Runners().composer = [&](TMessageWindow& composer) { prefilled = composer.Number(); };
    p.window->Act(MainAction::ContactsMessageAction)->trigger();
    EXPECT_EQ(prefilled, "+15550100002");

    bool checked = false;
    p.window->Act(MainAction::ShowMessagesAction)->trigger();
    p.window->Runners().composer = [&](TMessageWindow& composer) {
        ASSERT_TRUE(composer.ContactsButton()->isVisibleTo(&composer));
        composer.ContactsButton()->click();
        EXPECT_EQ(composer.Page(), 1);
        EXPECT_FALSE(composer.SelectButton()->isEnabled());
        EXPECT_FALSE(composer.SendButton()->isVisibleTo(&composer));
        ContactsView* list = composer.ContactsList();
        list->selectionModel()->select(list->model()->index(0, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        EXPECT_TRUE(composer.SelectButton()->isEnabled());
        int finished = 0;
        QObject::connect(&composer, &QDialog::finished, [&] { ++finished; });
        composer.reject(); // Escape on the contact page goes back, the window stays
        EXPECT_EQ(composer.Page(), 0);
        EXPECT_EQ(finished, 0);
        composer.ContactsButton()->click();
        composer.SelectButtonClick();
        EXPECT_EQ(composer.Page(), 0);
        EXPECT_EQ(composer.Number(), "+15550100003");
        EXPECT_EQ(composer.ContactBox()->currentText(), "Carol");
        EXPECT_TRUE(composer.SendButton()->isEnabled());
        checked = true;
    };
    p.window->Act(MainAction::SmsNewAction)->trigger();
    EXPECT_TRUE(checked);
}

TEST(MainWindowPages, MessageActionsAreHeldWhileAnotherPageShows)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100777", u"Hello"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1; }));
    p.window->Messages().SelectRow(Folder::Inbox, p.Folder(Folder::Inbox).At(0));
    QAction* reply = p.window->Act(MainAction::SmsReplyAction);
    ASSERT_TRUE(reply->isEnabled());
    p.window->Act(MainAction::ShowLogAction)->trigger();
    EXPECT_FALSE(reply->isEnabled());
    p.window->Act(MainAction::ShowStatusAction)->trigger();
    EXPECT_FALSE(reply->isEnabled());
    p.window->Act(MainAction::ShowMessagesAction)->trigger();
    EXPECT_TRUE(reply->isEnabled());
}
