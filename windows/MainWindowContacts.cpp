// The main window's contacts: the Contacts page, its actions and menu, and keeping the names
// shown for messages in step with the contacts.
#include "app/Settings.h"
#include "controller/ContactsBook.h"
#include "controller/ContactsModel.h"
#include "controller/IncomingMessages.h"
#include "controller/MessageFolders.h"
#include "storage/Database.h"
#include "windows/ContactWindow.h"
#include "windows/ContactsView.h"
#include "windows/MainWindow.h"
#include "windows/MessagesPage.h"
#include "windows/WaitCursor.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <optional>

void TMainWindow::BuildContactActions()
{
    contacts_ = new ContactsModel(*database_, this);
    contacts_->SetShowIds(settings_->ShowSmsID);
    contacts_->Refresh();
    contactsBook_ = std::make_unique<ContactsBook>(*this, *settings_, *database_);

    auto* newContact = NewAction(MainAction::ContactsNewAction, QStringLiteral("New"), "contact-new");
    connect(newContact, &QAction::triggered, this, [this] {
        if (OpenContactEditor(0, QString()))
            RefreshContacts();
    });
    auto* open = NewAction(MainAction::ContactsOpenAction, QStringLiteral("Open"), "document-open");
    connect(open, &QAction::triggered, this, [this] {
        if (CurrentPage() != ContactsPageIndex || contactsView_->SelectedRow() < 0)
            return;
        if (OpenContactEditor(contactsView_->SelectedId(), QString()))
            RefreshContacts();
    });
    auto* remove = NewAction(MainAction::ContactsDeleteAction, QStringLiteral("Delete"), "edit-delete");
    connect(remove, &QAction::triggered, this, [this] {
        DATABASE_CONTACTS_DATA contact;
        if (CurrentPage() != ContactsPageIndex || !contacts_->ContactAt(contactsView_->SelectedRow(), contact))
            return;
        if (contactsBook_->Delete(contact.ID, contact.Contact))
            RefreshContacts();
    });
    auto* message = NewAction(MainAction::ContactsMessageAction, QStringLiteral("Message"), "mail-message-new");
    message->setToolTip(QStringLiteral("Send message"));
    connect(message, &QAction::triggered, this, [this] {
        if (CurrentPage() == ContactsPageIndex)
            Act(MainAction::SmsNewAction)->trigger();
    });
    for (QAction* action : {open, remove, message})
        action->setEnabled(false);

    connect(NewAction(MainAction::ContactsImportAction, QStringLiteral("Import contacts"), "document-open"),
            &QAction::triggered, this, [this] {
                std::optional<WaitCursor> wait; // from the replacing on, as long as it runs
                contactsBook_->Import(
                    [this, &wait] {
                        wait.emplace();
                        ContactsSelectionChanged(false);
                    },
                    [this, &wait] {
                        RefreshContacts();
                        Act(MainAction::ShowContactsAction)->trigger();
                        wait.reset(); // before any box about skipped lines
                    });
            });
    connect(NewAction(MainAction::ContactsExportAction, QStringLiteral("Export contacts"), "document-save"),
            &QAction::triggered, this, [this] { contactsBook_->Export(); });
    connect(NewAction(MainAction::ContactsSimAction, QStringLiteral("SIM contacts"), "media-flash"),
            &QAction::triggered, this, &TMainWindow::OpenSimContacts);

    auto* fromMessage = NewAction(MainAction::ContactsSmsAction, QStringLiteral("Contact"), "contact-new");
    connect(fromMessage, &QAction::triggered, this, [this] {
        const QString number = messagesPage_->InfoText(0);
        if (number.isEmpty() || !settings_->Contacts)
            return;
        if (OpenContactEditor(0, number))
            RefreshContacts();
    });
}

void TMainWindow::BuildContactsPage()
{
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("ContactsTabSheet"));
    auto* layout = new QVBoxLayout(page);
    auto* title = new QLabel(QStringLiteral("Contacts"), page);
    QFont titleFont = title->font();
    titleFont.setPointSize(titleFont.pointSize() + 3);
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);
    contactsView_ = new ContactsView(*contacts_, ContactsView::Columns::All, page);
    contactsView_->setContextMenuPolicy(Qt::ActionsContextMenu);
    layout->addWidget(contactsView_);
    pages_->addWidget(page);
    Q_ASSERT(pages_->indexOf(page) == ContactsPageIndex);

    connect(contactsView_, &ContactsView::SelectionChanged, this, [this](bool selected) {
        if (CurrentPage() == ContactsPageIndex)
            ContactsSelectionChanged(selected);
    });
    connect(contactsView_, &ContactsView::RowActivated, this,
            [this] { Act(MainAction::ContactsOpenAction)->trigger(); });
    connect(messagesPage_, &MessagesPage::MessageShown, this, [this](bool named) {
        Act(MainAction::ContactsSmsAction)
            ->setText(named ? QStringLiteral("Open contact") : QStringLiteral("New contact"));
    });
    connect(messagesPage_, &MessagesPage::InfoActivated, this,
            [this] { Act(MainAction::ContactsSmsAction)->trigger(); });
}

void TMainWindow::BuildContactsMenu()
{
    contactsMenu_ = menuBar()->addMenu(QStringLiteral("&Contacts"));
    QAction* visible = contactsMenu_->menuAction();
    SetAction(MainAction::ContactsVisibleAction, visible);
    const std::optional<MainAction> entries[] = {MainAction::ContactsNewAction, MainAction::ContactsOpenAction,
                                                 MainAction::ContactsDeleteAction, std::nullopt,
                                                 MainAction::ContactsMessageAction};
    for (const auto& name : entries) {
        if (name)
            contactsMenu_->addAction(Act(*name));
        else
            contactsMenu_->addSeparator();
    }

    // The list's own menu.
    auto separator = [this] {
        auto* s = new QAction(contactsView_);
        s->setSeparator(true);
        return s;
    };
    contactsView_->addAction(Act(MainAction::ContactsMessageAction));
    contactsView_->addAction(separator());
    contactsView_->addAction(Act(MainAction::ContactsOpenAction));
    contactsView_->addAction(Act(MainAction::ContactsDeleteAction));
    contactsView_->addAction(separator());
    contactsView_->addAction(Act(MainAction::ContactsNewAction));
    contactsView_->addAction(separator());
    contactsView_->addAction(Act(MainAction::ContactsImportAction));
    contactsView_->addAction(Act(MainAction::ContactsExportAction));
    contactsView_->addAction(separator());
    contactsView_->addAction(Act(MainAction::ContactsSimAction));
}

void TMainWindow::ContactsSelectionChanged(bool selected)
{
    for (MainAction name :
         {MainAction::ContactsOpenAction, MainAction::ContactsMessageAction, MainAction::ContactsDeleteAction})
        Act(name)->setEnabled(selected);
}

void TMainWindow::ApplyContactsFeature(bool on)
{
    settings_->Contacts = on;
    messagesPage_->SetContactNames(on);
    for (MainAction name :
         {MainAction::ShowContactsAction, MainAction::ContactsVisibleAction, MainAction::ContactsSmsAction,
          MainAction::ContactsImportAction, MainAction::ContactsExportAction, MainAction::ContactsSimAction})
        Act(name)->setVisible(on);
    if (!on && CurrentPage() == ContactsPageIndex)
        Act(MainAction::ShowMessagesAction)->trigger();
    ResolveMessageNames();
}

void TMainWindow::RefreshContacts()
{
    contacts_->Refresh();
    ResolveMessageNames();
}

void TMainWindow::ResolveMessageNames()
{
    incoming_->ForgetContactNames();
    if (settings_->Contacts)
        folders_->SetNames([this](const QString& number) { return incoming_->ContactName(number); });
    else
        folders_->SetNames([](const QString&) { return QString(); });
    messagesPage_->DisplayMessage(messagesPage_->Displayed());
}

bool TMainWindow::OpenContactEditor(std::int64_t id, const QString& number)
{
    TContactWindow editor(*database_, *prompts_, *store_, 0, this);
    if (id != 0)
        editor.OpenContact(id);
    else if (!number.isEmpty())
        editor.OpenNumber(number);
    else
        editor.OpenNew();
    if (contactEditorRunner_)
        contactEditorRunner_(editor);
    else
        editor.exec();
    return editor.Changed();
}
