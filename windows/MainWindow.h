#pragma once
// TMainWindow: the one top-level window. It owns the log, the device session, the database and
// the controllers, routes every window message to its handler and shows what they hold.

#include "app/MessageTarget.h"
#include "controller/Host.h"
#include "controller/SettingsHost.h"

#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class Announcer;
class MessageRouter;
class ModemManagerLink;
class BroadbandService;
class DesktopChannels;
class SignalPanel;
class Clock;
class ContactsBook;
class ContactsModel;
class ContactsView;
class ConversationsPage;
class DebugPage;
class DeviceState;
class IncomingMessages;
class LogModel;
class MessageActions;
class MessageFolders;
class MessagePrinter;
class MessagesPage;
class MobileBroadband;
class Notifier;
class QAction;
class QLabel;
class QProgressBar;
class QSettings;
class QStackedWidget;
class QTreeView;
class QTreeWidget;
class QDatabase;
class SendPipeline;
class SettingsStore;
class SoundPlayer;
class TApplicationLog;
class TAboutWindow;
class TSettingsWindow;
class TUssdWindow;
class TContactWindow;
class TNotification;
class TMessageWindow;
class TSimDataWindow;
class TRegistrationWindow;
class TrayIcon;
class UserPrompts;

class TMainWindow : public QMainWindow, public MessageTarget, public ControllerHost, public SettingsHost
{
    Q_OBJECT
public:
    struct Options
    {
        BroadbandService* service = nullptr; // null: the process's default service
        QString databasePath;                // empty: the path rule beside the program or in the data folder
        bool hidden = false;                 // "/hidden"
        UserPrompts* prompts = nullptr;      // null: real dialogs
        SoundPlayer* sounds = nullptr;       // null: the desktop's event sounds
        Clock* clock = nullptr;
        Notifier* notifier = nullptr;  // null: desktop notifications and tray balloons
        QSettings* settings = nullptr; // null: the user's store
        int startDelayMs = 1000;
        QString dataHome;        // empty: $XDG_DATA_HOME (the menu entry and its picture)
        QString trayImageFolder; // empty: the current folder (TRAYICON<n>.ico files)
    };

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

    // SettingsHost
    bool ActionChecked(MainAction action) const override;
    void SetActionChecked(MainAction action, bool checked) override;
    void ExecuteAction(MainAction action) override;
    void SetActionVisible(MainAction action, bool visible) override;
    void SetCsvDelimiter(int index) override;
    void SetReceiveTimer(bool on) override;
    void RefreshToastRegistration(int applicationIcon) override;
    void EditUssdTemplates() override;
    void EnsureVisible(Folder folder, const SmsData* data) override;
    void MessageChanged(Folder folder, const SmsData* data) override;
    void MessageRemoving(Folder folder, const SmsData* data) override;
    void ShowProgress(bool on) override;
    void UnreadChanged(int count) override;

    void WriteStatus(const QString& text);

    // For the composer and tests.
    QAction* Act(MainAction action) const { return actions_[static_cast<std::size_t>(action)]; }
    MessageFolders& Folders() { return *folders_; }
    IncomingMessages& Incoming() { return *incoming_; }
    SendPipeline& Pipeline() { return *pipeline_; }
    DeviceState& Device() { return *deviceState_; }
    MobileBroadband& Broadband() { return *device_; }
    QDatabase& Database() { return *database_; }
    SettingsStore& Settings() { return *settings_; }
    LogModel& LogLines() { return *logModel_; }
    LogModel& StatusLines() { return *statusModel_; }
    ContactsModel& Contacts() { return *contacts_; }
    ContactsView& ContactsList() { return *contactsView_; }
    MessagesPage& Messages() { return *messagesPage_; }
    ConversationsPage& Conversations() { return *conversationsPage_; }
    TrayIcon& Tray() { return *tray_; }
    MessagePrinter& Printer() { return *printer_; }
    // A status panel's text; for the signal panel the signal text as drawn.
    QString PanelText(int index) const;
    QWidget* StatusPanel(int index) const;
    TrayIcon* DataClassTray() const { return dataClassTray_; }
    // The ten tray images as loaded (override files, application and event icons).
    const QIcon& TrayImage(int index) const { return trayImages_[static_cast<size_t>(index)]; }
    // Whether desktop notifications can be shown (the presence check at start, or a test's notifier).
    bool ToastsAvailable() const override { return toastsAvailable_; }

    // The application and event icons (the settings window's choice).
    void ApplyIcons(int applicationIcon, int eventIcon) override;
    // The menu entry: written when missing (with toasts available only), or always.
    QString DesktopEntryPath() const;
    bool EnsureDesktopEntry(int icon);
    bool WriteDesktopEntry(int icon);
    // The settings window's switches of the signal text and the data-class icon.
    void SetShowSignalText(bool on) override;
    void SetShowDataClassIcon(bool on) override;

    // Runs a composer: the window shows it modally; tests replace this to fill and close it.
    using ComposerRunner = std::function<void(TMessageWindow&)>;
    void SetComposerRunner(ComposerRunner runner) { composerRunner_ = std::move(runner); }
    // Opens the composer with a title, number and text; queues the message when it is sent.
    void OpenComposer(const QString& title, const QString& number, const QString& text);

    // Runs a contact editor: the window shows it modally; tests replace this to drive and close it.
    using ContactEditorRunner = std::function<void(TContactWindow&)>;
    void SetContactEditorRunner(ContactEditorRunner runner) { contactEditorRunner_ = std::move(runner); }
    // Runs the SIM phonebook window: the window shows it modally; tests replace this to drive it.
    using SimDataRunner = std::function<void(TSimDataWindow&)>;
    void SetSimDataRunner(SimDataRunner runner) { simDataRunner_ = std::move(runner); }
    // Runs the network registration window: the window shows it modally; tests replace this.
    using RegistrationRunner = std::function<void(TRegistrationWindow&)>;
    void SetRegistrationRunner(RegistrationRunner runner) { registrationRunner_ = std::move(runner); }
    void OpenRegistration();
    // "USSD Session": the one USSD window, opened or brought back.
    void OpenUssdSession();
    void ShowUssdAgain();
    TUssdWindow* UssdWindow() const;
    // Runs the About window: the window shows it modally; tests replace this.
    using AboutRunner = std::function<void(TAboutWindow&)>;
    void SetAboutRunner(AboutRunner runner) { aboutRunner_ = std::move(runner); }
    // Runs the settings window: the window shows it modally; tests replace this.
    using SettingsRunner = std::function<void(TSettingsWindow&)>;
    void SetSettingsRunner(SettingsRunner runner) { settingsRunner_ = std::move(runner); }
    // "SIM contacts": the SIM phonebook window; the contacts are read again after an import.
    void OpenSimContacts();

    // The contacts feature on or off: its actions, the Contacts page and the names of messages.
    void ApplyContactsFeature(bool on) override;
    // After any change of the contacts: the list read again and every message's name resolved again.
    void RefreshContacts();

    enum Page {
        MessagesPageIndex = 0,
        StatusPageIndex = 1,
        DevicePageIndex = 2,
        LogPageIndex = 3,
        DebugPageIndex = 4,
        ContactsPageIndex = 5,
        ConversationsPageIndex = 6
    };
    int CurrentPage() const;

    // "Open application": show, restore and raise.
    void AppOpen();
    // A click on a notification: the window opened on the Messages page and its Inbox.
    void OpenInbox();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void BuildActions();
    void BuildContactActions();
    void BuildMessageActions();
    void BuildDeviceActions();
    void BuildTrayMenu();
    void BuildShellActions();
    void BuildOptionActions();
    void LoadTrayImages();
    void ApplyLargeButtons();
    void ApplyLargeRows();
    void ApplyLargeText();
    void SyncDataClassTray();
    void StatusPanelDoubleClicked(int panel);
    void ShowRadioState();
    void ScanComplete(std::int32_t status);
    enum class StatusView { Status, Providers, PreferredProviders };
    // The Status page with one of its three views.
    void ShowStatusView(StatusView view);
    // The status view's rows about ModemManager, when it shares the modem.
    void ListSharing();
    void BuildContactsPage();
    void BuildContactsMenu();
    void ResolveMessageNames();
    // The contact editor for a contact ID, a new contact (id 0, no number) or a number; true when
    // it changed something.
    bool OpenContactEditor(std::int64_t id, const QString& number);
    void ContactsSelectionChanged(bool selected);
    void BuildMenus();
    void BuildServicesMenu(QMenu* parent);
    void BuildPages();
    void BuildStatusBar();
    void StartTimerTimer();
    void ShowPage(int page);
    void UpdateStatusBar();
    void UpdateMessageActions(Folder folder, SmsData* data);
    void ListSelected(Folder folder, SmsData* data);
    void DeviceEvent(const Message& message);
    void DeviceInfo(const Message& message);
    QAction* NewAction(MainAction action, const QString& caption, const char* icon = nullptr);
    void SetAction(MainAction action, QAction* made);
    // Check actions that stand for a setting: checked as it is, and it follows them.
    struct Toggle
    {
        MainAction name;
        const char* caption;
        bool* setting;
    };
    void NewToggles(std::initializer_list<Toggle> toggles);

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
    Notifier* notifier_ = nullptr;
    std::unique_ptr<TNotification> notification_; // only when no notifier was given and a server exists
    std::unique_ptr<DesktopChannels> channels_;
    std::unique_ptr<Announcer> announcer_;
    bool toastsAvailable_ = false;
    TrayIcon* tray_ = nullptr;
    TrayIcon* dataClassTray_ = nullptr;
    std::array<QIcon, 10> trayImages_;
    QString dataHome_;
    QString trayImageFolder_;
    int baseFontSize_ = 0;
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

    std::array<QAction*, MainActionCount> actions_{};
    QStackedWidget* pages_ = nullptr;
    MessagesPage* messagesPage_ = nullptr;
    ConversationsPage* conversationsPage_ = nullptr;
    MessagePrinter* printer_ = nullptr;
    QTreeView* logView_ = nullptr;
    QTreeView* statusView_ = nullptr;
    QTreeWidget* statusList_ = nullptr;
    DebugPage* debugPage_ = nullptr;
    QLabel* statusTitle_ = nullptr;
    QLabel* debugSwitch_ = nullptr;
    QMenu* debugMenu_ = nullptr;
    QAction* pinSeparator_ = nullptr;
    QLabel* panels_[6] = {}; // the text panels; 3 is the signal panel
    SignalPanel* signalPanel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer startTimer_;
    ComposerRunner composerRunner_;
    ContactEditorRunner contactEditorRunner_;
    SimDataRunner simDataRunner_;
    RegistrationRunner registrationRunner_;
    AboutRunner aboutRunner_;
    SettingsRunner settingsRunner_;
    QPointer<TUssdWindow> ussdWindow_;
    ContactsModel* contacts_ = nullptr;
    std::unique_ptr<ContactsBook> contactsBook_;
    std::unique_ptr<MessageActions> messageActions_;
    ContactsView* contactsView_ = nullptr;
    QMenu* contactsMenu_ = nullptr;
    // Enabled states of the message actions while another page is shown.
    QHash<int, bool> heldMessageActions_; // by MainAction
    StatusView nextStatusView_ = StatusView::Status;
    QString databasePath_;
    bool hidden_ = false;
    bool closeForReal_ = false;
    bool restoreMaximized_ = false;
};
