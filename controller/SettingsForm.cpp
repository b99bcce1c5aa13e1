#include "controller/SettingsForm.h"

#include "app/Settings.h"
#include "controller/SettingsHost.h"
#include "controller/ShellIntegration.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>

namespace {

const QString swapBytesKey = QStringLiteral("USSD/SwapBytes");
const QString keyboardKey = QStringLiteral("Layout/Ussd.Keyboard");

// Radio buttons and list items exist for these numbers only; another number selects none.
int Selectable(int value, int count)
{
    return value >= 0 && value < count ? value : -1;
}

} // namespace

QString SettingsForm::DefaultAutostartFolder()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config.isEmpty() ? QString() : config + QStringLiteral("/autostart");
}

SettingsForm::SettingsForm(SettingsHost& host, QSettings& store)
    : host_(host),
      store_(store),
      autostartFolder_(DefaultAutostartFolder()),
      program_(QCoreApplication::applicationFilePath())
{ }

QString SettingsForm::AutostartEntryPath() const
{
    // Without a home there is no folder, and no entry is read, written or removed.
    return autostartFolder_.isEmpty() ? QString() : autostartFolder_ + QStringLiteral("/parlowen.desktop");
}

void SettingsForm::Load()
{
    ReadStored();
    At(Box::AutoStart) = QFileInfo::exists(AutostartEntryPath());
    // What the main window shows now outranks what was stored.
    At(Box::AlwaysOnTop) = host_.ActionChecked(MainAction::AlwaysOnTopAction);
    At(Box::HideWhenMinimized) = host_.ActionChecked(MainAction::HideWhenMinimizedAction);
    At(Box::LargeButtons) = host_.ActionChecked(MainAction::LargeButtonsAction);
    At(Box::LargeText) = host_.ActionChecked(MainAction::LargeTextAction);
    At(Box::DeliveryReport) = host_.ActionChecked(MainAction::SmsDeliveryReportAction);
    toastsAvailable_ = host_.ToastsAvailable();
    if (!toastsAvailable_)
        At(Box::ToastNotification) = false;
    applyEnabled_ = false;
}

void SettingsForm::ReadStored()
{
    // The store's own reader: absent values and values of a wrong kind keep the defaults.
    SettingsStore s;
    s.Load(store_);
    checkedAppIcon_ = Selectable(s.ApplicationIcon, IconCount);
    appIcon_ = std::max(checkedAppIcon_, 0);
    checkedEventIcon_ = Selectable(s.EventIcon, IconCount);
    eventIcon_ = std::max(checkedEventIcon_, 0);
    At(Box::HideWhenMinimized) = s.HideWhenMinimized;
    At(Box::HideWhenClosing) = s.HideWhenClosing;
    At(Box::AlwaysOnTop) = s.AlwaysOnTop;
    // The store keeps these two inverted until the main window executes them once.
    At(Box::LargeButtons) = !s.LargeButtonsChecked;
    At(Box::LargeText) = !s.LargeTextChecked;
    At(Box::LargeRows) = s.LargeRows;
    At(Box::CloseConfirmation) = s.CloseConfirmation;
    At(Box::Contacts) = s.Contacts;
    At(Box::ToastNotification) = s.ShowToastNotification;
    At(Box::BalloonNotification) = s.ShowBalloonNotification;
    At(Box::ShowSignalStrength) = s.ShowSignalStrength;
    At(Box::ShowDataClassIcon) = s.ShowDataClassIcon;
    At(Box::ShowDataClassNotification) = s.ShowDataClassNotification;
    At(Box::ShowNetworkRegistration) = s.ShowNetworkRegistration;
    delimiter_ = Selectable(s.CsvDelimiter, DelimiterCount);
    At(Box::DeliveryReport) = s.DeliveryReport;
    At(Box::SaveSent) = s.SaveSent;
    At(Box::ConfirmationToSend) = s.ConfirmationToSend;
    At(Box::ReceiveTimer) = s.ReceiveTimerEnabled;

    const auto swap = SettingsStore::ReadDword(store_, swapBytesKey);
    bigEndian_ = !swap || *swap != 0;
    const auto keyboard = SettingsStore::ReadDword(store_, keyboardKey);
    At(Box::UssdKeyboard) = keyboard && *keyboard != 0;
}

bool SettingsForm::Enabled(Box box) const
{
    switch (box) {
    case Box::LargeRows: return Checked(Box::LargeButtons); // the larger rows need the larger images
    case Box::ToastNotification: return toastsAvailable_;
    default: return true;
    }
}

void SettingsForm::SetChecked(Box box, bool checked)
{
    if (!Enabled(box))
        return; // a disabled box takes no clicks
    At(box) = checked;
    applyEnabled_ = true;
}

void SettingsForm::ChooseApplicationIcon(int icon)
{
    if (Selectable(icon, IconCount) >= 0)
        checkedAppIcon_ = appIcon_ = icon;
    applyEnabled_ = true;
}

void SettingsForm::ChooseEventIcon(int icon)
{
    if (Selectable(icon, IconCount) >= 0)
        checkedEventIcon_ = eventIcon_ = icon;
    applyEnabled_ = true;
}

void SettingsForm::ChooseCsvDelimiter(int index)
{
    if (Selectable(index, DelimiterCount) >= 0)
        delimiter_ = index;
    applyEnabled_ = true;
}

void SettingsForm::SetBigEndian(bool bigEndian)
{
    bigEndian_ = bigEndian;
    applyEnabled_ = true;
}

void SettingsForm::Apply()
{
    WriteStored();
    applyEnabled_ = false;
    WriteAutostart();
    ApplyToHost();
}

void SettingsForm::WriteStored()
{
    SettingsStore s;
    s.ApplicationIcon = appIcon_;
    s.EventIcon = eventIcon_;
    s.HideWhenMinimized = Checked(Box::HideWhenMinimized);
    s.HideWhenClosing = Checked(Box::HideWhenClosing);
    s.AlwaysOnTop = Checked(Box::AlwaysOnTop);
    s.LargeButtonsChecked = Checked(Box::LargeButtons);
    s.LargeTextChecked = Checked(Box::LargeText);
    s.LargeRows = Checked(Box::LargeRows);
    s.CloseConfirmation = Checked(Box::CloseConfirmation);
    s.Contacts = Checked(Box::Contacts);
    s.ShowToastNotification = Checked(Box::ToastNotification);
    s.ShowBalloonNotification = Checked(Box::BalloonNotification);
    s.ShowSignalStrength = Checked(Box::ShowSignalStrength);
    s.ShowDataClassIcon = Checked(Box::ShowDataClassIcon);
    s.ShowDataClassNotification = Checked(Box::ShowDataClassNotification);
    s.ShowNetworkRegistration = Checked(Box::ShowNetworkRegistration);
    s.CsvDelimiter = delimiter_;
    s.DeliveryReport = Checked(Box::DeliveryReport);
    s.SaveSent = Checked(Box::SaveSent);
    s.ConfirmationToSend = Checked(Box::ConfirmationToSend);
    s.ReceiveTimerEnabled = Checked(Box::ReceiveTimer);
    // A store that cannot be written is not reported; the window still applies the choices.
    s.SaveOptions(store_);
    store_.setValue(swapBytesKey, int(bigEndian_));
    store_.setValue(keyboardKey, int(Checked(Box::UssdKeyboard)));
    store_.sync();
}

void SettingsForm::WriteAutostart()
{
    const QString path = AutostartEntryPath();
    if (path.isEmpty())
        return;
    if (!Checked(Box::AutoStart)) {
        QFile::remove(path);
        return;
    }
    QString name = host_.Caption().simplified();
    if (name.isEmpty())
        name = QStringLiteral("Parlowen");
    const QStringList lines = {
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Application"),
        QStringLiteral("Name=") + name,
        QStringLiteral("Comment=Send and receive SMS through an MBIM modem"),
        QStringLiteral("Exec=") + shell::ExecProgram(program_) + QStringLiteral(" /hidden"),
        QStringLiteral("Icon=parlowen"),
        QStringLiteral("Terminal=false"),
        QStringLiteral("X-GNOME-Autostart-enabled=true"),
    };
    shell::SaveFile(path, (lines.join(u'\n') + u'\n').toUtf8());
}

void SettingsForm::ApplyToHost()
{
    // An action whose state differs is executed, so that it applies itself.
    auto follow = [this](MainAction action, Box box) {
        if (host_.ActionChecked(action) != Checked(box))
            host_.ExecuteAction(action);
    };
    auto check = [this](MainAction action, Box box) { host_.SetActionChecked(action, Checked(box)); };

    check(MainAction::AppCloseConfirmationAction, Box::CloseConfirmation);
    follow(MainAction::LargeRowsAction, Box::LargeRows);
    follow(MainAction::LargeButtonsAction, Box::LargeButtons);
    follow(MainAction::LargeTextAction, Box::LargeText);
    host_.ApplyContactsFeature(Checked(Box::Contacts));
    host_.SetCsvDelimiter(delimiter_);
    check(MainAction::HideWhenMinimizedAction, Box::HideWhenMinimized);
    check(MainAction::HideWhenClosingAction, Box::HideWhenClosing);
    // Each execution toggles the action and updates the closing behaviour; after two the action
    // is back at the box's state and the behaviour follows it.
    host_.ExecuteAction(MainAction::HideWhenClosingAction);
    host_.ExecuteAction(MainAction::HideWhenClosingAction);
    check(MainAction::SmsDeliveryReportAction, Box::DeliveryReport);
    check(MainAction::SmsSaveSentAction, Box::SaveSent);
    check(MainAction::SmsConfirmationToSendAction, Box::ConfirmationToSend);
    host_.SetReceiveTimer(Checked(Box::ReceiveTimer));
    check(MainAction::ToastNotificationAction, Box::ToastNotification);
    check(MainAction::BalloonNotificationAction, Box::BalloonNotification);
    check(MainAction::DataClassNotificationAction, Box::ShowDataClassNotification);
    host_.SetActionVisible(MainAction::RegistrationAction2, Checked(Box::ShowNetworkRegistration));
    host_.SetShowSignalText(Checked(Box::ShowSignalStrength));
    host_.SetShowDataClassIcon(Checked(Box::ShowDataClassIcon));
    if (Checked(Box::ToastNotification))
        host_.RefreshToastRegistration(appIcon_);
    host_.ApplyIcons(appIcon_, eventIcon_);
}

void SettingsForm::Ok()
{
    if (applyEnabled_)
        Apply();
    const MainAction action = MainAction::AlwaysOnTopAction;
    if (host_.ActionChecked(action) != Checked(Box::AlwaysOnTop))
        host_.ExecuteAction(action);
}

void SettingsForm::EditUssdTemplates()
{
    host_.EditUssdTemplates();
}
