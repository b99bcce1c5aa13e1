#pragma once
// The session the program uses: MobileBroadband, its event codes and the records it hands the window.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <QString>

#include "app/Messages.h"
#include "device/Status.h"
#include "device/service/BroadbandEvents.h"

class BroadbandService;
class MessageTarget;

// Event codes of WM_BROADBAND_EVENT (wParam). The lParam or record of each is noted.
enum : std::uintptr_t {
    EV_INTERFACE_ARRIVAL = 1,     // record std::string: interface ID
    EV_INTERFACE_REMOVAL = 2,     // record std::string: interface ID
    EV_READY_STATE = 3,           // lParam: ready state
    EV_SCAN_NETWORK_COMPLETE = 4, // record BROADBAND_REQUEST_RESULT
    EV_EMERGENCY_MODE = 5,
    EV_HOME_PROVIDER = 6,
    EV_CAPABILITY = 7,
    EV_PREFERRED_PROVIDERS = 8,
    EV_SET_PREFERRED_PROVIDERS_COMPLETE = 9, // record BROADBAND_REQUEST_RESULT
    EV_SUBSCRIBER_INFORMATION = 10,
    EV_SET_SMS_CONFIGURATION_COMPLETE = 11, // record BROADBAND_REQUEST_RESULT
    EV_SMS_CONFIGURATION = 12,
    EV_SMS_DELETE_COMPLETE = 13, // record BROADBAND_REQUEST_RESULT
    EV_SMS_BATCH = 15,           // before the WM_BROADBAND_SMS of a read or class-0 batch
    EV_SMS_SEND_COMPLETE = 16,   // record BROADBAND_REQUEST_RESULT
    EV_SMS_STATUS = 17,
    EV_RADIO_STATE = 20,            // lParam: software radio state
    EV_GET_PIN_STATE_COMPLETE = 23, // record BROADBAND_REQUEST_RESULT
    EV_PIN_ENABLE_COMPLETE = 24,
    EV_PIN_DISABLE_COMPLETE = 25,
    EV_PIN_ENTER_COMPLETE = 26,
    EV_PIN_CHANGE_COMPLETE = 27,
    EV_PIN_UNBLOCK_COMPLETE = 28,
    EV_PACKET_SERVICE = 31,             // lParam: current data class flags
    EV_SET_REGISTER_MODE_COMPLETE = 32, // record BROADBAND_REQUEST_RESULT
    EV_QUERY_SUPPORTED_COMMANDS_COMPLETE = 33,
    EV_OPEN_COMMAND_SESSION_COMPLETE = 34,
    EV_CLOSE_COMMAND_SESSION_COMPLETE = 35,
    EV_SET_COMMAND_COMPLETE = 36,
    EV_QUERY_COMMAND_COMPLETE = 37,
    EV_EVENT_NOTIFICATION = 38,
    EV_OPEN_DATA_SESSION_COMPLETE = 39,
    EV_CLOSE_DATA_SESSION_COMPLETE = 40,
    EV_WRITE_DATA_COMPLETE = 41,
    EV_READ_DATA = 42,
    EV_DEVICE_SERVICE_INTERFACE_STATE = 43,
};

// Records of the device layer's messages. Like every record, valid only while the handler runs.
// WM_BROADBAND_LOG carries its text as a std::string record (wParam and lParam 0);
// WM_BROADBAND_SMS a BROADBAND_SMS_DATA with the index in wParam; WM_BROADBAND_SIGNAL
// wParam 1 and the raw strength in lParam, or 0 and 0 when unknown.
struct BROADBAND_REQUEST_RESULT
{
    std::uint32_t RequestID = 0;
    HRESULT Status = 0;
    // A send's completion: the reference the network gave the message, which its status report
    // quotes. 0 for every other request.
    std::uint32_t MessageReference = 0;
    // A PIN entry's completion: the attempts left before the SIM blocks, -1 when the device did
    // not say.
    std::int32_t AttemptsRemaining = -1;
};

struct BROADBAND_REGISTRATION_DATA
{
    bool Registered = false; // home, roaming or partner
    bool Roaming = false;
    std::string ProviderID;
    std::string ProviderName;
    std::string RegistrationState; // symbolic text
    std::string RoamingText;
    std::string RegistrationMode; // symbolic text
};

struct BROADBAND_INFO_DATA
{
    std::string Name;
    std::string Value;
};

// Row kinds of WM_BROADBAND_INFO (wParam).
enum : std::uintptr_t {
    INFO_GROUP = 1, // name: header, value: footer
    INFO_ITEM = 2,
    INFO_MESSAGE = 3,
    INFO_ERROR = 4, // name: caption, value: text
};

// Log lines and messages of the device layer go to one target; null sends nothing.
class BroadbandSender
{
public:
    explicit BroadbandSender(MessageTarget* target) : target(target) { }
    void LogLine(const std::string& text) const;
    // "Step() -> Failed: " and the status text.
    void LogFailed(const char* step, HRESULT hr) const;
    // The empty line, title and rule that open every information block.
    void BlockHeading(const char* title) const;
    void Event(std::uintptr_t code, std::intptr_t lParam = 0) const;
    void EventResult(std::uintptr_t code, std::uint32_t requestId, HRESULT status, std::uint32_t messageReference = 0,
                     std::int32_t attemptsRemaining = -1) const;
    template <class T> void Record(unsigned number, std::uintptr_t wParam, const T& record) const;
    void Plain(unsigned number, std::uintptr_t wParam, std::intptr_t lParam) const;
    MessageTarget* Target() const { return target; }

protected:
    MessageTarget* target;
};

// The shape all sinks share: advised on one source while connected.
class BroadbandSink : public BroadbandSender
{
public:
    BroadbandSink(MessageTarget* target, const char* className) : BroadbandSender(target), className(className) { }
    virtual ~BroadbandSink() = default;
    BroadbandSink(const BroadbandSink&) = delete;
    BroadbandSink& operator=(const BroadbandSink&) = delete;

    bool Connect(BroadbandService* source);
    void Disconnect();
    bool IsConnected() const { return cookie != 0 && !sourceLifetime.expired(); }

protected:
    virtual HRESULT AdviseOn(BroadbandService& source, std::uint32_t& cookie) = 0;
    void EntryLine(const char* method) const;
    // Logs the completion line of a request and sends its result with the code.
    void Completion(const char* method, std::uintptr_t code, std::uint32_t requestId, HRESULT status) const;
    bool CompletionLine(const char* method, std::uint32_t requestId, HRESULT status) const;

    const char* className;
    std::uint32_t cookie = 0;
    BroadbandService* source = nullptr;
    std::weak_ptr<const void> sourceLifetime; // the source may be destroyed before the sink
};

template <class Events> class BroadbandSinkOf : public BroadbandSink, public Events
{
public:
    using BroadbandSink::BroadbandSink;
    ~BroadbandSinkOf() override { Disconnect(); }

protected:
    HRESULT AdviseOn(BroadbandService& service, std::uint32_t& newCookie) override;
};

class BroadbandInterfaceManagerEvents final : public BroadbandSinkOf<IBroadbandInterfaceManagerEvents>
{
public:
    explicit BroadbandInterfaceManagerEvents(MessageTarget* target)
        : BroadbandSinkOf(target, "BroadbandInterfaceManagerEvents")
    { }
    void OnInterfaceArrival(BroadbandInterface& iface) override;
    void OnInterfaceRemoval(BroadbandInterface& iface) override;
};

class BroadbandInterfaceEvents final : public BroadbandSinkOf<IBroadbandInterfaceEvents>
{
public:
    explicit BroadbandInterfaceEvents(MessageTarget* target) : BroadbandSinkOf(target, "BroadbandInterfaceEvents") { }
    void OnInterfaceCapabilityAvailable(BroadbandInterface& iface) override;
    void OnSubscriberInformationChange(BroadbandInterface& iface) override;
    void OnReadyStateChange(BroadbandInterface& iface) override;
    void OnEmergencyModeChange(BroadbandInterface& iface) override;
    void OnHomeProviderAvailable(BroadbandInterface& iface) override;
    void OnPreferredProvidersChange(BroadbandInterface& iface) override;
    void OnSetPreferredProvidersComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status) override;
    void OnScanNetworkComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status) override;
};

class BroadbandSmsEvents final : public BroadbandSinkOf<IBroadbandSmsEvents>
{
public:
    explicit BroadbandSmsEvents(MessageTarget* target) : BroadbandSinkOf(target, "BroadbandSmsEvents") { }
    void OnSmsConfigurationChange(BroadbandInterface& iface) override;
    void OnSetSmsConfigurationComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status) override;
    void OnSmsSendComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status,
                           std::uint32_t messageReference) override;
    void OnSmsReadComplete(BroadbandInterface& iface, const std::vector<SmsPduMessage>* messages, bool moreMessages,
                           std::uint32_t requestId, HRESULT status) override;
    void OnSmsNewClass0Message(BroadbandInterface& iface, const std::vector<SmsPduMessage>* messages) override;
    void OnSmsDeleteComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status) override;
    void OnSmsStatusChange(BroadbandInterface& iface) override;

private:
    void Batch(const char* prefix, const std::vector<SmsPduMessage>* messages, bool class0) const;
};

class BroadbandSignalEvents final : public BroadbandSinkOf<IBroadbandSignalEvents>
{
public:
    explicit BroadbandSignalEvents(MessageTarget* target) : BroadbandSinkOf(target, "BroadbandSignalEvents") { }
    void OnSignalStateChange(BroadbandInterface& iface) override;
};

class BroadbandRadioEvents final : public BroadbandSinkOf<IBroadbandRadioEvents>
{
public:
    explicit BroadbandRadioEvents(MessageTarget* target) : BroadbandSinkOf(target, "BroadbandRadioEvents") { }
    void OnRadioStateChange(BroadbandInterface& iface) override;
    void OnSetSoftwareRadioStateComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status) override;

private:
    void SendRadioState(BroadbandInterface& iface) const;
};

class BroadbandPinManagerEvents final : public BroadbandSinkOf<IBroadbandPinManagerEvents>
{
public:
    explicit BroadbandPinManagerEvents(MessageTarget* target) : BroadbandSinkOf(target, "BroadbandPinManagerEvents") { }
    void OnPinListAvailable(BroadbandInterface& iface) override;
    void OnGetPinStateComplete(BroadbandInterface& iface, const BroadbandPinInfo& info, std::uint32_t requestId,
                               HRESULT status) override;
};

class BroadbandPinEvents final : public BroadbandSinkOf<IBroadbandPinEvents>
{
public:
    explicit BroadbandPinEvents(MessageTarget* target) : BroadbandSinkOf(target, "BroadbandPinEvents") { }
    void OnEnableComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status) override;
    void OnDisableComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status) override;
    void OnEnterComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status,
                         std::int32_t attemptsRemaining) override;
    void OnChangeComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status) override;
    void OnUnblockComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status) override;
};

class BroadbandRegistrationEvents final : public BroadbandSinkOf<IBroadbandRegistrationEvents>
{
public:
    explicit BroadbandRegistrationEvents(MessageTarget* target) : BroadbandSinkOf(target, "BroadbandRegistrationEvents")
    { }
    void OnRegisterModeAvailable(BroadbandInterface& iface) override;
    void OnRegisterStateChange(BroadbandInterface& iface) override;
    void OnPacketServiceStateChange(BroadbandInterface& iface) override;
    void OnSetRegisterModeComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status) override;

    static BROADBAND_REGISTRATION_DATA Read(BroadbandInterface& iface);
};

class BroadbandDeviceServicesEvents final : public BroadbandSinkOf<IBroadbandDeviceServicesEvents>
{
public:
    explicit BroadbandDeviceServicesEvents(MessageTarget* target)
        : BroadbandSinkOf(target, "BroadbandDeviceServicesEvents")
    { }
    void OnQuerySupportedCommandsComplete(const std::string& serviceId, const std::vector<std::uint32_t>& commandIds,
                                          std::uint32_t requestId, HRESULT status) override;
    void OnOpenCommandSessionComplete(std::uint32_t requestId, HRESULT status) override;
    void OnCloseCommandSessionComplete(std::uint32_t requestId, HRESULT status) override;
    void OnSetCommandComplete(std::uint32_t requestId, HRESULT status) override;
    // Parses the phonebook answers and hands them over as WM_BROADBAND_PHONEBOOK.
    void OnQueryCommandComplete(std::uint32_t responseId, const std::vector<std::uint8_t>& data,
                                std::uint32_t requestId, HRESULT status) override;
    void OnEventNotification(std::uint32_t eventId) override;
    void OnInterfaceStateChange(const std::string& interfaceId) override;
};

// The program's session with the broadband service: the current interface, the sinks, and the
// SMS operations. Used on the UI thread only.
class MobileBroadband : public BroadbandSender
{
public:
    // service: the broadband service; null takes the process's default service.
    explicit MobileBroadband(MessageTarget* target, BroadbandService* service = nullptr);
    ~MobileBroadband();
    MobileBroadband(const MobileBroadband&) = delete;
    MobileBroadband& operator=(const MobileBroadband&) = delete;

    bool Connect();
    void Disconnect();
    bool RefreshInterfaces();
    bool SelectInterface(const std::string& interfaceId);
    int GetState() const;
    void ClearInterface(int eventCode);
    std::string GetInterfaceID() const { return currentInterfaceId; }
    // The control port of the current interface, as it was opened; empty without one.
    std::string GetDevicePath();
    // The broadband service in use: the one given, else the process's default; may be null.
    BroadbandService* Service() const;
    std::uint32_t GetInterfaceCount() const { return interfaceCount; }
    const std::string& GetModelName() const { return modelName; }
    const std::string& GetRegisteredProviderName() const { return providerName; }

    bool SmsSendPdu(const std::string& pdu, std::uint8_t size, std::uint32_t& requestId);
    bool SmsRead(std::uint32_t index);
    bool SmsDelete(std::uint32_t index, std::uint32_t& requestId);
    bool SmsDelete(std::uint32_t index);
    bool GetSMSC(std::string& smsc);

    // Information blocks of the current interface in the log.
    void ShowDeviceInfo();
    void ShowCapabilities();
    void ShowProviders();
    void ShowRegistration();

    // Rows of the status view, sent as WM_BROADBAND_INFO.
    void ListDeviceStatus();
    void ListVisibleProviders();
    void ListPreferredProviders();

    std::string GetCustomDataClass();
    std::string GetProviderName();
    bool IsRoaming();
    bool GetCurrentDataClass(std::uint32_t& flags);
    bool GetSignalStrength(std::uint32_t& strength);
    bool GetSoftwareRadioState(std::int32_t& state);
    bool GetReadyState(std::int32_t& state);

    // Requests; the outcome arrives as an event. requestId, when given, receives the request's ID.
    bool SetSoftwareRadioState(std::int32_t state, std::uint32_t* requestId = nullptr);
    bool ScanNetwork(std::uint32_t* requestId = nullptr);
    // Empty provider ID: automatic registration.
    bool SetRegisterMode(const std::string& providerId, std::uint32_t dataClass, std::uint32_t* requestId = nullptr);
    bool EnterPin(std::int32_t pinType, const std::string& pin, std::uint32_t* requestId = nullptr);

    // Device services and the phonebook.
    bool DeviceServicesConnect();
    void DeviceServicesDisconnect();
    bool DeviceServiceOpen(const std::string& serviceId);
    bool DeviceServiceClose();
    bool CommandSessionOpen();
    bool CommandSessionClose();
    bool IsCommandSessionOpen() const { return deviceService && deviceService->commandSession; }
    // The phonebook requests; each returns true when the device took it, with its ID in requestId.
    bool GetPhonebookInfo(std::uint32_t* requestId = nullptr);
    bool GetPhonebookData(std::uint32_t* requestId = nullptr);
    bool SetPhonebookData(const QString& name, const QString& number, std::uint32_t* requestId = nullptr);
    bool DeletePhonebookData(std::uint32_t index, std::uint32_t* requestId = nullptr);

private:
    struct OpenService
    {
        std::string serviceId;
        std::string interfaceId;
        bool commandSession = false;
    };

    std::shared_ptr<BroadbandInterface> LookupInterface();
    void InterfaceHeading(const char* heading, const std::string& id);
    void ShowBlocks(BroadbandInterface& iface);
    void CapabilityBlock(BroadbandInterface* iface);
    void DeviceStatusBlock(BroadbandInterface* iface);
    void SubscriberBlock(BroadbandInterface* iface);
    void SmsConfigurationBlock(BroadbandInterface* iface);
    void ProvidersBlock(BroadbandInterface* iface);
    void RegistrationBlock(BroadbandInterface* iface);
    void ProviderLines(const BroadbandProvider& provider);
    void Info(std::uintptr_t kind, const std::string& name, const std::string& value = {}) const;
    void ProviderRows(const std::vector<BroadbandProvider>& providers, const std::string& customName);
    void VisibleProviderRows(BroadbandInterface& iface, const std::string& customName);
    void SetProviderName(std::int32_t state, const std::string& name);
    bool PhonebookCommand(std::uint32_t commandId, bool set, const std::vector<std::uint8_t>& payload,
                          std::uint32_t* requestId);
    void CompleteLater(bool open, std::uint32_t requestId);

    std::string currentInterfaceId;
    std::uint32_t interfaceCount = 0;
    BroadbandService* manager = nullptr; // held while connected
    BroadbandService* service;
    std::unique_ptr<BroadbandInterfaceManagerEvents> managerEvents;
    std::unique_ptr<BroadbandInterfaceEvents> interfaceEvents;
    std::unique_ptr<BroadbandSmsEvents> smsEvents;
    std::unique_ptr<BroadbandSignalEvents> signalEvents;
    std::unique_ptr<BroadbandRadioEvents> radioEvents;
    std::unique_ptr<BroadbandPinManagerEvents> pinManagerEvents;
    std::unique_ptr<BroadbandPinEvents> pinEvents;
    std::unique_ptr<BroadbandRegistrationEvents> registrationEvents;
    std::unique_ptr<BroadbandDeviceServicesEvents> deviceServicesEvents;
    std::string modelName;
    std::string providerName;
    BroadbandService* deviceServicesManager = nullptr; // held while the device services are connected
    std::optional<OpenService> deviceService;
    // Completions posted for later check that the session and its service still exist.
    std::shared_ptr<int> alive = std::make_shared<int>(0);
};
