// The main window's message actions that change folders and stores: delete, set as unread, the
// Debug menu's delete by index, the database maintenance, and the lists' own menus.
#include "app/Settings.h"
#include "controller/MessageActions.h"
#include "controller/MessageFolders.h"
#include "windows/ListMenu.h"
#include "windows/MainWindow.h"
#include "windows/MessagesPage.h"
#include "windows/WaitCursor.h"

#include <vector>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QTreeView>

void TMainWindow::BuildMessageActions()
{
    messageActions_ = std::make_unique<MessageActions>(*this, *settings_, *database_, *device_, *incoming_, *folders_);

    connect(Act(MainAction::SmsDeleteAction), &QAction::triggered, this, [this] {
        if (CurrentPage() != MessagesPageIndex)
            return;
        const Folder folder = messagesPage_->Shown();
        if (messageActions_->Delete(folder, messagesPage_->Focused())) {
            messagesPage_->DisplayMessage(nullptr);
            UpdateMessageActions(folder, messagesPage_->Focused());
        }
    });
    connect(Act(MainAction::SmsSetAsUnreadAction), &QAction::triggered, this, [this] {
        if (messagesPage_->Shown() != Folder::Inbox)
            return;
        if (messageActions_->SetAsUnread(messagesPage_->Focused()))
            Act(MainAction::SmsSetAsUnreadAction)->setVisible(false);
    });
    connect(actions_.New(MainAction::SmsDeleteByIdAction, QStringLiteral("Delete message by ID")), &QAction::triggered,
            this, [this] { messageActions_->DeleteById(); });

    // Each maintenance action empties the lists the way the store went; the view lets go first.
    auto maintenance = [this](MainAction name, const char* caption, std::function<bool()> run) {
        QAction* action = actions_.New(name, QString::fromLatin1(caption));
        connect(action, &QAction::triggered, this, [this, run] {
            bool ran = false;
            {
                WaitCursor wait;
                messagesPage_->DisplayMessage(nullptr);
                ran = run();
            }
            if (ran)
                UpdateMessageActions(messagesPage_->Shown(), nullptr);
        });
        return action;
    };
    maintenance(MainAction::DatabaseReadAllAction, "Database / Read All", [this] {
        messageActions_->ReadAll();
        return true;
    });
    maintenance(MainAction::DatabaseDeleteAllAction, "Database / Delete All",
                [this] { return messageActions_->DeleteAll(); });
    maintenance(MainAction::DatabaseRecreateAction, "Database / Recreate",
                [this] { return messageActions_->Recreate(); });
    maintenance(MainAction::DatabaseCompressAction, "Database / Compress", [this] {
        messageActions_->Compress();
        return true;
    });
    maintenance(MainAction::DatabaseCompactAction, "Compact database", [this] {
        messageActions_->Compact();
        return true;
    })->setVisible(settings_->SaveOnDisk);

    connect(messagesPage_, &MessagesPage::DeleteKey, this, [this] { Act(MainAction::SmsDeleteAction)->trigger(); });

    // The lists' own menus.
    const std::vector<MainAction> menus[FolderCount] = {
        {MainAction::SmsReplyAction, MainAction::SmsForwardAction, MainAction::SmsDeleteAction,
         MainAction::SmsSetAsUnreadAction},
        {MainAction::SmsReplyAction, MainAction::SmsForwardAction, MainAction::SmsDeleteAction},
        {MainAction::SmsOpenAction, MainAction::SmsRetryAction, MainAction::SmsDeleteAction},
        {MainAction::SmsOpenAction, MainAction::SmsDeleteAction},
        {MainAction::SmsOpenAction, MainAction::SmsDeleteAction},
        {MainAction::SmsDeleteAction}};
    const int menuNumbers[FolderCount] = {1, 2, 3, 4, 4, 5};
    for (int f = 0; f < FolderCount; ++f) {
        QTreeView* list = messagesPage_->List(static_cast<Folder>(f));
        auto* menu = new QMenu(list);
        menu->setObjectName(QStringLiteral("SmsMenu%1").arg(menuNumbers[f]));
        for (const MainAction name : menus[f])
            menu->addAction(Act(name));
        list_menu::Install(list, menu);
    }
}
