#include "controller/DeviceState.h"

#include "app/Prompts.h"
#include "app/Settings.h"
#include "app/Sounds.h"
#include "controller/Host.h"
#include "controller/IncomingMessages.h"
#include "controller/MessageFolders.h"
#include "controller/SendPipeline.h"
#include "device/Broadband.h"
#include "device/Texts.h"

#include <QTimer>

#include <optional>

DeviceState::DeviceState(ControllerHost& host, SettingsStore& settings, MobileBroadband& device,
                         MessageFolders& folders, SendPipeline& pipeline, IncomingMessages& incoming, QObject* parent)
    : QObject(parent),
      host_(host),
      settings_(settings),
      device_(device),
      folders_(folders),
      pipeline_(pipeline),
      incoming_(incoming)
{
    panels_[PanelRoaming] = QStringLiteral("ROAMING");
    SetShowSignalText(settings_.ShowSignalStrength);
}

void DeviceState::SetShowSignalText(bool on)
{
    if (on == showSignalText_)
        return;
    showSignalText_ = on;
    settings_.ShowSignalStrength = on;
    widths_[PanelSignal] += on ? 35 : -35;
    Q_EMIT Changed();
}

void DeviceState::DataClassUpdate(int image, const QString& text)
{
    if (settings_.ShowDataClassIcon) {
        dataClassIconImage_ = image;
        dataClassIconTip_ = text;
        if (!dataClassIconShown_ && !text.isEmpty())
            dataClassIconShown_ = true;
    }
    host_.AnnounceDataClass(text);
}

void DeviceState::RemoveDataClassIcon()
{
    if (settings_.ShowDataClassIcon && dataClassIconShown_)
        dataClassIconShown_ = false;
}

void DeviceState::SetShowDataClassIcon(bool on)
{
    if (on == settings_.ShowDataClassIcon)
        return;
    if (on) {
        settings_.ShowDataClassIcon = true;
        // Shown at once for the data class the device has now.
        dataClassIconImage_ = dataClassImage_;
        dataClassIconTip_ = panels_[PanelDataClass];
        dataClassIconShown_ = !panels_[PanelDataClass].isEmpty();
    } else {
        RemoveDataClassIcon();
        settings_.ShowDataClassIcon = false;
    }
    Q_EMIT Changed();
}

int DeviceState::PanelWidth(int index) const
{
    if (index == PanelDataClass && !settings_.ShowDataClass)
        return 0;
    return widths_[static_cast<size_t>(index)];
}

void DeviceState::SetPanel(int index, const QString& text, int widenBy)
{
    panels_[static_cast<size_t>(index)] = text;
    if (widenBy > 0) {
        // Panels grow to fit their text and never shrink.
        const int width = (measure_ ? measure_(text) : 7 * static_cast<int>(text.size())) + widenBy;
        int& current = widths_[static_cast<size_t>(index)];
        if (current < width)
            current = width;
    }
}

int DeviceState::SignalImageOf(std::uint32_t s)
{
    if (s == 0)
        return 0;
    if (s <= 3)
        return 1;
    if (s <= 7)
        return 2;
    if (s <= 12)
        return 3;
    if (s <= 16)
        return 4;
    return 5;
}

QString DeviceState::SignalTextOf(std::uint32_t s)
{
    return QStringLiteral("%1 dBm").arg(2 * static_cast<int>(s) - 113);
}

QString DeviceState::DataClassText(std::uint32_t flags, const QString& custom, int* image)
{
    struct Row
    {
        std::uint32_t bit;
        const char* text;
        int image;
    };
    static const Row rows[] = {
        {0x1, "GPRS", 3},       {0x2, "EDGE", 4},         {0x4, "UMTS", 5},        {0x8, "HSPA", 6},
        {0x10, "HSPA", 6},      {0x20, "LTE", 7},         {0x40, "5G", 9},         {0x80, "5G", 9},
        {0x10000, "1XRTT", 2},  {0x20000, "IXEV-DO", 2},  {0x40000, "IXEV-DO", 2}, {0x80000, "1XEV-DV", 2},
        {0x100000, "3XRTT", 2}, {0x200000, "1XEV-DO", 2}, {0x400000, "UMB", 2},
    };
    *image = 2;
    if (flags == 0)
        return QString();
    for (const Row& row : rows) {
        if (flags & row.bit) {
            *image = row.image;
            return QString::fromLatin1(row.text);
        }
    }
    if (flags & 0x80000000u) {
        *image = 8;
        return custom.isEmpty() ? QStringLiteral("CUSTOM") : custom;
    }
    return QString();
}

void DeviceState::ShowDataClass(std::uint32_t flags)
{
    QString custom;
    if (flags & 0x80000000u)
        custom = QString::fromStdString(device_.GetCustomDataClass());
    SetPanel(PanelDataClass, DataClassText(flags, custom, &dataClassImage_));
    DataClassUpdate(dataClassImage_, panels_[PanelDataClass]);
    Q_EMIT Changed();
}

void DeviceState::RefreshDataClass()
{
    std::uint32_t flags = 0;
    if (device_.GetCurrentDataClass(flags))
        ShowDataClass(flags);
}

void DeviceState::HandleSignal(bool known, std::uint32_t strength)
{
    if (known && strength <= 31) {
        signalImage_ = SignalImageOf(strength);
        signalText_ = SignalTextOf(strength);
    } else {
        signalImage_ = radioOff_ ? 7 : 0;
        signalText_.clear();
    }
    Q_EMIT Changed();
}

void DeviceState::HandleRegistration(const BROADBAND_REGISTRATION_DATA& registration)
{
    // Back on a network: what arrived meanwhile may only now be readable.
    if (registration.Registered && !registered_)
        ReadWhenReady();
    registered_ = registration.Registered;
    if (registration.Registered) {
        SetPanel(PanelProvider, QString::fromStdString(registration.ProviderName), 35);
        widths_[PanelRoaming] = registration.Roaming ? 80 : 0;
    } else {
        SetPanel(PanelProvider, QString());
        widths_[PanelRoaming] = 0;
    }
    Q_EMIT Changed();
}

void DeviceState::ShowModelName()
{
    if (device_.GetModelName().empty())
        device_.ShowCapabilities();
    SetPanel(PanelModel, QString::fromStdString(device_.GetModelName()), 20);
}

bool DeviceState::StartScan()
{
    if (!device_.ScanNetwork())
        return false;
    scanRequested_ = true;
    SetPanel(PanelMessage, QStringLiteral("Network scan in progress..."));
    if (settings_.ShowProgressBar)
        host_.ShowProgress(true);
    Q_EMIT Changed();
    return true;
}

bool DeviceState::ScanComplete(std::int32_t status)
{
    const bool requested = scanRequested_;
    scanRequested_ = false;
    SetPanel(PanelMessage, QString());
    if (settings_.ShowProgressBar)
        host_.ShowProgress(false);
    Q_EMIT Changed();
    if (status == 0) {
        device_.ShowProviders();
        device_.ShowRegistration();
        return requested;
    }
    if (settings_.ShowBusyNotification)
        host_.Prompts().Show(QStringLiteral("Network"),
                             QStringLiteral("Operation could not be completed:\n\r") +
                                 QString::fromStdString(HresultText(status)),
                             PromptIcon::Error);
    return false;
}

void DeviceState::RegisterManually(const QString& providerId)
{
    const QString id = providerId.trimmed();
    if (!id.isEmpty())
        device_.SetRegisterMode(id.toStdString(), 0);
}

void DeviceState::ShowRadio(std::int32_t state)
{
    if (state == 0) {
        radioOn_ = false;
        radioOff_ = true;
        RemoveDataClassIcon();
        signalImage_ = 7;
    } else if (state == 1) {
        radioOn_ = true;
        radioOff_ = false;
        signalImage_ = 0;
    }
}

void DeviceState::ShowReadyState(std::int32_t state, bool withSound)
{
    QString text;
    bool pin = false;
    switch (state) {
    case 0:
        text = QStringLiteral("The mobile broadband device is off");
        RemoveDataClassIcon();
        signalImage_ = 9;
        break;
    case 1:
        ShowModelName();
        if (withSound)
            host_.Sounds().Play(QStringLiteral("DeviceConnect"));
        break;
    case 2:
        text = QStringLiteral("There is no SIM in the device");
        if (!settings_.SaveOnDisk)
            folders_.ClearMessageLists();
        break;
    case 3: text = QStringLiteral("The SIM is invalid"); break;
    case 4: text = QStringLiteral("The mobile broadband device failure"); break;
    case 5: text = QStringLiteral("The subscription is not activated"); break;
    case 6:
        text = QStringLiteral("A PIN is required for the operation to complete");
        host_.Notify(host_.Caption(), text);
        pin = true;
        if (withSound)
            host_.Sounds().Play(QStringLiteral("DeviceDisconnect"));
        break;
    case 7:
        text = QStringLiteral("The device is blocked by a PIN or password which is preventing the device from "
                              "initializing and registering onto the network");
        break;
    default: break;
    }
    SetPanel(PanelMessage, text);
    pinVisible_ = pin;
    Q_EMIT Changed();
    Q_EMIT StatusViewStale();
}

void DeviceState::DeviceConnected()
{
    host_.WriteLog(QStringLiteral("Device has been connected..."));
    device_.RefreshInterfaces();
    SetPanel(PanelModel, QString());
    SetPanel(PanelMessage, QStringLiteral("Device connected"));
    SetPanel(PanelProvider, QString());
    widths_[PanelRoaming] = 0;
    SetPanel(PanelDataClass, QString());
    dataClassImage_ = 2;
    DataClassUpdate(2, QStringLiteral("Device connected"));
    signalImage_ = 6;
    interfaceSelectVisible_ = device_.GetInterfaceCount() != 1;
    Q_EMIT Changed();
    // A modem plugged back in or resumed: its state and the messages that came meanwhile, as at
    // start. After "Stop interface" no arrival reaches here.
    if (device_.GetState() == 3)
        ShowInterface();
}

void DeviceState::DeviceRemoved(const std::string& interfaceId)
{
    if (interfaceId != device_.GetInterfaceID())
        return;
    host_.WriteLog(QStringLiteral("Device has been disconnected..."));
    device_.ClearInterface(2);
    pipeline_.InterfaceLost();
    SetPanel(PanelModel, QStringLiteral("Device disconnected"));
    SetPanel(PanelMessage, QString());
    SetPanel(PanelProvider, QString());
    SetPanel(PanelDataClass, QString());
    widths_[PanelRoaming] = 0;
    signalText_.clear();
    dataClassImage_ = 2;
    DataClassUpdate(2, QStringLiteral("Device disconnected"));
    RemoveDataClassIcon();
    signalImage_ = 9;
    Q_EMIT Changed();
    Q_EMIT StatusViewStale();
}

void DeviceState::HandleEvent(std::uintptr_t code, std::intptr_t value, const std::string* text)
{
    switch (code) {
    case EV_INTERFACE_ARRIVAL: DeviceConnected(); break;
    case EV_INTERFACE_REMOVAL:
        if (text)
            DeviceRemoved(*text);
        break;
    case EV_READY_STATE:
        ShowReadyState(static_cast<std::int32_t>(value), true);
        // A read refused while the SIM was locked or absent is not repeated by itself.
        if (value == 1)
            ReadWhenReady();
        break;
    case EV_CAPABILITY:
        ShowModelName();
        Q_EMIT Changed();
        break;
    case EV_RADIO_STATE: {
        const bool wasOn = radioOn_;
        ShowRadio(static_cast<std::int32_t>(value));
        Q_EMIT Changed();
        if (radioOn_ && !wasOn)
            ReadWhenReady();
        break;
    }
    case EV_PACKET_SERVICE: ShowDataClass(static_cast<std::uint32_t>(value)); break;
    default: break;
    }
}

void DeviceState::EnterPin()
{
    const std::optional<QString> answer =
        host_.Prompts().InputSecret(QStringLiteral("Enter PIN"), QStringLiteral("PIN1:"));
    if (!answer || answer->trimmed().isEmpty())
        return;
    std::uint32_t id = 0;
    if (device_.EnterPin(2, answer->trimmed().toStdString(), &id))
        pinRequest_ = id;
}

void DeviceState::PinEntered(const BROADBAND_REQUEST_RESULT& result)
{
    if (pinRequest_ == 0 || result.RequestID != pinRequest_)
        return;
    pinRequest_ = 0;
    if (result.Status == 0)
        return;
    QString text;
    if (result.AttemptsRemaining == 0)
        text = QStringLiteral("The PIN was wrong and the SIM is now blocked. Unblock it with its PUK in a phone.");
    else if (result.AttemptsRemaining > 0)
        text = QStringLiteral("The PIN was wrong. Attempts remaining: %1.").arg(result.AttemptsRemaining);
    else
        text = QStringLiteral("The PIN was not accepted: %1.").arg(QString::fromStdString(HresultText(result.Status)));
    const bool again = result.AttemptsRemaining != 0;
    // Told after the device's event is handled, not inside it.
    QTimer::singleShot(0, this, [this, text, again] {
        host_.Prompts().Show(QStringLiteral("Enter PIN"), text, PromptIcon::Warning);
        if (again && pinVisible_)
            EnterPin();
    });
}

void DeviceState::ReadWhenReady()
{
    std::int32_t ready = 0;
    if (device_.GetReadyState(ready) && ready == 1)
        incoming_.ReadDevice();
}

void DeviceState::ConnectAction()
{
    if (!device_.Connect()) {
        SetPanel(PanelModel,
                 device_.GetState() == 0 ? QStringLiteral("Interface not found") : QStringLiteral("Device not found"));
        Q_EMIT Changed();
        return;
    }
    interfaceSelectVisible_ = device_.GetInterfaceCount() != 1;
    ShowInterface();
}

bool DeviceState::SelectInterface(const QString& interfaceId)
{
    const QString id = interfaceId.trimmed();
    if (id.isEmpty() || !device_.SelectInterface(id.toStdString()))
        return false;
    ShowInterface();
    return true;
}

void DeviceState::ShowInterface()
{
    SetPanel(PanelModel, QString::fromStdString(device_.GetModelName()), 20);
    SetPanel(PanelProvider, QString::fromStdString(device_.GetProviderName()), 35);
    widths_[PanelRoaming] = device_.IsRoaming() ? 80 : 0;

    std::int32_t radio = 0;
    if (device_.GetSoftwareRadioState(radio))
        ShowRadio(radio);
    std::uint32_t strength = 0;
    if (device_.GetSignalStrength(strength))
        HandleSignal(true, strength);
    else
        signalImage_ = 9;
    std::uint32_t flags = 0;
    if (device_.GetCurrentDataClass(flags))
        ShowDataClass(flags);
    std::int32_t ready = 0;
    if (device_.GetReadyState(ready))
        ShowReadyState(ready, false);
    Q_EMIT Changed();
    incoming_.DeviceConnected();
}

void DeviceState::DisconnectAction()
{
    device_.Disconnect();
    pipeline_.InterfaceLost();
    folders_.ClearMessageLists();
    SetPanel(PanelModel, QStringLiteral("Interface is disconnected"));
    SetPanel(PanelProvider, QString());
    widths_[PanelRoaming] = 0;
    SetPanel(PanelMessage, QString());
    RemoveDataClassIcon();
    signalImage_ = 9;
    Q_EMIT Changed();
}

void DeviceState::RegisterFromDebugPage(bool automatic, const QString& providerId, std::uint32_t dataClass)
{
    host_.WriteLog(QStringLiteral("Network -> Registration:"));
    host_.WriteLog(QStringLiteral(" - Minimal data class: ") + QString::fromStdString(DataClassSymbol(dataClass)));
    if (automatic) {
        host_.WriteLog(QStringLiteral(" - Registration mode: Automatic"));
        device_.SetRegisterMode(std::string(), dataClass);
        return;
    }
    const QString id = providerId.trimmed();
    host_.WriteLog(QStringLiteral(" - Registration mode: Manual"));
    host_.WriteLog(QStringLiteral(" - Provider ID: ") + id);
    device_.SetRegisterMode(id.toStdString(), dataClass);
}
