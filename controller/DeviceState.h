#pragma once
// The window's picture of the device: status-bar panels, signal and data class as values, the
// ready state and the reactions to arrival, removal and the start and stop of the interface.

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

class ControllerHost;
struct BROADBAND_REQUEST_RESULT;
class SettingsStore;
class MobileBroadband;
class MessageFolders;
class SendPipeline;
class IncomingMessages;
struct BROADBAND_REGISTRATION_DATA;

class DeviceState : public QObject
{
    Q_OBJECT
public:
    static constexpr int PanelCount = 6;
    // The status bar's panels, left to right.
    enum StatusPanel : int {
        PanelModel = 0,     // the device's model, or what became of the device
        PanelProvider = 1,  // the operator
        PanelRoaming = 2,   // "ROAMING" while roaming
        PanelSignal = 3,    // the signal image, and its level beside it on request
        PanelDataClass = 4, // the data class
        PanelMessage = 5,   // ready state, scans, the unread count
    };

    DeviceState(ControllerHost& host, SettingsStore& settings, MobileBroadband& device, MessageFolders& folders,
                SendPipeline& pipeline, IncomingMessages& incoming, QObject* parent = nullptr);

    // Measures a text in the status bar's font; without it texts count 7 pixels a character.
    void SetTextWidth(std::function<int(const QString&)> measure) { measure_ = std::move(measure); }

    void ConnectAction();
    void DisconnectAction();
    // WM_BROADBAND_EVENT codes of the device state; text: the interface ID of arrival and removal.
    void HandleEvent(std::uintptr_t code, std::intptr_t value, const std::string* text);
    void HandleSignal(bool known, std::uint32_t strength);
    void HandleRegistration(const BROADBAND_REGISTRATION_DATA& registration);
    void ShowReadyState(std::int32_t state, bool withSound);
    void ShowDataClass(std::uint32_t flags);
    // A double click on the data-class panel: the device asked again.
    void RefreshDataClass();
    // "Select interface": a blank ID does nothing; false when the device layer refused it.
    bool SelectInterface(const QString& interfaceId);
    // The signal text beside the signal image; its panel is wider while it shows.
    void ToggleSignalText() { SetShowSignalText(!showSignalText_); }
    void SetShowSignalText(bool on);
    bool ShowSignalText() const { return showSignalText_; }
    // The data-class notification-area icon kept or not (the option); off removes it.
    void SetShowDataClassIcon(bool on);
    // Operator scan: false when the device refused it. Its completion is ScanComplete, which
    // returns whether the providers view is to be shown now.
    bool StartScan();
    bool ScanComplete(std::int32_t status);
    bool ScanRequested() const { return scanRequested_; }
    // "Enter PIN": PIN1 asked masked (never logged) and given to the device. A refused PIN is told,
    // with the attempts left where the device says, and asked again until the SIM blocks.
    void EnterPin();
    void PinEntered(const BROADBAND_REQUEST_RESULT& result);
    // Manual registration with a provider ID; a blank one does nothing.
    void RegisterManually(const QString& providerId);
    // Registration from the Debug page: automatic, or manual with a provider ID, with the
    // data-class bits of its check boxes.
    void RegisterFromDebugPage(bool automatic, const QString& providerId, std::uint32_t dataClass);

    const QString& Panel(int index) const { return panels_[static_cast<size_t>(index)]; }
    // The data-class panel has no width while the option hides it.
    int PanelWidth(int index) const;
    int SignalImage() const { return signalImage_; }
    const QString& SignalText() const { return signalText_; }
    bool PinVisible() const { return pinVisible_; }
    bool InterfaceSelectVisible() const { return interfaceSelectVisible_; }
    // Checked states of the radio actions; neither before the first radio state.
    bool RadioOn() const { return radioOn_; }
    bool RadioOff() const { return radioOff_; }
    int DataClassImage() const { return dataClassImage_; }
    // The data-class notification-area icon: whether it exists, its tray image and tool tip.
    bool DataClassIconShown() const { return dataClassIconShown_; }
    int DataClassIconImage() const { return dataClassIconImage_; }
    const QString& DataClassIconTip() const { return dataClassIconTip_; }

    // The signal image and text of a strength from 0 to 31.
    static int SignalImageOf(std::uint32_t strength);
    static QString SignalTextOf(std::uint32_t strength);
    // The data class text and tray image of the data-class bits; custom: the custom class name.
    static QString DataClassText(std::uint32_t flags, const QString& custom, int* image);

Q_SIGNALS:
    void Changed();
    // The ready state or the device changed while the Status page may show it.
    void StatusViewStale();

private:
    // A read of the device's messages, once it can answer one.
    void ReadWhenReady();
    void SetPanel(int index, const QString& text, int widenBy = 0);
    void DeviceConnected();
    void DeviceRemoved(const std::string& interfaceId);
    void ShowModelName();
    void ShowRadio(std::int32_t state);
    // After a connect or a chosen interface: the panels and the queried states.
    void ShowInterface();
    void DataClassUpdate(int image, const QString& text);
    void RemoveDataClassIcon();

    ControllerHost& host_;
    SettingsStore& settings_;
    MobileBroadband& device_;
    MessageFolders& folders_;
    SendPipeline& pipeline_;
    IncomingMessages& incoming_;
    std::function<int(const QString&)> measure_;
    std::array<QString, PanelCount> panels_;
    std::array<int, PanelCount> widths_{250, 90, 0, 60, 60, 150};
    int signalImage_ = 0;
    QString signalText_;
    bool pinVisible_ = false;
    std::uint32_t pinRequest_ = 0; // the PIN entry waiting for its answer
    bool interfaceSelectVisible_ = false;
    bool radioOn_ = false;
    bool registered_ = false;
    bool radioOff_ = false;
    int dataClassImage_ = 2;
    bool scanRequested_ = false;
    bool showSignalText_ = false;
    bool dataClassIconShown_ = false;
    int dataClassIconImage_ = 2;
    QString dataClassIconTip_;
};
