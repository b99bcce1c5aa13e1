#include "windows/ContactsPage.h"

#include "app/Settings.h"
#include "controller/ContactsBook.h"
#include "controller/ContactsModel.h"
#include "controller/IncomingMessages.h"
#include "controller/MessageFolders.h"
#include "storage/Database.h"
#include "windows/ActionSet.h"
#include "windows/ContactWindow.h"
#include "windows/ContactsView.h"
#include "windows/LargeDisplay.h"
#include "windows/ListMenu.h"
#include "windows/MainWindow.h"
#include "windows/MessagesPage.h"
#include "windows/PageTitle.h"
#include "windows/WaitCursor.h"
#include "windows/WindowRunners.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include <initializer_list>
#include <optional>

namespace {

// A menu's entries in order; an empty entry is a separator.
void AddEntries(QMenu* menu, const ActionSet& actions, std::initializer_list<std::optional<MainAction>> entries)
{
    for (const auto& name : entries) {
        if (name)
            menu->addAction(actions[*name]);
        else
            menu->addSeparator();
    }
}

} // namespace

ContactsPage::ContactsPage(TMainWindow& window) : window_(window)
{
    setObjectName(QStringLiteral("ContactsTabSheet"));
    model_ = new ContactsModel(window_.Database(), this);
    model_->SetShowIds(window_.Settings().ShowSmsID);
    model_->Refresh();
    book_ = std::make_unique<ContactsBook>(window_, window_.Settings(), window_.Database());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(NewPageTitle(QStringLiteral("Contacts"), "HeaderContacts", this));
    view_ = new ContactsView(*model_, ContactsView::Columns::All, this);
    layout->addWidget(view_);
    connect(view_, &ContactsView::SelectionChanged, this, [this](bool selected) {
        if (IsShown())
            SelectionChanged(selected);
    });
    connect(view_, &ContactsView::RowActivated, this,
            [this] { window_.Act(MainAction::ContactsOpenAction)->trigger(); });
    BuildActions();
}

ContactsPage::~ContactsPage() = default;

bool ContactsPage::IsShown() const
{
    return window_.CurrentPage() == TMainWindow::ContactsPageIndex;
}

QString ContactsPage::SelectedNumber() const
{
    DATABASE_CONTACTS_DATA contact;
    if (view_->SelectedRow() >= 0 && model_->ContactAt(view_->SelectedRow(), contact))
        return contact.Number;
    return QString();
}

void ContactsPage::BuildActions()
{
    ActionSet& actions = window_.Actions();
    auto* newContact = actions.New(MainAction::ContactsNewAction, QStringLiteral("New"), "contact-new");
    connect(newContact, &QAction::triggered, this, [this] {
        if (OpenEditor(0, QString()))
            Refresh();
    });
    auto* open = actions.New(MainAction::ContactsOpenAction, QStringLiteral("Open"), "document-open");
    connect(open, &QAction::triggered, this, [this] {
        if (!IsShown() || view_->SelectedRow() < 0)
            return;
        if (OpenEditor(view_->SelectedId(), QString()))
            Refresh();
    });
    auto* remove = actions.New(MainAction::ContactsDeleteAction, QStringLiteral("Delete"), "edit-delete");
    connect(remove, &QAction::triggered, this, [this] {
        DATABASE_CONTACTS_DATA contact;
        if (!IsShown() || !model_->ContactAt(view_->SelectedRow(), contact))
            return;
        if (book_->Delete(contact.ID, contact.Contact))
            Refresh();
    });
    auto* message = actions.New(MainAction::ContactsMessageAction, QStringLiteral("Message"), "mail-message-new");
    message->setToolTip(QStringLiteral("Send message"));
    connect(message, &QAction::triggered, this, [this] {
        if (IsShown())
            window_.Act(MainAction::SmsNewAction)->trigger();
    });
    for (QAction* action : {open, remove, message})
        action->setEnabled(false);

    connect(actions.New(MainAction::ContactsImportAction, QStringLiteral("Import contacts"), "document-open"),
            &QAction::triggered, this, [this] {
                std::optional<WaitCursor> wait; // from the replacing on, as long as it runs
                book_->Import(
                    [this, &wait] {
                        wait.emplace();
                        SelectionChanged(false);
                    },
                    [this, &wait] {
                        Refresh();
                        window_.Act(MainAction::ShowContactsAction)->trigger();
                        wait.reset(); // before any box about skipped lines
                    });
            });
    connect(actions.New(MainAction::ContactsExportAction, QStringLiteral("Export contacts"), "document-save"),
            &QAction::triggered, this, [this] { book_->Export(); });
    connect(actions.New(MainAction::ContactsSimAction, QStringLiteral("SIM contacts"), "media-flash"),
            &QAction::triggered, &window_, &TMainWindow::OpenSimContacts);

    auto* fromMessage = actions.New(MainAction::ContactsSmsAction, QStringLiteral("Contact"), "contact-new");
    connect(fromMessage, &QAction::triggered, this, [this] {
        if (const QString number = window_.Messages().InfoText(0); !number.isEmpty())
            EditNumber(number);
    });
}

void ContactsPage::BuildMenus(QMenuBar* bar)
{
    ActionSet& actions = window_.Actions();
    connect(&window_.Messages(), &MessagesPage::MessageShown, this, [this](bool named) {
        window_.Act(MainAction::ContactsSmsAction)
            ->setText(named ? QStringLiteral("Open contact") : QStringLiteral("New contact"));
    });
    connect(&window_.Messages(), &MessagesPage::InfoActivated, this,
            [this] { window_.Act(MainAction::ContactsSmsAction)->trigger(); });

    QMenu* menu = bar->addMenu(QStringLiteral("&Contacts"));
    actions.Set(MainAction::ContactsVisibleAction, menu->menuAction());
    AddEntries(menu, actions,
               {MainAction::ContactsNewAction, MainAction::ContactsOpenAction, MainAction::ContactsDeleteAction,
                std::nullopt, MainAction::ContactsMessageAction});

    // The list's own menu.
    auto* ownMenu = new QMenu(view_);
    ownMenu->setObjectName(QStringLiteral("ContactsMenu"));
    AddEntries(ownMenu, actions,
               {MainAction::ContactsMessageAction, std::nullopt, MainAction::ContactsOpenAction,
                MainAction::ContactsDeleteAction, std::nullopt, MainAction::ContactsNewAction, std::nullopt,
                MainAction::ContactsImportAction, MainAction::ContactsExportAction, std::nullopt,
                MainAction::ContactsSimAction});
    list_menu::Install(view_, ownMenu);
}

void ContactsPage::Shown(bool shown)
{
    SelectionChanged(shown && view_->SelectedRow() >= 0);
}

void ContactsPage::SelectionChanged(bool selected)
{
    for (MainAction name :
         {MainAction::ContactsOpenAction, MainAction::ContactsMessageAction, MainAction::ContactsDeleteAction})
        window_.Act(name)->setEnabled(selected);
}

void ContactsPage::ApplyFeature(bool on)
{
    window_.Settings().Contacts = on;
    window_.Messages().SetContactNames(on);
    for (MainAction name :
         {MainAction::ShowContactsAction, MainAction::ContactsVisibleAction, MainAction::ContactsSmsAction,
          MainAction::ContactsImportAction, MainAction::ContactsExportAction, MainAction::ContactsSimAction})
        window_.Act(name)->setVisible(on);
    if (!on && IsShown())
        window_.Act(MainAction::ShowMessagesAction)->trigger();
    ResolveMessageNames();
}

void ContactsPage::Refresh()
{
    model_->Refresh();
    ResolveMessageNames();
}

void ContactsPage::ResolveMessageNames()
{
    IncomingMessages& incoming = window_.Incoming();
    incoming.ForgetContactNames();
    if (window_.Settings().Contacts)
        window_.Folders().SetNames([&incoming](const QString& number) { return incoming.ContactName(number); });
    else
        window_.Folders().SetNames([](const QString&) { return QString(); });
    window_.Messages().DisplayMessage(window_.Messages().Displayed());
}

void ContactsPage::EditNumber(const QString& number)
{
    if (window_.Settings().Contacts && OpenEditor(0, number))
        Refresh();
}

bool ContactsPage::OpenEditor(std::int64_t id, const QString& number)
{
    TContactWindow editor(window_.Database(), window_.Prompts(), window_.Store(), window_.Large().TextSize(), &window_);
    if (id != 0)
        editor.OpenContact(id);
    else if (!number.isEmpty())
        editor.OpenNumber(number);
    else
        editor.OpenNew();
    WindowRunners::Run(window_.Runners().contactEditor, editor);
    return editor.Changed();
}
