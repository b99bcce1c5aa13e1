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
#include "windows/ContactsView.h"
#include "windows/DebugPage.h"
#include "windows/Images.h"
#include "windows/MainWindow.h"

#include "controller/ModemManagerLink.h"
#include "windows/MessagePrinter.h"
#include "windows/MessagesPage.h"
#include "windows/StatusPanels.h"
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
#include <QTreeWidget>
#include <QVBoxLayout>

#include <optional>

namespace {

// A log list: uniform rows, so that a million lines scroll in constant time; follows its newest
// line while shown, unless the user scrolled up.
QTreeView* LogList(LogModel* model, QWidget* parent, const char* name)
{
    auto* view = new QTreeView(parent);
    view->setObjectName(QString::fromLatin1(name));
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

QAction* TMainWindow::NewAction(const QString& name, const QString& caption, const char* icon)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (icon)
        action->setIcon(Images::Theme(icon));
    actions_.insert(name, action);
    return action;
}

QAction* TMainWindow::Action(const QString& name) const
{
    QAction* action = actions_.value(name);
    Q_ASSERT_X(action, "TMainWindow::Action", qPrintable(name));
    return action;
}

void TMainWindow::BuildActions()
{
    auto* views = new QActionGroup(this);
    struct View
    {
        const char* name;
        const char* caption;
        const char* icon;
        int page;
    };
    const View viewList[] = {{"ShowMessagesAction", "Messages", "mail-message", MessagesPageIndex},
                             {"ShowContactsAction", "Contacts", "x-office-address-book", ContactsPageIndex},
                             {"ShowStatusAction", "Status", "network-wireless", StatusPageIndex},
                             {"ShowDeviceAction", "Device", "computer", DevicePageIndex},
                             {"ShowLogAction", "Log", "text-x-generic", LogPageIndex}};
    for (const View& v : viewList) {
        QAction* action = NewAction(QString::fromLatin1(v.name), QString::fromLatin1(v.caption), v.icon);
        action->setCheckable(true);
        views->addAction(action);
        const int page = v.page;
        connect(action, &QAction::triggered, this, [this, page] { ShowPage(page); });
    }

    connect(NewAction(QStringLiteral("SmsNewAction"), QStringLiteral("New"), "mail-message-new"), &QAction::triggered,
            this, [this] {
                // From the Contacts page, the selected contact is the recipient.
                QString number;
                DATABASE_CONTACTS_DATA contact;
                if (CurrentPage() == ContactsPageIndex && contactsView_->SelectedRow() >= 0 &&
                    contacts_->ContactAt(contactsView_->SelectedRow(), contact))
                    number = contact.Number;
                OpenComposer(QStringLiteral("New message"), number, QString());
            });
    connect(NewAction(QStringLiteral("SmsReplyAction"), QStringLiteral("Reply"), "mail-reply-sender"),
            &QAction::triggered, this, [this] {
                const Folder f = messagesPage_->Shown();
                SmsData* data = messagesPage_->Focused();
                if (data && f != Folder::Templates && f != Folder::Reports)
                    OpenComposer(QStringLiteral("Reply"), data->GetNumber(), QString());
            });
    connect(NewAction(QStringLiteral("SmsForwardAction"), QStringLiteral("Forward"), "mail-forward"),
            &QAction::triggered, this, [this] {
                const Folder f = messagesPage_->Shown();
                SmsData* data = messagesPage_->Focused();
                if (data && f != Folder::Templates && f != Folder::Reports)
                    OpenComposer(QStringLiteral("Forward"), QString(), data->ViewText());
            });
    connect(NewAction(QStringLiteral("SmsOpenAction"), QStringLiteral("Open"), "document-open"), &QAction::triggered,
            this, [this] {
                const Folder f = messagesPage_->Shown();
                SmsData* data = messagesPage_->Focused();
                if (!data || f == Folder::Reports)
                    return;
                if (f == Folder::Outbox && folders_->Model(f).Image(data) != ImageError)
                    return;
                OpenComposer(QStringLiteral("New message"), data->GetNumber(), data->ViewText());
            });
    NewAction(QStringLiteral("SmsDeleteAction"), QStringLiteral("Delete"), "edit-delete");
    NewAction(QStringLiteral("SmsSetAsUnreadAction"), QStringLiteral("Set As Unread"), "mail-mark-unread");
    connect(NewAction(QStringLiteral("SmsRetryAction"), QStringLiteral("Retry"), "view-refresh"), &QAction::triggered,
            this, [this] {
                if (messagesPage_->Shown() == Folder::Outbox)
                    pipeline_->Retry(messagesPage_->Focused());
            });
    QAction* sendAll = NewAction(QStringLiteral("SmsSendAllAction"), QStringLiteral("Send All"));
    sendAll->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    connect(sendAll, &QAction::triggered, this, [this] { pipeline_->SendAll(); });
    addAction(sendAll);

    // Save, print and export act on the Messages page only; elsewhere they beep.
    printer_ = new MessagePrinter(this);
    QAction* save = NewAction(QStringLiteral("SmsSaveAction"), QStringLiteral("Save..."), "document-save-as");
    save->setEnabled(false);
    connect(save, &QAction::triggered, this, [this] {
        if (pages_->currentIndex() != MessagesPageIndex) {
            QApplication::beep();
            return;
        }
        if (const SmsData* data = messagesPage_->Focused())
            message_export::SmsSaveActionExecute(*this, *data, settings_->Contacts);
    });
    QAction* print = NewAction(QStringLiteral("SmsPrintAction"), QStringLiteral("Print..."), "document-print");
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
    connect(NewAction(QStringLiteral("SmsExportAction"), QStringLiteral("Export messages"), "document-export"),
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
    connect(NewAction(QStringLiteral("SmsAnalyseAction"), QStringLiteral("Analyse message")), &QAction::triggered, this,
            [this] {
                if (messagesPage_->Shown() != Folder::Inbox)
                    return;
                if (const SmsData* data = messagesPage_->Focused())
                    message_export::SmsAnalyseActionExecute(*this, *data);
            });

    connect(NewAction(QStringLiteral("ConnectAction"), QStringLiteral("Start interface"), "network-connect"),
            &QAction::triggered, this, [this] { deviceState_->ConnectAction(); });
    connect(NewAction(QStringLiteral("DisconnectAction"), QStringLiteral("Stop interface"), "network-disconnect"),
            &QAction::triggered, this, [this] { deviceState_->DisconnectAction(); });
    QAction* pin = NewAction(QStringLiteral("EnterPinAction"), QStringLiteral("Enter PIN"), "dialog-password");
    pin->setVisible(false);
    connect(pin, &QAction::triggered, this, [this] {
        // Masked, and never logged: the PIN goes to the device only.
        const std::optional<QString> answer =
            prompts_->InputSecret(QStringLiteral("Enter PIN"), QStringLiteral("PIN1:"));
        if (answer && !answer->trimmed().isEmpty())
            device_->EnterPin(2, answer->trimmed().toStdString());
    });

    QAction* exit = NewAction(QStringLiteral("ExitAction"), QStringLiteral("Exit"), "application-exit");
    connect(exit, &QAction::triggered, this, [this] {
        closeForReal_ = true;
        close();
    });

    // Option toggles: their checked states are what the rest reads.
    NewToggles({{"AlwaysOnTopAction", "Always On Top", &settings_->AlwaysOnTop},
                {"HideWhenMinimizedAction", "Hide When Minimized", &settings_->HideWhenMinimized},
                {"SmsDeliveryReportAction", "Delivery Report", &settings_->DeliveryReport}});
    connect(Action(QStringLiteral("AlwaysOnTopAction")), &QAction::toggled, this, [this](bool on) {
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        show();
    });

    QAction* clearLog = NewAction(QStringLiteral("ClearLogAction"), QStringLiteral("Clear log"), "edit-clear");
    connect(clearLog, &QAction::triggered, this, [this] {
        logModel_->Clear();
        statusModel_->Clear();
    });
    connect(NewAction(QStringLiteral("SynchronizeSmsAction"), QStringLiteral("Synchronize messages")),
            &QAction::triggered, this, [this] {
                pipeline_->ProcessOutbox();
                messagesPage_->DisplayMessage(nullptr);
                incoming_->Resynchronize();
            });
    connect(NewAction(QStringLiteral("GetDeviceInfoAction"), QStringLiteral("Device info"), "dialog-information"),
            &QAction::triggered, this, [this] {
                ShowPage(DevicePageIndex);
                device_->ShowDeviceInfo();
            });
    Action(QStringLiteral("GetDeviceInfoAction"))->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Alt+I"))});
    addAction(Action(QStringLiteral("GetDeviceInfoAction")));

    // The Debug page's action works by its shortcut while the Debug menu is hidden.
    QAction* debugView = NewAction(QStringLiteral("ShowDebugAction"), QStringLiteral("Debug view"), "tools-report-bug");
    debugView->setCheckable(true);
    debugView->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    views->addAction(debugView);
    addAction(debugView);
    connect(debugView, &QAction::triggered, this, [this] { ShowPage(DebugPageIndex); });
    connect(
        NewAction(QStringLiteral("RegisterManual2Action"), QStringLiteral("Network registration"), "network-wireless"),
        &QAction::triggered, this, [this] {
            deviceState_->RegisterFromDebugPage(debugPage_->Automatic(), debugPage_->ProviderId(),
                                                debugPage_->DataClass());
        });
    // Emulations of device events: listed for the record, they do nothing.
    const char* const emulations[][2] = {{"EmulateSmsNewAction", "Emulate SMS New"},
                                         {"EmulateSmsNewMultipartAction", "Emulate SMS New / Miltipart"},
                                         {"EmulateSmsSentAction", "Emulate SMS Sent"},
                                         {"EmulateSmsSentMultipartAction", "Emulate SMS Sent / Multipart"},
                                         {"EmulateSmsDraftAction", "Emulate SMS Draft"},
                                         {"EmulateSmsReport1Action", "Emulate SMS Report v1"},
                                         {"EmulateSmsReport2Action", "Emulate SMS Report v2"},
                                         {"EmulateEventSmsSendCompleteAction", "Emulate Event / SMS Sent Complete"}};
    for (const auto& emulation : emulations)
        NewAction(QString::fromLatin1(emulation[0]), QString::fromLatin1(emulation[1]))->setVisible(false);
}

void TMainWindow::BuildMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(Action(QStringLiteral("SmsSaveAction")));
    file->addSeparator();
    file->addAction(Action(QStringLiteral("SmsPrintAction")));
    file->addSeparator();
    file->addAction(Action(QStringLiteral("ExitAction")));

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    for (const char* name :
         {"ShowMessagesAction", "ShowContactsAction", "ShowStatusAction", "ShowDeviceAction", "ShowLogAction"})
        view->addAction(Action(QString::fromLatin1(name)));

    QMenu* messages = bar->addMenu(QStringLiteral("&Messages"));
    for (const char* name : {"SmsNewAction", "SmsReplyAction", "SmsForwardAction", "SmsDeleteAction"})
        messages->addAction(Action(QString::fromLatin1(name)));
    messages->addSeparator();
    messages->addAction(Action(QStringLiteral("OpenUssdSessionAction")));

    BuildContactsMenu();

    QMenu* misc = bar->addMenu(QStringLiteral("M&iscellaneous"));
    misc->addAction(Action(QStringLiteral("RegistrationAction1")));
    misc->addSeparator();
    misc->addAction(Action(QStringLiteral("RadioOnAction")));
    misc->addAction(Action(QStringLiteral("RadioOffAction")));
    misc->addSeparator();
    misc->addAction(Action(QStringLiteral("EnterPinAction")));
    misc->addSeparator();
    QMenu* toolsMenu = misc->addMenu(QStringLiteral("Tools"));
    toolsMenu->addAction(Action(QStringLiteral("SmsExportAction")));
    toolsMenu->addSeparator();
    toolsMenu->addAction(Action(QStringLiteral("ContactsImportAction")));
    toolsMenu->addAction(Action(QStringLiteral("ContactsExportAction")));
    toolsMenu->addSeparator();
    toolsMenu->addAction(Action(QStringLiteral("ContactsSimAction")));
    misc->addSeparator();
    QMenu* advanced = misc->addMenu(QStringLiteral("Advanced"));
    for (const char* name : {"OperatorsSearchAction", "GetPreferredProvidersAction", "RegisterManualAction"})
        advanced->addAction(Action(QString::fromLatin1(name)));
    advanced->addSeparator();
    advanced->addAction(Action(QStringLiteral("DatabaseCompactAction")));
    advanced->addAction(Action(QStringLiteral("SynchronizeSmsAction")));
    advanced->addSeparator();
    advanced->addAction(Action(QStringLiteral("InterfaceSelectAction")));
    advanced->addSeparator();
    advanced->addAction(Action(QStringLiteral("ClearLogAction")));

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->addAction(Action(QStringLiteral("AlwaysOnTopAction")));
    options->addAction(Action(QStringLiteral("HideWhenMinimizedAction")));
    options->addSeparator();
    options->addAction(Action(QStringLiteral("LargeButtonsAction")));
    options->addAction(Action(QStringLiteral("LargeTextAction")));
    options->addSeparator();
    options->addAction(Action(QStringLiteral("SmsDeliveryReportAction")));
    options->addSeparator();
    options->addAction(Action(QStringLiteral("SettingsAction")));

    debugMenu_ = bar->addMenu(QStringLiteral("&Debug"));
    QMenu* database = debugMenu_->addMenu(QStringLiteral("Database"));
    for (const char* name :
         {"DatabaseReadAllAction", "DatabaseDeleteAllAction", "DatabaseRecreateAction", "DatabaseCompressAction"})
        database->addAction(Action(QString::fromLatin1(name)));
    QMenu* broadband = debugMenu_->addMenu(QStringLiteral("Mobile Broadband"));
    broadband->addAction(Action(QStringLiteral("ConnectAction")));
    broadband->addAction(Action(QStringLiteral("DisconnectAction")));
    broadband->addSeparator();
    QMenu* sms = broadband->addMenu(QStringLiteral("SMS"));
    for (const char* name : {"EmulateSmsNewAction", "EmulateSmsNewMultipartAction", "EmulateSmsSentAction",
                             "EmulateSmsSentMultipartAction", "EmulateSmsDraftAction", "EmulateSmsReport1Action",
                             "EmulateSmsReport2Action", "EmulateEventSmsSendCompleteAction"})
        sms->addAction(Action(QString::fromLatin1(name)));
    sms->addSeparator();
    sms->addAction(Action(QStringLiteral("SmsAnalyseAction")));
    sms->addAction(Action(QStringLiteral("SmsDeleteByIdAction")));
    sms->addAction(Action(QStringLiteral("SmsSendAllAction")));
    BuildServicesMenu(broadband);
    debugMenu_->addSeparator();
    debugMenu_->addAction(Action(QStringLiteral("GetDeviceInfoAction")));
    debugMenu_->addAction(Action(QStringLiteral("ShowDebugAction")));
    debugMenu_->menuAction()->setVisible(false);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(Action(QStringLiteral("OpenHelpAction")));
    help->addSeparator();
    for (const char* name : {"HomePageAction", "SupportAction", "LicenseInfoAction"})
        help->addAction(Action(QString::fromLatin1(name)));
    help->addSeparator();
    help->addAction(Action(QStringLiteral("AboutAction")));

    QToolBar* tools = addToolBar(QStringLiteral("ToolBar"));
    tools->setObjectName(QStringLiteral("ToolBar"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tools->setIconSize(QSize(24, 24));
    for (const char* name :
         {"ShowMessagesAction", "ShowContactsAction", "ShowStatusAction", "ShowDeviceAction", "ShowLogAction"})
        tools->addAction(Action(QString::fromLatin1(name)));
    tools->addSeparator();
    for (const char* name : {"SmsNewAction", "SmsReplyAction", "SmsForwardAction", "SmsDeleteAction"})
        tools->addAction(Action(QString::fromLatin1(name)));
    tools->addSeparator();
    tools->addAction(Action(QStringLiteral("OpenUssdSessionAction")));
    tools->addAction(Action(QStringLiteral("RegistrationAction2")));
    tools->addSeparator()->setObjectName(QStringLiteral("TBBxUssdDev"));
    tools->addAction(Action(QStringLiteral("EnterPinAction")));
    pinSeparator_ = tools->addSeparator();
    pinSeparator_->setObjectName(QStringLiteral("TBBxPinDev"));
    pinSeparator_->setVisible(false);
    tools->addAction(Action(QStringLiteral("AboutAction")));
    tools->addSeparator();
    tools->addAction(Action(QStringLiteral("ExitAction")));
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
        Action(QStringLiteral("SmsSaveAction"))->setEnabled(data != nullptr);
        Action(QStringLiteral("SmsPrintAction"))->setEnabled(data != nullptr);
    });
    connect(messagesPage_, &MessagesPage::FolderChosen, this, [this] {
        Action(QStringLiteral("SmsSaveAction"))->setEnabled(false);
        Action(QStringLiteral("SmsPrintAction"))->setEnabled(false);
    });
    connect(messagesPage_, &MessagesPage::Activated, this, [this](Folder folder) {
        if (folder != Folder::Inbox && folder != Folder::Sent && messagesPage_->Focused())
            Action(QStringLiteral("SmsOpenAction"))->trigger();
    });

    auto* status = new QWidget(pages_);
    auto* statusLayout = new QVBoxLayout(status);
    statusTitle_ = new QLabel(QStringLiteral("Status"), status);
    QFont titleFont = statusTitle_->font();
    titleFont.setPointSize(titleFont.pointSize() + 3);
    titleFont.setBold(true);
    statusTitle_->setFont(titleFont);
    statusLayout->addWidget(statusTitle_);
    statusList_ = new QTreeWidget(status);
    statusList_->setObjectName(QStringLiteral("StatusListView"));
    statusList_->setColumnCount(3);
    statusList_->setHeaderHidden(true);
    statusList_->setColumnWidth(0, 23);
    statusList_->setColumnWidth(1, 200);
    statusList_->setRootIsDecorated(false);
    statusList_->setUniformRowHeights(true);
    statusLayout->addWidget(statusList_);
    pages_->addWidget(status);

    statusView_ = LogList(statusModel_, pages_, "StatusLog");
    pages_->addWidget(statusView_);

    auto* logPage = new QWidget(pages_);
    auto* logLayout = new QVBoxLayout(logPage);
    logLayout->setContentsMargins(9, 9, 9, 9);
    auto* header = new QHBoxLayout;
    auto* logTitle = new QLabel(QStringLiteral("Application log"), logPage);
    logTitle->setFont(titleFont);
    header->addWidget(logTitle);
    header->addStretch(1);
    debugSwitch_ = new SwitchLabel(
        [this] { debugMenu_->menuAction()->setVisible(!debugMenu_->menuAction()->isVisible()); }, logPage);
    debugSwitch_->setObjectName(QStringLiteral("DebugSwitch"));
    header->addWidget(debugSwitch_);
    logLayout->addLayout(header);
    logView_ = LogList(logModel_, logPage, "LogWindow");
    logLayout->addWidget(logView_);
    pages_->addWidget(logPage);

    debugPage_ = new DebugPage(Action(QStringLiteral("RegisterManual2Action")), pages_);
    pages_->addWidget(debugPage_);

    BuildContactsPage();
}

void TMainWindow::BuildStatusBar()
{
    const int widths[6] = {250, 90, 0, 60, 60, 150};
    for (int i = 0; i < 6; ++i) {
        if (i == 3) {
            signalPanel_ = new SignalPanel([this] { StatusPanelDoubleClicked(3); }, this);
            signalPanel_->setObjectName(QStringLiteral("StatusPanel3"));
            signalPanel_->setFixedWidth(widths[i]);
            statusBar()->addWidget(signalPanel_);
            continue;
        }
        panels_[i] = new ClickablePanel([this, i] { StatusPanelDoubleClicked(i); }, this);
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (i == 5)
            panels_[i]->setMinimumWidth(widths[i]);
        else
            panels_[i]->setFixedWidth(widths[i]);
        panels_[i]->setAlignment(i == 0 || i == 5 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        statusBar()->addWidget(panels_[i], i == 5 ? 1 : 0);
    }
    panels_[2]->setText(QStringLiteral("ROAMING"));
    panels_[2]->setVisible(false);
    deviceState_->SetTextWidth(
        [this](const QString& text) { return panels_[0]->fontMetrics().horizontalAdvance(text); });
    UpdateStatusBar();
}

void TMainWindow::ListSharing()
{
    if (!modemManager_->Manages())
        return;
    auto* group = new QTreeWidgetItem(statusList_, {QStringLiteral("ModemManager")});
    QFont font = group->font(0);
    font.setBold(true);
    group->setFont(0, font);
    group->setFirstColumnSpanned(true);
    new QTreeWidgetItem(group, {QString(), QStringLiteral("Modem"), modemManager_->ModemPath()});
    new QTreeWidgetItem(group,
                        {QString(), QStringLiteral("Messages"),
                         QStringLiteral("Deleted from the SIM through ModemManager, so that its list stays true")});
    group->setExpanded(true);
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
    static const char* const held[] = {"SmsReplyAction", "SmsForwardAction", "SmsDeleteAction", "SmsSaveAction",
                                       "SmsPrintAction"};
    if (previous == MessagesPageIndex && page != MessagesPageIndex && heldMessageActions_.isEmpty()) {
        for (const char* name : held) {
            QAction* action = Action(QString::fromLatin1(name));
            heldMessageActions_.insert(QString::fromLatin1(name), action->isEnabled());
            action->setEnabled(false);
        }
    } else if (page == MessagesPageIndex && !heldMessageActions_.isEmpty()) {
        for (auto it = heldMessageActions_.cbegin(); it != heldMessageActions_.cend(); ++it)
            Action(it.key())->setEnabled(it.value());
        heldMessageActions_.clear();
    }
    if (previous == ContactsPageIndex && page != ContactsPageIndex)
        ContactsSelectionChanged(false);

    pages_->setCurrentIndex(page);
    const char* const names[] = {"ShowMessagesAction", "ShowStatusAction", "ShowDeviceAction",
                                 "ShowLogAction",      "ShowDebugAction",  "ShowContactsAction"};
    Action(QString::fromLatin1(names[page]))->setChecked(true);
    switch (page) {
    case MessagesPageIndex: incoming_->ReadDevice(); break;
    case StatusPageIndex: {
        static const char* const titles[] = {"Status", "Providers", "Preferred providers"};
        const StatusView view = nextStatusView_;
        nextStatusView_ = StatusView::Status;
        statusTitle_->setText(QString::fromLatin1(titles[static_cast<int>(view)]));
        statusList_->clear();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); // pending messages once
        WaitCursor wait;
        statusList_->setUpdatesEnabled(false);
        switch (view) {
        case StatusView::Status:
            device_->ListDeviceStatus();
            ListSharing();
            break;
        case StatusView::Providers: device_->ListVisibleProviders(); break;
        case StatusView::PreferredProviders: device_->ListPreferredProviders(); break;
        }
        statusList_->setUpdatesEnabled(true);
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
    case ContactsPageIndex: ContactsSelectionChanged(contactsView_->SelectedRow() >= 0); break;
    default: break;
    }
}
