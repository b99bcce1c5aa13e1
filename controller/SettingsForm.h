#pragma once
// The values of the settings window without its widgets: read from the settings store and the
// main window's live option states, changed by the user, written back on Apply and applied to the
// running main window through SettingsHost. Also the login autostart entry, which stands in for
// a stored option.

#include <QString>

#include <array>

class QSettings;
class SettingsHost;

class SettingsForm
{
public:
    // The check boxes of the window.
    enum class Box {
        LargeButtons,              // AppLargeButtons
        AlwaysOnTop,               // AppAlwaysOnTop
        HideWhenMinimized,         // AppHideWhenMin
        HideWhenClosing,           // AppHideWhenClosing
        AutoStart,                 // AppAutoStart
        LargeText,                 // AppLargeText
        LargeRows,                 // AppLargeRows
        CloseConfirmation,         // AppCloseConfirmation
        DeliveryReport,            // SmsDeliveryReport
        SaveSent,                  // SmsSaveSent
        ConfirmationToSend,        // SmsConfirmationToSend
        UssdKeyboard,              // UssdKeyboard
        Contacts,                  // AppContacts
        ShowDataClassIcon,         // NetShowDataClassIcon
        ShowDataClassNotification, // NetShowDataClassNotification
        ShowSignalStrength,        // NetShowSignalStrength
        ShowNetworkRegistration,   // NetShowNetworkRegistration
        BalloonNotification,       // BalloonNotification
        ToastNotification,         // ToastNotification
        ReceiveTimer,              // SmsReceiveTimer
    };
    static constexpr int BoxCount = static_cast<int>(Box::ReceiveTimer) + 1;

    static constexpr int IconCount = 6;
    static constexpr int DelimiterCount = 4; // semicolon, comma, tab, space

    // The user's autostart folder: autostart in $XDG_CONFIG_HOME (~/.config by default); empty
    // when there is no home, and then the box neither reads nor writes an entry.
    static QString DefaultAutostartFolder();

    // store: where the options are kept; host: the main window they are applied to.
    SettingsForm(SettingsHost& host, QSettings& store);

    // Where the autostart entry goes and the program it starts; the defaults are the user's
    // autostart folder and this program. Set them before Load.
    void SetAutostartFolder(const QString& folder) { autostartFolder_ = folder; }
    void SetProgramPath(const QString& program) { program_ = program; }
    QString AutostartEntryPath() const;
    QString ProgramPath() const { return program_; }

    // Fills the form: stored values where present, defaults otherwise, then the main window's
    // live states and the toast service's availability. Apply is disabled afterwards.
    void Load();

    bool Checked(Box box) const { return boxes_[Index(box)]; }
    bool Enabled(Box box) const;
    // The icon buttons: the checked one (-1 when a stored number matched none) and the number
    // chosen, which is what Apply writes.
    int CheckedApplicationIcon() const { return checkedAppIcon_; }
    int CheckedEventIcon() const { return checkedEventIcon_; }
    int ApplicationIcon() const { return appIcon_; }
    int EventIcon() const { return eventIcon_; }
    // The delimiter list's item index, -1 when a stored number matched no item.
    int CsvDelimiter() const { return delimiter_; }
    // "Big-Endian" checked; "Little-Endian" is its opposite.
    bool BigEndian() const { return bigEndian_; }
    bool ApplyEnabled() const { return applyEnabled_; }

    // What the user does. Each enables Apply, as any click does, even one that changes nothing;
    // a disabled box ignores it. Numbers without a button or item change nothing.
    void SetChecked(Box box, bool checked);
    void ChooseApplicationIcon(int icon);
    void ChooseEventIcon(int icon);
    void ChooseCsvDelimiter(int index);
    void SetBigEndian(bool bigEndian);

    // Writes the values, then the autostart entry, then applies them to the main window; Apply
    // is disabled afterwards. Always-on-top is written but not applied.
    void Apply();
    // Apply when enabled, then the always-on-top choice takes effect.
    void Ok();
    // "Edit templates".
    void EditUssdTemplates();

private:
    static int Index(Box box) { return static_cast<int>(box); }
    bool& At(Box box) { return boxes_[Index(box)]; }
    void ReadStored();
    void WriteStored();
    void WriteAutostart();
    void ApplyToHost();

    SettingsHost& host_;
    QSettings& store_;
    QString autostartFolder_;
    QString program_;

    std::array<bool, BoxCount> boxes_{};
    int checkedAppIcon_ = 0;
    int checkedEventIcon_ = 0;
    int appIcon_ = 0;
    int eventIcon_ = 0;
    int delimiter_ = 0;
    bool bigEndian_ = true;
    bool toastsAvailable_ = true;
    bool applyEnabled_ = false;
};
