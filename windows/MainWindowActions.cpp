// The main window's actions, menus, tool bar, pages and status bar.
#include "app/Prompts.h"
#include "app/Settings.h"
#include "controller/ContactsModel.h"
#include "controller/DeviceState.h"
#include "controller/IncomingMessages.h"
#include "controller/LogModel.h"
#include "controller/MessageExport.h"
#include "controller/MessageFolders.h"
#include "controller/ModemManagerLink.h"
#include "controller/SendPipeline.h"
#include "device/Broadband.h"
#include "storage/Database.h"
#include "windows/ContactsPage.h"
#include "windows/ConversationsPage.h"
#include "windows/DebugPage.h"
#include "windows/Images.h"
#include "windows/MainWindow.h"

#include "windows/MessagePrinter.h"
#include "windows/MessagesPage.h"
#include "windows/PageTitle.h"
#include "windows/StatusPage.h"
#include "windows/WaitCursor.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <optional>

namespace {

// A log list: uniform rows, so that a million lines scroll in constant time; follows its newest
// line while shown, unless the user scrolled up.
QTreeView* LogList(LogModel* model, QWidget* parent, const char* name, const QString& accessibleName)
{
    auto* view = new QTreeView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setAccessibleName(accessibleName);
    view->setModel(model);
    view->setHeaderHidden(true);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont font = view->font();
    font.setFamily(QStringLiteral("monospace"));
    font.setStyleHint(QFont::Monospace);
    view->setFont(font);
    QObject::connect(model, &LogModel::Appended, view, [view] {
        if (!view->isVisible())
            return;
        QScrollBar* bar = view->verticalScrollBar();
        if (bar->value() >= bar->maximum() - 2)
            view->scrollToBottom();
    });
    return view;
}

// A label that reports double clicks (the Log page's hidden switch).
class SwitchLabel : public QLabel
{
public:
    explicit SwitchLabel(std::function<void()> onDoubleClick, QWidget* parent)
        : QLabel(parent), onDoubleClick_(std::move(onDoubleClick))
    {
        setMinimumWidth(40);
    }

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { onDoubleClick_(); }

private:
    std::function<void()> onDoubleClick_;
};

} // namespace

void TMainWindow::BuildActions()
{
    auto* views = new QActionGroup(this);
    struct View
    {
        MainAction name;
        const char* caption;
        const char* icon;
        int page;
    };
    const View viewList[] = {
        {MainAction::ShowMessagesAction, "Messages", "mail-read", MessagesPageIndex},
        {MainAction::ShowConversationsAction, "Conversations", "mail-reply-all", ConversationsPageIndex},
        {MainAction::ShowContactsAction, "Contacts", "x-office-address-book", ContactsPageIndex},
        {MainAction::ShowStatusAction, "Status", "preferences-system-network", StatusPageIndex},
        {MainAction::ShowDeviceAction, "Device", "computer", DevicePageIndex},
        {MainAction::ShowLogAction, "Log", "text-x-generic", LogPageIndex}};
    for (const View& v : viewList) {
        QAction* action = actions_.New(v.name, QString::fromLatin1(v.caption), v.icon);
        action->setCheckable(true);
        views->addAction(action);
        const int page = v.page;
        connect(action, &QAction::triggered, this, [this, page] { ShowPage(page); });
    }
    Act(MainAction::ShowConversationsAction)->setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    addAction(Act(MainAction::ShowConversationsAction)); // its shortcut without menu and tool bar too

    connect(actions_.New(MainAction::SmsNewAction, QStringLiteral("New"), "mail-message-new"), &QAction::triggered,
            this, [this] {
                // From the Contacts page, the selected contact is the recipient.
                const QString number = CurrentPage() == ContactsPageIndex ? contactsPage_->SelectedNumber() : QString();
                OpenComposer(QStringLiteral("New message"), number, QString());
            });
    connect(actions_.New(MainAction::SmsReplyAction, QStringLiteral("Reply"), "mail-reply-sender"), &QAction::triggered,
            this, [this] {
                const Folder f = messagesPage_->Shown();
                SmsData* data = messagesPage_->Focused();
                if (data && f != Folder::Templates && f != Folder::Reports)
                    OpenComposer(QStringLiteral("Reply"), data->GetNumber(), QString());
            });
    connect(actions_.New(MainAction::SmsForwardAction, QStringLiteral("Forward"), "mail-forward"), &QAction::triggered,
            this, [this] {
                const Folder f = messagesPage_->Shown();
                SmsData* data = messagesPage_->Focused();
                if (data && f != Folder::Templates && f != Folder::Reports)
                    OpenComposer(QStringLiteral("Forward"), QString(), data->ViewText());
            });
    connect(actions_.New(MainAction::SmsOpenAction, QStringLiteral("Open"), "document-open"), &QAction::triggered, this,
            [this] {
                const Folder f = messagesPage_->Shown();
                SmsData* data = messagesPage_->Focused();
                if (!data || f == Folder::Reports)
                    return;
                if (f == Folder::Outbox && folders_->Model(f).Image(data) != ImageError)
                    return;
                OpenComposer(QStringLiteral("New message"), data->GetNumber(), data->ViewText());
            });
    actions_.New(MainAction::SmsDeleteAction, QStringLiteral("Delete"), "edit-delete");
    actions_.New(MainAction::SmsSetAsUnreadAction, QStringLiteral("Set As Unread"), "mail-mark-unread");
    connect(actions_.New(MainAction::SmsRetryAction, QStringLiteral("Retry"), "view-refresh"), &QAction::triggered,
            this, [this] {
                if (messagesPage_->Shown() == Folder::Outbox)
                    pipeline_->Retry(messagesPage_->Focused());
            });
    QAction* sendAll = actions_.New(MainAction::SmsSendAllAction, QStringLiteral("Send All"));
    sendAll->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    connect(sendAll, &QAction::triggered, this, [this] { pipeline_->SendAll(); });
    addAction(sendAll);

    // Save, print and export act on the Messages page only; elsewhere they beep.
    printer_ = new MessagePrinter(this);
    QAction* save = actions_.New(MainAction::SmsSaveAction, QStringLiteral("Save..."), "document-save-as");
    save->setEnabled(false);
    connect(save, &QAction::triggered, this, [this] {
        if (pages_->currentIndex() != MessagesPageIndex) {
            QApplication::beep();
            return;
        }
        if (const SmsData* data = messagesPage_->Focused())
            message_export::SmsSaveActionExecute(*this, *data, settings_->Contacts);
    });
    QAction* print = actions_.New(MainAction::SmsPrintAction, QStringLiteral("Print..."), "document-print");
    print->setEnabled(false);
    connect(print, &QAction::triggered, this, [this] {
        if (pages_->currentIndex() != MessagesPageIndex) {
            QApplication::beep();
            return;
        }
        if (const SmsData* data = messagesPage_->Focused())
            printer_->SmsPrintActionExecute(windowTitle(), message_export::PrintTitle(messagesPage_->Shown()),
                                            message_export::PrintLines(*data, settings_->Contacts),
                                            [this](const QString& line) { WriteLog(line); });
    });
    connect(actions_.New(MainAction::SmsExportAction, QStringLiteral("Export messages"), "document-save"),
            &QAction::triggered, this, [this] {
                if (pages_->currentIndex() != MessagesPageIndex) {
                    QApplication::beep();
                    return;
                }
                std::optional<WaitCursor> wait;
                message_export::SmsExportActionExecute(*this, folders_->Model(messagesPage_->Shown()),
                                                       settings_->CsvDelimiterChar(), [&wait](bool on) {
                                                           if (on)
                                                               wait.emplace();
                                                           else
                                                               wait.reset();
                                                       });
            });
    connect(actions_.New(MainAction::SmsAnalyseAction, QStringLiteral("Analyse message")), &QAction::triggered, this,
            [this] {
                if (messagesPage_->Shown() != Folder::Inbox)
                    return;
                if (const SmsData* data = messagesPage_->Focused())
                    message_export::SmsAnalyseActionExecute(*this, *data);
            });

    connect(actions_.New(MainAction::ConnectAction, QStringLiteral("Start interface"), "media-playback-start"),
            &QAction::triggered, this, [this] { deviceState_->ConnectAction(); });
    connect(actions_.New(MainAction::DisconnectAction, QStringLiteral("Stop interface"), "media-playback-stop"),
            &QAction::triggered, this, [this] { deviceState_->DisconnectAction(); });
    QAction* pin = actions_.New(MainAction::EnterPinAction, QStringLiteral("Enter PIN"), "dialog-password");
    connect(pin, &QAction::triggered, this, [this] { deviceState_->EnterPin(); });
    // The menu entry stays; the tool bar's button shows only while the SIM asks for its PIN.
    QAction* pinButton = actions_.New(MainAction::EnterPinButtonAction, QStringLiteral("Enter PIN"), "dialog-password");
    pinButton->setVisible(false);
    connect(pinButton, &QAction::triggered, pin, &QAction::trigger);

    QAction* exit = actions_.New(MainAction::ExitAction, QStringLiteral("Exit"), "application-exit");
    connect(exit, &QAction::triggered, this, [this] {
        closeForReal_ = true;
        close();
    });

    // Option toggles: their checked states are what the rest reads.
    actions_.NewToggles({{MainAction::AlwaysOnTopAction, "Always On Top", &settings_->AlwaysOnTop},
                         {MainAction::HideWhenMinimizedAction, "Hide When Minimized", &settings_->HideWhenMinimized},
                         {MainAction::SmsDeliveryReportAction, "Delivery Report", &settings_->DeliveryReport}});
    connect(Act(MainAction::AlwaysOnTopAction), &QAction::toggled, this, [this](bool on) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        show();
    });

    QAction* clearLog = actions_.New(MainAction::ClearLogAction, QStringLiteral("Clear log"), "edit-clear");
    connect(clearLog, &QAction::triggered, this, [this] {
        logModel_->Clear();
        statusModel_->Clear();
    });
    connect(actions_.New(MainAction::SynchronizeSmsAction, QStringLiteral("Synchronize messages")), &QAction::triggered,
            this, [this] {
                pipeline_->ProcessOutbox();
                messagesPage_->DisplayMessage(nullptr);
                incoming_->Resynchronize();
            });
    connect(actions_.New(MainAction::GetDeviceInfoAction, QStringLiteral("Device info"), "dialog-information"),
            &QAction::triggered, this, [this] {
                ShowPage(DevicePageIndex);
                device_->ShowDeviceInfo();
            });
    Act(MainAction::GetDeviceInfoAction)->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Alt+I"))});
    addAction(Act(MainAction::GetDeviceInfoAction));

    // The Debug page's action works by its shortcut while the Debug menu is hidden.
    QAction* debugView = actions_.New(MainAction::ShowDebugAction, QStringLiteral("Debug view"), "utilities-terminal");
    debugView->setCheckable(true);
    debugView->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    views->addAction(debugView);
    addAction(debugView);
    connect(debugView, &QAction::triggered, this, [this] { ShowPage(DebugPageIndex); });
    connect(actions_.New(MainAction::RegisterManual2Action, QStringLiteral("Network registration"), "network-wireless"),
            &QAction::triggered, this, [this] {
                deviceState_->RegisterFromDebugPage(debugPage_->Automatic(), debugPage_->ProviderId(),
                                                    debugPage_->DataClass());
            });
    // Emulations of device events: listed for the record, they do nothing.
    const std::pair<MainAction, const char*> emulations[] = {
        {MainAction::EmulateSmsNewAction, "Emulate SMS New"},
        {MainAction::EmulateSmsNewMultipartAction, "Emulate SMS New / Miltipart"},
        {MainAction::EmulateSmsSentAction, "Emulate SMS Sent"},
        {MainAction::EmulateSmsSentMultipartAction, "Emulate SMS Sent / Multipart"},
        {MainAction::EmulateSmsDraftAction, "Emulate SMS Draft"},
        {MainAction::EmulateSmsReport1Action, "Emulate SMS Report v1"},
        {MainAction::EmulateSmsReport2Action, "Emulate SMS Report v2"},
        {MainAction::EmulateEventSmsSendCompleteAction, "Emulate Event / SMS Sent Complete"}};
    for (const auto& emulation : emulations)
        actions_.New(emulation.first, QString::fromLatin1(emulation.second))->setVisible(false);
}

void TMainWindow::BuildMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(Act(MainAction::SmsSaveAction));
    file->addSeparator();
    file->addAction(Act(MainAction::SmsPrintAction));
    file->addSeparator();
    file->addAction(Act(MainAction::ExitAction));

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    for (MainAction name :
         {MainAction::ShowMessagesAction, MainAction::ShowConversationsAction, MainAction::ShowContactsAction,
          MainAction::ShowStatusAction, MainAction::ShowDeviceAction, MainAction::ShowLogAction})
        view->addAction(Act(name));

    QMenu* messages = bar->addMenu(QStringLiteral("&Messages"));
    // Every entry of the lists' own menus, for those who never open them.
    for (MainAction name :
         {MainAction::SmsNewAction, MainAction::SmsOpenAction, MainAction::SmsReplyAction, MainAction::SmsForwardAction,
          MainAction::SmsRetryAction, MainAction::SmsDeleteAction, MainAction::SmsSetAsUnreadAction})
        messages->addAction(Act(name));
    messages->addSeparator();
    messages->addAction(Act(MainAction::OpenUssdSessionAction));

    contactsPage_->BuildMenus(menuBar());

    QMenu* misc = bar->addMenu(QStringLiteral("M&iscellaneous"));
    misc->addAction(Act(MainAction::RegistrationAction1));
    misc->addSeparator();
    misc->addAction(Act(MainAction::RadioOnAction));
    misc->addAction(Act(MainAction::RadioOffAction));
    misc->addSeparator();
    misc->addAction(Act(MainAction::EnterPinAction));
    misc->addSeparator();
    QMenu* toolsMenu = misc->addMenu(QStringLiteral("Tools"));
    toolsMenu->addAction(Act(MainAction::SmsExportAction));
    toolsMenu->addSeparator();
    toolsMenu->addAction(Act(MainAction::ContactsImportAction));
    toolsMenu->addAction(Act(MainAction::ContactsExportAction));
    toolsMenu->addSeparator();
    toolsMenu->addAction(Act(MainAction::ContactsSimAction));
    misc->addSeparator();
    QMenu* advanced = misc->addMenu(QStringLiteral("Advanced"));
    for (MainAction name :
         {MainAction::OperatorsSearchAction, MainAction::GetPreferredProvidersAction, MainAction::RegisterManualAction})
        advanced->addAction(Act(name));
    advanced->addSeparator();
    advanced->addAction(Act(MainAction::DatabaseCompactAction));
    advanced->addAction(Act(MainAction::SynchronizeSmsAction));
    advanced->addSeparator();
    advanced->addAction(Act(MainAction::InterfaceSelectAction));
    advanced->addSeparator();
    advanced->addAction(Act(MainAction::ClearLogAction));

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->addAction(Act(MainAction::AlwaysOnTopAction));
    options->addAction(Act(MainAction::HideWhenMinimizedAction));
    options->addSeparator();
    options->addAction(Act(MainAction::LargeButtonsAction));
    options->addAction(Act(MainAction::LargeTextAction));
    options->addSeparator();
    options->addAction(Act(MainAction::SmsDeliveryReportAction));
    options->addSeparator();
    options->addAction(Act(MainAction::SettingsAction));

    debugMenu_ = bar->addMenu(QStringLiteral("&Debug"));
    QMenu* database = debugMenu_->addMenu(QStringLiteral("Database"));
    for (MainAction name : {MainAction::DatabaseReadAllAction, MainAction::DatabaseDeleteAllAction,
                            MainAction::DatabaseRecreateAction, MainAction::DatabaseCompressAction})
        database->addAction(Act(name));
    QMenu* broadband = debugMenu_->addMenu(QStringLiteral("Mobile Broadband"));
    broadband->addAction(Act(MainAction::ConnectAction));
    broadband->addAction(Act(MainAction::DisconnectAction));
    broadband->addSeparator();
    QMenu* sms = broadband->addMenu(QStringLiteral("SMS"));
    for (MainAction name : {MainAction::EmulateSmsNewAction, MainAction::EmulateSmsNewMultipartAction,
                            MainAction::EmulateSmsSentAction, MainAction::EmulateSmsSentMultipartAction,
                            MainAction::EmulateSmsDraftAction, MainAction::EmulateSmsReport1Action,
                            MainAction::EmulateSmsReport2Action, MainAction::EmulateEventSmsSendCompleteAction})
        sms->addAction(Act(name));
    sms->addSeparator();
    sms->addAction(Act(MainAction::SmsAnalyseAction));
    sms->addAction(Act(MainAction::SmsDeleteByIdAction));
    sms->addAction(Act(MainAction::SmsSendAllAction));
    BuildServicesMenu(broadband);
    debugMenu_->addSeparator();
    debugMenu_->addAction(Act(MainAction::GetDeviceInfoAction));
    debugMenu_->addAction(Act(MainAction::ShowDebugAction));
    debugMenu_->menuAction()->setVisible(false);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(Act(MainAction::OpenHelpAction));
    help->addSeparator();
    for (MainAction name : {MainAction::HomePageAction, MainAction::SupportAction, MainAction::LicenseInfoAction})
        help->addAction(Act(name));
    help->addSeparator();
    help->addAction(Act(MainAction::AboutAction));

    QToolBar* tools = addToolBar(QStringLiteral("ToolBar"));
    tools->setObjectName(QStringLiteral("ToolBar"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tools->setIconSize(QSize(24, 24));
    for (MainAction name :
         {MainAction::ShowMessagesAction, MainAction::ShowConversationsAction, MainAction::ShowContactsAction,
          MainAction::ShowStatusAction, MainAction::ShowDeviceAction, MainAction::ShowLogAction})
        tools->addAction(Act(name));
    tools->addSeparator();
    for (MainAction name : {MainAction::SmsNewAction, MainAction::SmsReplyAction, MainAction::SmsForwardAction,
                            MainAction::SmsDeleteAction})
        tools->addAction(Act(name));
    tools->addSeparator();
    tools->addAction(Act(MainAction::OpenUssdSessionAction));
    tools->addAction(Act(MainAction::RegistrationAction2));
    tools->addSeparator()->setObjectName(QStringLiteral("TBBxUssdDev"));
    tools->addAction(Act(MainAction::EnterPinButtonAction));
    pinSeparator_ = tools->addSeparator();
    pinSeparator_->setObjectName(QStringLiteral("TBBxPinDev"));
    pinSeparator_->setVisible(false);
    tools->addAction(Act(MainAction::AboutAction));
    tools->addSeparator();
    tools->addAction(Act(MainAction::ExitAction));
}

void TMainWindow::BuildPages()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(2);
    pages_ = new QStackedWidget(central);
    layout->addWidget(pages_, 1);
    progress_ = new QProgressBar(central);
    progress_->setObjectName(QStringLiteral("ProgressBar"));
    progress_->setRange(0, 0);
    progress_->setMaximumHeight(8);
    progress_->setTextVisible(false);
    progress_->hide();
    layout->addWidget(progress_);
    setCentralWidget(central);

    messagesPage_ = new MessagesPage(*folders_, pages_);
    pages_->addWidget(messagesPage_);
    connect(messagesPage_, &MessagesPage::Selected, this, &TMainWindow::ListSelected);
    connect(messagesPage_, &MessagesPage::FolderChosen, this,
            [this](Folder folder) { UpdateMessageActions(folder, nullptr); });
    // Save and Print follow the selection.
    connect(messagesPage_, &MessagesPage::Selected, this, [this](Folder, SmsData* data) {
        Act(MainAction::SmsSaveAction)->setEnabled(data != nullptr);
        Act(MainAction::SmsPrintAction)->setEnabled(data != nullptr);
    });
    connect(messagesPage_, &MessagesPage::FolderChosen, this, [this] {
        Act(MainAction::SmsSaveAction)->setEnabled(false);
        Act(MainAction::SmsPrintAction)->setEnabled(false);
    });
    connect(messagesPage_, &MessagesPage::Activated, this, [this](Folder folder) {
        if (folder != Folder::Inbox && folder != Folder::Sent && messagesPage_->Focused())
            Act(MainAction::SmsOpenAction)->trigger();
    });

    statusPage_ = new StatusPage(pages_);
    pages_->addWidget(statusPage_);

    statusView_ = LogList(statusModel_, pages_, "StatusLog", QStringLiteral("Device log"));
    pages_->addWidget(statusView_);

    auto* logPage = new QWidget(pages_);
    auto* logLayout = new QVBoxLayout(logPage);
    logLayout->setContentsMargins(9, 9, 9, 9);
    auto* header = new QHBoxLayout;
    header->addWidget(NewPageTitle(QStringLiteral("Application log"), "HeaderApplicationLog", logPage));
    header->addStretch(1);
    auto* debugSwitch = new SwitchLabel(
        [this] { debugMenu_->menuAction()->setVisible(!debugMenu_->menuAction()->isVisible()); }, logPage);
    debugSwitch->setObjectName(QStringLiteral("DebugSwitch"));
    header->addWidget(debugSwitch);
    logLayout->addLayout(header);
    logView_ = LogList(logModel_, logPage, "LogWindow", QStringLiteral("Application log"));
    logLayout->addWidget(logView_);
    pages_->addWidget(logPage);

    debugPage_ = new DebugPage(Act(MainAction::RegisterManual2Action), pages_);
    pages_->addWidget(debugPage_);

    pages_->addWidget(contactsPage_);
    Q_ASSERT(pages_->indexOf(contactsPage_) == ContactsPageIndex);
    conversationsPage_ = new ConversationsPage(
        {*this, *settings_, *database_, *device_, *folders_, *incoming_, *pipeline_, *printer_,
         [this](const QString& text) { OpenComposer(QStringLiteral("Forward"), QString(), text); },
         [this](const QString& number) { contactsPage_->EditNumber(number); }},
        pages_);
    pages_->addWidget(conversationsPage_);
    Q_ASSERT(pages_->indexOf(conversationsPage_) == ConversationsPageIndex);
}

void TMainWindow::ShowStatusView(StatusView view)
{
    nextStatusView_ = view;
    ShowPage(StatusPageIndex);
}

int TMainWindow::CurrentPage() const
{
    return pages_->currentIndex();
}

void TMainWindow::ShowPage(int page)
{
    const int previous = pages_->currentIndex();
    // The message actions act on the Messages page only: away from it they are held disabled, and
    // coming back gives them their states again.
    static const MainAction held[] = {MainAction::SmsReplyAction,  MainAction::SmsForwardAction,
                                      MainAction::SmsDeleteAction, MainAction::SmsSaveAction,
                                      MainAction::SmsPrintAction,  MainAction::SmsOpenAction,
                                      MainAction::SmsRetryAction,  MainAction::SmsSetAsUnreadAction};
    if (previous == MessagesPageIndex && page != MessagesPageIndex && heldMessageActions_.isEmpty()) {
        for (const MainAction name : held) {
            QAction* action = Act(name);
            heldMessageActions_.insert(static_cast<int>(name), action->isEnabled());
            action->setEnabled(false);
        }
    } else if (page == MessagesPageIndex && !heldMessageActions_.isEmpty()) {
        for (auto it = heldMessageActions_.cbegin(); it != heldMessageActions_.cend(); ++it)
            Act(static_cast<MainAction>(it.key()))->setEnabled(it.value());
        heldMessageActions_.clear();
    }
    if (previous == ContactsPageIndex && page != ContactsPageIndex)
        contactsPage_->Shown(false);

    pages_->setCurrentIndex(page);
    const MainAction names[] = {MainAction::ShowMessagesAction,     MainAction::ShowStatusAction,
                                MainAction::ShowDeviceAction,       MainAction::ShowLogAction,
                                MainAction::ShowDebugAction,        MainAction::ShowContactsAction,
                                MainAction::ShowConversationsAction};
    Act(names[page])->setChecked(true);
    switch (page) {
    case MessagesPageIndex: incoming_->ReadDevice(); break;
    case StatusPageIndex: {
        const StatusView view = nextStatusView_;
        nextStatusView_ = StatusView::Status;
        statusPage_->Fill(view, *device_, *modemManager_);
        break;
    }
    case DevicePageIndex:
        statusView_->clearSelection();
        statusView_->scrollToBottom();
        break;
    case LogPageIndex:
        logView_->clearSelection();
        logView_->scrollToBottom();
        break;
    case ContactsPageIndex: contactsPage_->Shown(true); break;
    default: break;
    }
}
