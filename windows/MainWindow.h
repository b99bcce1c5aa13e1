#pragma once
// TMainWindow: the one top-level window. It owns the log, the device session, the database and
// the controllers, routes every window message to its handler and shows what they hold.

#include "app/MessageTarget.h"
#include "controller/Host.h"
#include "windows/ActionSet.h"
#include "windows/WindowOptions.h"
#include "windows/WindowRunners.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>

class Clock;
class ContactsPage;
class ConversationsPage;
class DebugPage;
class DesktopShell;
class DeviceState;
class IncomingMessages;
class LargeDisplay;
class LogModel;
class MainStatusBar;
class MessageActions;
class MessageFolders;
class MessagePrinter;
class MessageRouter;
class MessagesPage;
class MobileBroadband;
class ModemManagerLink;
class QAction;
class QDatabase;
class QProgressBar;
class QSettings;
class QStackedWidget;
class QTreeView;
class SendPipeline;
class SettingsStore;
class SoundPlayer;
class StatusPage;
enum class StatusView;
class TApplicationLog;
class TUssdWindow;
class UserPrompts;

class TMainWindow : public QMainWindow, public MessageTarget, public ControllerHost
{
    Q_OBJECT
public:
    using Options = MainWindowOptions;

    explicit TMainWindow(const Options& options);
    ~TMainWindow() override;

    std::intptr_t HandleMessage(const Message& message) override;

    // ControllerHost
    void WriteLog(const QString& text) override;
    UserPrompts& Prompts() override { return *prompts_; }
    SoundPlayer& Sounds() override { return *sounds_; }
    void Notify(const QString& title, const QString& text) override;
    void AnnounceDataClass(const QString& text) override;
    QString Caption() const override { return windowTitle(); }

    void EnsureVisible(Folder folder, const SmsData* data) override;
    void MessageChanged(Folder folder, const SmsData* data) override;
    void MessageRemoving(Folder folder, const SmsData* data) override;
    void ShowProgress(bool on) override;
    void UnreadChanged(int count) override;

    void WriteStatus(const QString& text);

    // For the pages, the composer and tests.
    QAction* Act(MainAction action) const { return actions_[action]; }
    ActionSet& Actions() { return actions_; }
    MessageFolders& Folders() { return *folders_; }
    IncomingMessages& Incoming() { return *incoming_; }
    SendPipeline& Pipeline() { return *pipeline_; }
    DeviceState& Device() { return *deviceState_; }
    MobileBroadband& Broadband() { return *device_; }
    QDatabase& Database() { return *database_; }
    SettingsStore& Settings() { return *settings_; }
    QSettings& Store() { return *store_; }
    LogModel& LogLines() { return *logModel_; }
    LogModel& StatusLines() { return *statusModel_; }
    ContactsPage& ContactsTab() { return *contactsPage_; }
    MessagesPage& Messages() { return *messagesPage_; }
    ConversationsPage& Conversations() { return *conversationsPage_; }
    MessagePrinter& Printer() { return *printer_; }
    MainStatusBar& StatusPanels() { return *statusPanels_; }
    DesktopShell& Shell() { return *shell_; }
    LargeDisplay& Large() { return *large_; }
    // The modal windows as tests drive them.
    WindowRunners& Runners() { return runners_; }

    // The settings window's choices applied.
    void ApplyIcons(int applicationIcon, int eventIcon);
    void ApplyContactsFeature(bool on);

    // Opens the composer with a title, number and text; queues the message when it is sent.
    void OpenComposer(const QString& title, const QString& number, const QString& text);
    void OpenRegistration();
    // "USSD Session": the one USSD window, opened or brought back.
    void OpenUssdSession();
    void ShowUssdAgain();
    TUssdWindow* UssdWindow() const;
    // "SIM contacts": the SIM phonebook window; the contacts are read again after an import.
    void OpenSimContacts();

    // The pages in their order in the stack.
    enum Page {
        MessagesPageIndex,
        StatusPageIndex,
        DevicePageIndex,
        LogPageIndex,
        DebugPageIndex,
        ContactsPageIndex,
        ConversationsPageIndex
    };
    int CurrentPage() const;

    // The first showing: maximised as stored, or "/hidden" minimised (into the notification area
    // when the option and the desktop allow).
    void ShowAtStart();
    // "Open application": show, restore and raise.
    void AppOpen();
    // A click on a notification: the window opened on the Messages page and its Inbox.
    void OpenInbox();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void BuildActions();
    void BuildMessageActions();
    void BuildDeviceActions();
    void BuildTrayMenu();
    void BuildShellActions();
    void BuildOptionActions();
    void BuildMenus();
    void BuildServicesMenu(QMenu* parent);
    void BuildPages();
    // The stored layout and display options.
    void ApplyLayout();
    void TrayActions(bool hiddenInTray);
    void SyncDataClassTray();
    void StatusPanelDoubleClicked(int panel);
    void ShowRadioState();
    void ScanComplete(std::int32_t status);
    // The Status page with one of its three views.
    void ShowStatusView(StatusView view);
    void StartTimerTimer();
    void ShowPage(int page);
    void UpdateStatusBar();
    void UpdateMessageActions(Folder folder, SmsData* data);
    void ListSelected(Folder folder, SmsData* data);
    void DeviceEvent(const Message& message);
    void DeviceInfo(const Message& message);

    std::unique_ptr<TApplicationLog> log_;
    std::unique_ptr<QSettings> ownSettings_;
    QSettings* store_ = nullptr;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<UserPrompts> ownPrompts_;
    UserPrompts* prompts_ = nullptr;
    std::unique_ptr<SoundPlayer> ownSounds_;
    SoundPlayer* sounds_ = nullptr;
    std::unique_ptr<Clock> ownClock_;
    Clock* clock_ = nullptr;
    DesktopShell* shell_ = nullptr;
    LargeDisplay* large_ = nullptr;
    bool layoutShown_ = false;
    std::unique_ptr<MobileBroadband> device_;
    std::unique_ptr<QDatabase> database_;
    MessageFolders* folders_ = nullptr;
    IncomingMessages* incoming_ = nullptr;
    SendPipeline* pipeline_ = nullptr;
    DeviceState* deviceState_ = nullptr;
    std::unique_ptr<MessageRouter> router_;
    ModemManagerLink* modemManager_ = nullptr;
    LogModel* logModel_ = nullptr;
    LogModel* statusModel_ = nullptr;

    ActionSet actions_{this};
    WindowRunners runners_;
    QStackedWidget* pages_ = nullptr;
    MessagesPage* messagesPage_ = nullptr;
    ContactsPage* contactsPage_ = nullptr;
    StatusPage* statusPage_ = nullptr;
    ConversationsPage* conversationsPage_ = nullptr;
    MessagePrinter* printer_ = nullptr;
    QTreeView* logView_ = nullptr;
    QTreeView* statusView_ = nullptr;
    DebugPage* debugPage_ = nullptr;
    QMenu* debugMenu_ = nullptr;
    QAction* pinSeparator_ = nullptr;
    MainStatusBar* statusPanels_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer startTimer_;
    QPointer<TUssdWindow> ussdWindow_;
    std::unique_ptr<MessageActions> messageActions_;
    // Enabled states of the message actions while another page is shown.
    QHash<int, bool> heldMessageActions_; // by MainAction
    StatusView nextStatusView_{};
    QString databasePath_;
    bool hidden_ = false;
    bool closeForReal_ = false;
    bool restoreMaximized_ = false;
};
