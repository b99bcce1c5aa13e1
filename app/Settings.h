#pragma once
// The per-user settings store: options and the main window's layout, kept in QSettings under
// organisation "Corvaline" and the application title, in the groups Settings, SMS, Folders and
// Layout. Every value is a 32-bit integer; a boolean is 0 or 1 and reads as true when not 0.
// Absent values, and values that are not 32-bit integers, keep the built-in defaults.

#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QSettings;

class SettingsStore
{
public:
    using LogFunction = std::function<void(const QString&)>;

    // The store of the current user for the given application title.
    static std::unique_ptr<QSettings> OpenUserStore(const QString& title = QStringLiteral("Parlowen"));

    // A stored 32-bit value (signed or unsigned, a number or decimal text), as its 32 bits;
    // nothing when absent or of another kind. Every value of the store reads so.
    static std::optional<std::uint32_t> ReadDword(const QSettings& store, const QString& key);

    // Built-in defaults; ussdAvailable is the default of ShowUssd.
    explicit SettingsStore(bool ussdAvailable = false);

    // Reads every stored value in table order and logs the few that the log records.
    void Load(QSettings& store, const LogFunction& log = {});
    // What the main window writes when it closes for real. normalRect is the window's normal
    // (restored) rectangle, or nothing when the placement could not be read; then the position
    // and size are left as stored.
    bool SaveOnClose(QSettings& store, const std::optional<QRect>& normalRect) const;
    // What the main window writes when it is destroyed.
    bool SaveOnDestruction(QSettings& store) const;
    // What the settings window writes.
    bool SaveOptions(QSettings& store) const;

    // ";", ",", tab or space by CsvDelimiter; ";" for any other value.
    QChar CsvDelimiterChar() const;
    // ReceiveTimerInterval as a timer interval.
    int ReceiveTimerIntervalMs() const { return ReceiveTimerInterval * 1000; }

    // Settings
    bool SaveOnDisk = true;
    int ApplicationIcon = 0;
    int EventIcon = 0;
    bool HideWhenMinimized = true;
    bool HideWhenClosing = true;
    bool AlwaysOnTop = false;
    bool Contacts = true;
    // Checked states of the large-buttons and large-text actions. The load stores the opposite of
    // the stored choice and the main window executes both actions once at creation, which flips
    // them back and applies them; when saving, these hold the actions' current states.
    bool LargeButtonsChecked = true;
    bool LargeTextChecked = true;
    int LargeFont = 10;
    bool LargeRows = false;
    bool CloseConfirmation = true;
    bool ShowLabels = false;
    bool ShowStatusLog = false;
    bool ShowToastNotification = true;
    bool ShowBalloonNotification = true;
    bool ShowSmsID = false;
    bool ShowTrayIcon = true;
    bool ShowDataClassIcon = false;
    bool ShowDataClassIconBalloon = true;
    bool ShowDataClassNotification = false;
    bool ShowNetworkRegistration = true;
    bool ShowProgressBar = true;
    bool ShowUssd = false;
    bool ShowMenu = true;
    bool ShowToolBar = true;
    bool ShowStatusBar = true;
    bool ShowMessageInfo = true;
    bool ShowBusyNotification = true;
    bool ShowSignalStrength = false;
    bool ShowDataClass = true;
    int CsvDelimiter = 0;

    // SMS
    bool DeliveryReport = true;
    bool ConfirmationToSend = true;
    bool SaveSent = true;
    int MaxSendCount = 5;
    std::uint32_t MessageIndex = 0;
    bool ReceiveTimerEnabled = false;
    int ReceiveTimerInterval = 60; // seconds, 15 at least

    // Folders; nothing depends on them.
    bool FolderInbox = true;
    bool FolderSentItems = true;
    bool FolderOutbox = true;
    bool FolderDrafts = true;
    bool FolderTemplates = true;
    bool FolderReports = true;

    // Layout of the main window's normal (restored) rectangle and panels.
    std::optional<int> ApplicationTop; // absent: the window's own position
    std::optional<int> ApplicationLeft;
    int ApplicationHeight = 600;
    int ApplicationWidth = 800;
    int ApplicationState = 0; // 0 normal, 1 minimised, 2 maximised
    int ApplicationMessage = 250;
    int ApplicationStatusBar = 19;
    int ApplicationFolders = 120;
    bool ApplicationHeader = true;
    bool RestoreMaximized = false; // set by a stored maximised state
};
