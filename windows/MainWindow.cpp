#include "windows/MainWindow.h"

#include "app/Clock.h"
#include "app/Log.h"
#include "app/Notifier.h"
#include "app/Settings.h"
#include "app/desktop/DesktopSound.h"
#include "controller/Announcer.h"
#include "controller/DeviceState.h"
#include "controller/IncomingMessages.h"
#include "controller/LogModel.h"
#include "controller/MessageActions.h"
#include "controller/MessageFolders.h"
#include "controller/MessageRouter.h"
#include "controller/ModemManagerLink.h"
#include "controller/SendPipeline.h"
#include "device/Broadband.h"
#include "storage/Database.h"
#include "windows/Accessible.h"
#include "windows/ContactsPage.h"
#include "windows/ContactsView.h"
#include "windows/DesktopShell.h"
#include "windows/DialogPrompts.h"
#include "windows/Images.h"
#include "windows/LargeDisplay.h"
#include "windows/MainStatusBar.h"
#include "windows/MessageWindow.h"
#include "windows/MessagesPage.h"
#include "windows/StatusPage.h"
#include "windows/UssdWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSettings>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVarLengthArray>

#include <algorithm>
#include <cstdio>
#include <exception>

#ifndef PARLOWEN_PRODUCT_VERSION
#define PARLOWEN_PRODUCT_VERSION ""
#define PARLOWEN_FILE_VERSION    ""
#endif

TMainWindow::TMainWindow(const Options& options)
    : MessageTarget(this), databasePath_(options.databasePath), hidden_(options.hidden)
{
    log_ = std::make_unique<TApplicationLog>(
        TApplicationLog::PathForExecutable(QCoreApplication::applicationFilePath().toStdString()));
    logModel_ = new LogModel(this);
    statusModel_ = new LogModel(this);
    WriteLog(QStringLiteral("Application started"));
    QString version;
    if (*PARLOWEN_PRODUCT_VERSION)
        version = QStringLiteral("Version: ") + QLatin1String(PARLOWEN_PRODUCT_VERSION) + QStringLiteral(", Build: ") +
                  QLatin1String(PARLOWEN_FILE_VERSION);
    WriteLog(version);

    prompts_ = options.prompts;
    if (!prompts_) {
        ownPrompts_ = std::make_unique<DialogPrompts>(this);
        prompts_ = ownPrompts_.get();
    }
    sounds_ = options.sounds;
    if (!sounds_) {
        ownSounds_ = std::make_unique<DesktopSound>();
        sounds_ = ownSounds_.get();
    }
    clock_ = options.clock;
    if (!clock_) {
        ownClock_ = std::make_unique<SystemClock>();
        clock_ = ownClock_.get();
    }

    settings_ = std::make_unique<SettingsStore>(true); // USSD needs only the device here
    device_ = std::make_unique<MobileBroadband>(this, options.service);
    database_ = std::make_unique<QDatabase>(this);
    store_ = options.settings;
    if (!store_) {
        ownSettings_ = SettingsStore::OpenUserStore();
        store_ = ownSettings_.get();
    }
    settings_->Load(*store_, [this](const QString& line) { WriteLog(line); });
    closeForReal_ = !settings_->HideWhenClosing;
    restoreMaximized_ = settings_->RestoreMaximized;

    folders_ = new MessageFolders(this);
    incoming_ = new IncomingMessages(*this, *settings_, *database_, *device_, *folders_, this);
    pipeline_ = new SendPipeline(*this, *settings_, *database_, *device_, *folders_, *incoming_, *clock_, this);
    incoming_->SetSendTimerActive([this] { return pipeline_->SendTimer().isActive(); });
    deviceState_ = new DeviceState(*this, *settings_, *device_, *folders_, *pipeline_, *incoming_, this);
    router_ = std::make_unique<MessageRouter>(*incoming_, *pipeline_, *deviceState_);
    modemManager_ = new ModemManagerLink(
        QDBusConnection::systemBus(), [this](const QString& line) { WriteStatus(line); }, this);
    incoming_->SetModemManager(modemManager_);
    connect(modemManager_, &ModemManagerLink::SharingChanged, this, [this](bool, const QString& text) {
        WriteLog(QStringLiteral("Messages -> ") + text);
        if (CurrentPage() == StatusPageIndex)
            ShowStatusView(StatusView::Status);
    });
    connect(deviceState_, &DeviceState::Changed, this, &TMainWindow::UpdateStatusBar);
    // Queued: the refill lets pending window messages through, which a device handler must not.
    connect(
        deviceState_, &DeviceState::StatusViewStale, this,
        [this] {
            if (CurrentPage() == StatusPageIndex)
                ShowStatusView(StatusView::Status);
        },
        Qt::QueuedConnection);

    startTimer_.setSingleShot(true);
    startTimer_.setInterval(options.startDelayMs);
    connect(&startTimer_, &QTimer::timeout, this, &TMainWindow::StartTimerTimer);

    shell_ = new DesktopShell({options.notifier, options.dataHome, options.trayImageFolder,
                               [this](const QString& line) { WriteLog(line); }, [this] { AppOpen(); },
                               [this] { OpenInbox(); }, options.trayArea},
                              *settings_, this);
    FormCreate();
    setWindowIcon(Images::App(settings_->ApplicationIcon));
    shell_->CreateTray(windowTitle());
    BuildTrayMenu();
    TrayActions(false);
    if (settings_->ShowToastNotification)
        shell_->EnsureDesktopEntry(settings_->ApplicationIcon);
    startTimer_.start();
}

TMainWindow::~TMainWindow()
{
    // The USSD window logs into this window while it ends its session: it goes first.
    delete ussdWindow_.data();
    delete shell_;
    shell_ = nullptr;
    // Options first, then the device session, then the database (its loader stops first).
    settings_->SaveOnDestruction(*store_);
    device_.reset();
    database_->StopLoader(); // its last hand-overs still find the views
    // The views go before the database: while they are torn down they may still ask their models
    // for rows, and the contact list reads them from the database.
    delete takeCentralWidget();
    messagesPage_ = nullptr;
    contactsPage_ = nullptr;
    database_.reset();
    WriteLog(QStringLiteral("Application finished"));
    log_.reset();
}

void TMainWindow::FormCreate()
{
    setWindowTitle(QStringLiteral("Parlowen"));
    setObjectName(QStringLiteral("TMainWindow"));
    resize(settings_->ApplicationWidth, settings_->ApplicationHeight);
    if (settings_->ApplicationTop && settings_->ApplicationLeft)
        move(*settings_->ApplicationLeft, *settings_->ApplicationTop);

    if (databasePath_.isEmpty())
        databasePath_ = QDatabase::DefaultPath(QCoreApplication::applicationFilePath());
    WriteLog(QStringLiteral("Data: ") + databasePath_);
    if (!database_->Open(databasePath_)) {
        // The file is left as it is (it may be a damaged copy of the user's messages); messages stay
        // on the device meanwhile, so the user must hear of it.
        const QString text = QStringLiteral("Unable to open the database ") + databasePath_ +
                             QStringLiteral(": it is damaged, not a database or not writable. Received messages "
                                            "stay on the device.");
        WriteLog(QStringLiteral("Database -> ") + text);
        std::fprintf(stderr, "parlowen: %s\n", qPrintable(text));
        QTimer::singleShot(0, this,
                           [this, text] { prompts_->Show(QStringLiteral("Database"), text, PromptIcon::Error); });
    }

    large_ = new LargeDisplay(actions_, *settings_, this);
    BuildActions();
    contactsPage_ = new ContactsPage(*this);
    BuildPages();
    BuildMessageActions();
    BuildDeviceActions();
    BuildShellActions();
    BuildOptionActions();
    BuildMenus();
    statusPanels_ = new MainStatusBar(
        statusBar(), [this](int panel) { StatusPanelDoubleClicked(panel); }, this);
    deviceState_->SetTextWidth([this](const QString& text) { return statusPanels_->TextWidth(text); });
    UpdateStatusBar();
    ApplyLayout();
    accessible::NameQtButtons(this);
    // The loader prepared the opposite of the stored choices: executing both actions flips them
    // to the choice and applies it.
    Act(MainAction::LargeButtonsAction)->trigger();
    Act(MainAction::LargeTextAction)->trigger();
    ApplyContactsFeature(settings_->Contacts);
    ShowPage(0);
    for (MainAction name : {MainAction::SmsDeleteAction, MainAction::SmsReplyAction, MainAction::SmsForwardAction,
                            MainAction::SmsOpenAction, MainAction::SmsRetryAction, MainAction::SmsSetAsUnreadAction})
        Act(name)->setEnabled(false);
}

void TMainWindow::ApplyLayout()
{
    menuBar()->setVisible(settings_->ShowMenu);
    if (auto* tools = findChild<QToolBar*>(QStringLiteral("ToolBar")))
        tools->setVisible(settings_->ShowToolBar);
    statusBar()->setVisible(settings_->ShowStatusBar);
    statusBar()->setMinimumHeight(settings_->ApplicationStatusBar);
    messagesPage_->SetInfoVisible(settings_->ShowMessageInfo);
    Act(MainAction::ShowDeviceAction)->setVisible(settings_->ShowStatusLog);
    Act(MainAction::OpenUssdSessionAction)->setVisible(settings_->ShowUssd);
    for (QAction* separator : findChildren<QAction*>(QStringLiteral("TBBxUssdDev")))
        separator->setVisible(settings_->ShowUssd);
    folders_->SetShowIds(settings_->ShowSmsID);
    messagesPage_->SetIdColumnWidth(settings_->ShowSmsID ? 65 : 35);
    for (QWidget* header : centralWidget()->findChildren<QWidget*>()) {
        if (header->objectName().startsWith(QLatin1String("Header")))
            header->setVisible(settings_->ApplicationHeader);
    }
    // The stored width, but never narrower than the folder names need at the normal size.
    const int folderPanel = std::max(settings_->ApplicationFolders, messagesPage_->FolderPanelNeeds());
    messagesPage_->SetFolderPanelWidth(folderPanel);
    large_->Attach(findChild<QToolBar*>(QStringLiteral("ToolBar")), pages_, messagesPage_, &contactsPage_->List(),
                   folderPanel);
}

void TMainWindow::ShowAtStart()
{
    if (!hidden_) {
        if (settings_->ApplicationState == 2)
            showMaximized();
        else
            show();
        return;
    }
    setWindowState(windowState() | Qt::WindowMinimized);
    // Only in the notification area when that can be opened again; otherwise on the taskbar.
    if (Act(MainAction::HideWhenMinimizedAction)->isChecked() && shell_->HidesInTray())
        TrayActions(true);
    else
        showMinimized();
}

void TMainWindow::TrayActions(bool hiddenInTray)
{
    if (!Act(MainAction::AppOpenAction))
        return; // the tray's menu is made after the window
    Act(MainAction::AppOpenAction)->setVisible(hiddenInTray);
    Act(MainAction::AppHideAction)->setVisible(!hiddenInTray);
}

void TMainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !shell_)
        return;
    if (!isMinimized()) {
        TrayActions(false);
    } else if (Act(MainAction::HideWhenMinimizedAction)->isChecked() && shell_->HidesInTray()) {
        TrayActions(true);
        // Off the taskbar once the minimising is done.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
    }
}

void TMainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (layoutShown_)
        return;
    layoutShown_ = true;
    // The list area's stored height, once the window has its size.
    QSplitter* split = messagesPage_->Splitter();
    const QList<int> sizes = split->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (settings_->ApplicationMessage > 0 && total > settings_->ApplicationMessage)
        split->setSizes({settings_->ApplicationMessage, total - settings_->ApplicationMessage});
}

void TMainWindow::StartTimerTimer()
{
    deviceState_->ConnectAction();
    if (settings_->SaveOnDisk) {
        database_->LoadMessages();
        database_->LoadTemplates();
    }
}

std::intptr_t TMainWindow::HandleMessage(const Message& message)
{
    try {
        if (router_ && router_->Route(message))
            return 0;
        switch (message.Number) {
        case WM_TRAY_NOTIFY:
            if (message.LParam == TRAY_LEFT_BUTTON_UP || message.LParam == TRAY_MIDDLE_BUTTON_UP)
                AppOpen();
            else if (message.LParam == TRAY_BALLOON_CLICK)
                OpenInbox();
            break;
        case WM_BROADBAND_LOG:
            if (const auto* text = message.Record<std::string>())
                WriteStatus(QString::fromStdString(*text));
            break;
        case WM_BROADBAND_EVENT: DeviceEvent(message); break;
        case WM_BROADBAND_INFO: DeviceInfo(message); break;
        case WM_USSD_LOG:
            if (const auto* text = message.Record<QString>())
                WriteLog(*text);
            break;
        default: break;
        }
    } catch (const std::exception& e) {
        WriteLog(QStringLiteral("Exception: ") + QString::fromLocal8Bit(e.what()));
    }
    return 0;
}

void TMainWindow::DeviceEvent(const Message& message)
{
    // The router gave the device state its share already.
    const std::uintptr_t code = message.WParam;
    switch (code) {
    case EV_RADIO_STATE: ShowRadioState(); break;
    case EV_SCAN_NETWORK_COMPLETE:
        if (const auto* result = message.Record<BROADBAND_REQUEST_RESULT>())
            ScanComplete(result->Status);
        break;
    default: break;
    }
}

void TMainWindow::DeviceInfo(const Message& message)
{
    const auto* info = message.Record<BROADBAND_INFO_DATA>();
    if (!info)
        return;
    const QString first = QString::fromStdString(info->Name), second = QString::fromStdString(info->Value);
    switch (message.WParam) {
    case INFO_GROUP: statusPage_->AddGroup(first); break;
    case INFO_ITEM: statusPage_->AddItem(first, second); break;
    case INFO_MESSAGE: prompts_->Show(first, second, PromptIcon::Information); break;
    case INFO_ERROR: prompts_->Show(first, second, PromptIcon::Error); break;
    default: break;
    }
}

void TMainWindow::WriteLog(const QString& text)
{
    if (log_ && log_->IsOpen()) {
        // A replay logs a million lines: a short one is encoded on the stack, not on the heap. The
        // encoder writes a lone surrogate as U+FFFD where toUtf8 writes '?', so those take toUtf8.
        if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); })) {
            QVarLengthArray<char, 1024> bytes(text.size() * 3); // at most three bytes a unit
            QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
            const char* end = encoder.appendToBuffer(bytes.data(), text);
            log_->WriteString(std::string_view(bytes.data(), static_cast<std::size_t>(end - bytes.data())));
        } else {
            const QByteArray bytes = text.toUtf8();
            log_->WriteString(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        }
    }
    logModel_->AppendTimestamped(text);
}

void TMainWindow::WriteStatus(const QString& text)
{
    statusModel_->Append(text);
    WriteLog(text);
}

void TMainWindow::Notify(const QString& title, const QString& text)
{
    shell_->Notify(title, text);
}

void TMainWindow::AnnounceDataClass(const QString& text)
{
    // The icon first: its balloon needs it.
    SyncDataClassTray();
    shell_->AnnounceDataClass(text);
}

void TMainWindow::ApplyContactsFeature(bool on)
{
    contactsPage_->ApplyFeature(on);
}

void TMainWindow::EnsureVisible(Folder folder, const SmsData* data)
{
    messagesPage_->EnsureVisible(folder, data);
}

void TMainWindow::MessageChanged(Folder folder, const SmsData* data)
{
    if (messagesPage_->Shown() == folder && messagesPage_->Displayed() == data)
        messagesPage_->DisplayMessage(data);
}

void TMainWindow::MessageRemoving(Folder folder, const SmsData* data)
{
    messagesPage_->ReleaseRow(folder, data);
    if (messagesPage_->Displayed() == data)
        messagesPage_->DisplayMessage(nullptr);
}

void TMainWindow::ShowProgress(bool on)
{
    progress_->setVisible(on);
}

void TMainWindow::UnreadChanged(int count)
{
    statusPanels_->ShowUnread(*deviceState_, folders_->UnreadText());
    shell_->ShowUnread(count);
}

void TMainWindow::UpdateStatusBar()
{
    statusPanels_->Show(*deviceState_, folders_->UnreadText());
    Act(MainAction::EnterPinButtonAction)->setVisible(deviceState_->PinVisible());
    ShowRadioState();
    if (pinSeparator_)
        pinSeparator_->setVisible(deviceState_->PinVisible());
    Act(MainAction::InterfaceSelectAction)->setVisible(deviceState_->InterfaceSelectVisible());
    SyncDataClassTray();
}

void TMainWindow::SyncDataClassTray()
{
    shell_->SyncDataClassTray(*deviceState_, [this] {
        shell_->Announcements().DataClassIconClicked(statusPanels_->Text(DeviceState::PanelProvider),
                                                     statusPanels_->Text(DeviceState::PanelDataClass),
                                                     deviceState_->SignalText());
    });
}

void TMainWindow::ListSelected(Folder folder, SmsData* data)
{
    messagesPage_->DisplayMessage(data);
    if (folder == Folder::Inbox)
        incoming_->MarkRead(data);
    UpdateMessageActions(folder, data);
}

void TMainWindow::UpdateMessageActions(Folder folder, SmsData* data)
{
    const AllowedMessageActions allowed = AllowedActions(folder, data, data ? folders_->Model(folder).Image(data) : -1);
    Act(MainAction::SmsDeleteAction)->setEnabled(allowed.Delete);
    Act(MainAction::SmsReplyAction)->setEnabled(allowed.Reply);
    Act(MainAction::SmsForwardAction)->setEnabled(allowed.Forward);
    Act(MainAction::SmsOpenAction)->setEnabled(allowed.Open);
    Act(MainAction::SmsRetryAction)->setEnabled(allowed.Retry);
    // A hidden action reads as disabled: set both.
    QAction* unread = Act(MainAction::SmsSetAsUnreadAction);
    unread->setVisible(allowed.SetAsUnread);
    unread->setEnabled(allowed.SetAsUnread);
}

void TMainWindow::OpenComposer(const QString& title, const QString& number, const QString& text)
{
    TMessageWindow composer(*database_, *prompts_, settings_->ConfirmationToSend, this);
    composer.SetTitle(title);
    composer.SetContacts(settings_->Contacts ? &contactsPage_->Model() : nullptr);
    composer.SetLayoutStore(store_);
    composer.SetRecentNumbers(pipeline_->RecentNumbers());
    composer.SetLargeText(large_->TextSize());
    composer.SetTemplateStore([this](const QString& n, const QString& t) { return incoming_->AddTemplate(n, t); });
    if (!number.isEmpty())
        composer.SetNumber(number);
    if (!text.isEmpty())
        composer.SetText(text);
    WindowRunners::Run(runners_.composer, composer);
    if (composer.result() != QDialog::Accepted)
        return;
    pipeline_->RememberNumber(composer.Number());
    pipeline_->QueueMessage(composer.Number(), composer.Text(), composer.Flash());
}

void TMainWindow::AppOpen()
{
    // Restored as it was (maximised stays maximised); a stored maximised state once.
    Qt::WindowStates state = windowState() & ~Qt::WindowMinimized;
    if (restoreMaximized_) {
        state |= Qt::WindowMaximized;
        restoreMaximized_ = false;
    }
    setWindowState(state);
    show();
    raise();
    activateWindow();
}

void TMainWindow::OpenInbox()
{
    AppOpen();
    ShowPage(MessagesPageIndex);
    messagesPage_->ShowFolder(Folder::Inbox);
}

void TMainWindow::closeEvent(QCloseEvent* event)
{
    if (!closeForReal_) {
        showMinimized();
        event->ignore();
        return;
    }
    const int outbox = folders_->Model(Folder::Outbox).Count();
    if (outbox > 0)
        prompts_->Show(QStringLiteral("Messages"),
                       QStringLiteral("There are %1 unsent messages in your Outbox.\r\nTo send messages application "
                                      "must remain running.")
                           .arg(outbox),
                       PromptIcon::Warning);
    if (settings_->CloseConfirmation &&
        !prompts_->Ask(QStringLiteral("Exit"), QStringLiteral("Do you want to close application?"))) {
        closeForReal_ = !settings_->HideWhenClosing;
        event->ignore();
        return;
    }
    settings_->ApplicationState = isMaximized() ? 2 : (isMinimized() ? 1 : 0);
    settings_->ApplicationMessage = messagesPage_->Splitter()->sizes().value(0, settings_->ApplicationMessage);
    settings_->SaveOnClose(*store_, normalGeometry().isValid() ? std::optional<QRect>(normalGeometry())
                                                               : std::optional<QRect>());
    startTimer_.stop();
    event->accept();
}
