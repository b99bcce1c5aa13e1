// The main window's message actions that change folders and stores: delete, set as unread, the
// Debug menu's delete by index, the database maintenance, and the lists' own menus.
#include "app/Settings.h"
#include "controller/MessageActions.h"
#include "controller/MessageFolders.h"
#include "windows/MainWindow.h"
#include "windows/MessagesPage.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QTreeView>

namespace {

// The hourglass while a maintenance action runs.
struct Hourglass
{
    Hourglass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QGuiApplication::restoreOverrideCursor(); }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

} // namespace

void TMainWindow::BuildMessageActions()
{
    messageActions_ = std::make_unique<MessageActions>(*this, *settings_, *database_, *device_, *folders_);

    connect(Action(QStringLiteral("SmsDeleteAction")), &QAction::triggered, this, [this] {
        if (CurrentPage() != MessagesPageIndex)
            return;
        const Folder folder = messagesPage_->Shown();
        if (messageActions_->Delete(folder, messagesPage_->Focused())) {
            messagesPage_->DisplayMessage(nullptr);
            UpdateMessageActions(folder, messagesPage_->Focused());
        }
    });
    connect(Action(QStringLiteral("SmsSetAsUnreadAction")), &QAction::triggered, this, [this] {
        if (messagesPage_->Shown() != Folder::Inbox)
            return;
        if (messageActions_->SetAsUnread(messagesPage_->Focused()))
            Action(QStringLiteral("SmsSetAsUnreadAction"))->setVisible(false);
    });
    connect(NewAction(QStringLiteral("SmsDeleteByIdAction"), QStringLiteral("Delete message by ID")),
            &QAction::triggered, this, [this] { messageActions_->DeleteById(); });

    // Each maintenance action empties the lists the way the store went; the view lets go first.
    auto maintenance = [this](const char* name, const char* caption, std::function<bool()> run) {
        QAction* action = NewAction(QString::fromLatin1(name), QString::fromLatin1(caption));
        connect(action, &QAction::triggered, this, [this, run] {
            bool ran = false;
            {
                Hourglass wait;
                messagesPage_->DisplayMessage(nullptr);
                ran = run();
            }
            if (ran)
                UpdateMessageActions(messagesPage_->Shown(), nullptr);
        });
        return action;
    };
    maintenance("DatabaseReadAllAction", "Database / Read All", [this] {
        messageActions_->ReadAll();
        return true;
    });
    maintenance("DatabaseDeleteAllAction", "Database / Delete All", [this] { return messageActions_->DeleteAll(); });
    maintenance("DatabaseRecreateAction", "Database / Recreate", [this] { return messageActions_->Recreate(); });
    maintenance("DatabaseCompressAction", "Database / Compress", [this] {
        messageActions_->Compress();
        return true;
    });
    maintenance("DatabaseCompactAction", "Compact database", [this] {
        messageActions_->Compact();
        return true;
    })->setVisible(settings_->SaveOnDisk);

    connect(messagesPage_, &MessagesPage::DeleteKey, this,
            [this] { Action(QStringLiteral("SmsDeleteAction"))->trigger(); });

    // The lists' own menus.
    const char* const menus[FolderCount][4] = {
        {"SmsReplyAction", "SmsForwardAction", "SmsDeleteAction", "SmsSetAsUnreadAction"},
        {"SmsReplyAction", "SmsForwardAction", "SmsDeleteAction", nullptr},
        {"SmsOpenAction", "SmsRetryAction", "SmsDeleteAction", nullptr},
        {"SmsOpenAction", "SmsDeleteAction", nullptr, nullptr},
        {"SmsOpenAction", "SmsDeleteAction", nullptr, nullptr},
        {"SmsDeleteAction", nullptr, nullptr, nullptr}};
    for (int f = 0; f < FolderCount; ++f)
        for (const char* name : menus[f])
            if (name)
                messagesPage_->List(static_cast<Folder>(f))->addAction(Action(QString::fromLatin1(name)));
}
