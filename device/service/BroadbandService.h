#pragma once
// The libmbim side: devices found, opened and followed, the interfaces on them and their events.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/Status.h"
#include "device/service/BroadbandEvents.h"

class BroadbandService;
struct BroadbandInterfacePrivate;

// Values as the device reports them, in the broadband API's numbering.
struct BroadbandCaps
{
    std::int32_t cellularClass = 0;
    std::int32_t voiceClass = 0;
    std::uint32_t dataClass = 0;
    std::string customDataClass;
    std::uint32_t gsmBandClass = 0;
    std::uint32_t cdmaBandClass = 0;
    std::string customBandClass;
    std::uint32_t smsCaps = 0;
    std::uint32_t controlCaps = 0;
    // Absent strings are the platform's null strings: their log lines are left out.
    std::optional<std::string> deviceId;
    std::optional<std::string> manufacturer;
    std::optional<std::string> model;
    std::optional<std::string> firmware;
};

struct BroadbandSubscriber
{
    std::optional<std::string> subscriberId;
    std::optional<std::string> simIccId;
    std::vector<std::string> telephoneNumbers;
};

struct BroadbandSmsConfiguration
{
    std::optional<std::string> serviceCenterAddress;
    std::uint32_t maxMessageIndex = 0;
};

// One MBIM device opened by the service: the platform's interface object together with its SMS,
// signal, radio and registration services. Getters answer from what the device last reported
// (its answers to the opening queries and its indications); requests complete through the
// events advised on the service, with the request ID they returned.
class BroadbandInterface : public std::enable_shared_from_this<BroadbandInterface>
{
public:
    BroadbandInterface(BroadbandService& service, std::string path);
    ~BroadbandInterface();
    BroadbandInterface(const BroadbandInterface&) = delete;
    BroadbandInterface& operator=(const BroadbandInterface&) = delete;

    // "{GUID}", derived from the device's identity so that it survives reconnects.
    const std::string& InterfaceID() const { return id; }
    const std::string& DevicePath() const { return path; }
    bool IsReady() const { return ready; }
    BroadbandService& Service() const { return service; }

    HRESULT GetInterfaceCapability(BroadbandCaps& caps) const;
    HRESULT GetReadyState(std::int32_t& state) const;
    HRESULT GetSubscriberInformation(BroadbandSubscriber& info) const;
    HRESULT InEmergencyMode(bool& emergency) const;

    HRESULT GetSmsConfiguration(BroadbandSmsConfiguration& config) const;
    // pduHex: the PDU with its service-centre part; size: the TPDU length in octets.
    HRESULT SmsSendPdu(const std::string& pduHex, std::uint8_t size, std::uint32_t& requestId);
    // flag 0 reads all messages, 1 the one at index.
    HRESULT SmsRead(std::uint32_t flag, std::uint32_t index, std::uint32_t& requestId);
    HRESULT SmsDelete(std::uint32_t flag, std::uint32_t index, std::uint32_t& requestId);

    HRESULT GetSignalStrength(std::uint32_t& strength) const;
    HRESULT GetSignalError(std::uint32_t& error) const;

    HRESULT GetSoftwareRadioState(std::int32_t& state) const;
    HRESULT GetHardwareRadioState(std::int32_t& state) const;
    HRESULT SetSoftwareRadioState(std::int32_t state, std::uint32_t& requestId);

    HRESULT GetRegisterState(std::int32_t& state) const;
    HRESULT GetRegisterMode(std::int32_t& mode) const;
    HRESULT GetProviderID(std::string& id) const;
    HRESULT GetProviderName(std::string& name) const;
    HRESULT GetRoamingText(std::string& text) const;
    HRESULT GetAvailableDataClasses(std::uint32_t& flags) const;
    HRESULT GetCurrentDataClass(std::uint32_t& flags) const;
    HRESULT GetRegistrationNetworkError(std::uint32_t& error) const;
    // providerId empty: automatic registration.
    HRESULT SetRegisterMode(const std::string& providerId, std::uint32_t dataClass, std::uint32_t& requestId);

    HRESULT GetHomeProvider(BroadbandProvider& provider) const;
    HRESULT GetPreferredProviders(std::vector<BroadbandProvider>& providers) const;
    // Pending while a scan runs; InvalidCache when no list is known (never read, or radio off).
    HRESULT GetVisibleProviders(std::uint32_t& ageSeconds, std::vector<BroadbandProvider>& providers) const;
    HRESULT ScanNetwork(std::uint32_t& requestId);

    // The PINs the device supports.
    HRESULT GetPinList(std::vector<BroadbandPinDesc>& pins) const;
    // Fails when the device has no PIN of that type.
    HRESULT GetPin(std::int32_t pinType, BroadbandPinDesc& pin) const;
    HRESULT EnterPin(std::int32_t pinType, const std::string& pin, std::uint32_t& requestId);

    HRESULT EnumerateDeviceServices(std::vector<BroadbandDeviceServiceInfo>& services) const;
    HRESULT GetDeviceService(const std::string& serviceId, BroadbandDeviceServiceInfo& info) const;
    HRESULT QuerySupportedCommands(const std::string& serviceId, std::uint32_t& requestId);
    // A command of a device service with its information buffer as given; set: a set, else a query.
    HRESULT DeviceServiceCommand(const std::string& serviceId, std::uint32_t commandId, bool set,
                                 const std::vector<std::uint8_t>& payload, std::uint32_t& requestId);

    // One USSD exchange (action 0 initiate, 1 continue, 2 cancel). done runs on the UI thread
    // with the device's answer, or with a failure when the device goes or the request times out;
    // it may never run when the device is closed under it. For the USSD service only.
    struct UssdAnswer
    {
        HRESULT status = 0;
        std::uint32_t response = 0;
        std::uint32_t sessionState = 0;
        std::uint32_t dataCodingScheme = 0;
        std::vector<std::uint8_t> payload;
    };
    HRESULT Ussd(std::uint32_t action, std::uint32_t dataCodingScheme, const std::vector<std::uint8_t>& payload,
                 std::uint32_t timeoutSeconds, std::function<void(const UssdAnswer&)> done);

private:
    friend class BroadbandService;
    friend struct BroadbandInterfacePrivate;

    void Open(bool viaProxy);
    void Close();

    BroadbandService& service;
    std::string path;
    std::string id;
    bool ready = false;
    std::unique_ptr<BroadbandInterfacePrivate> d;
};

// The broadband service: finds MBIM devices (the control ports of USB and PCIe modems in sysfs,
// see device/service/ControlPorts.h, and paths given to it), opens them (through mbim-proxy when it runs),
// follows their arrival and removal (udev, the device's removal signal, given paths reappearing)
// and delivers the devices' events to the advised sinks. One per process is the usual case; tests may run several.
class BroadbandService
{
public:
    struct Options
    {
        std::vector<std::string> paths; // device nodes given on the command line
        bool scanSysfs = true;          // MBIM control ports of USB and PCIe modems
        bool watchUdev = true;
        // Through mbim-proxy, which libmbim starts when none runs: a second direct reader of the
        // port would take answers from ModemManager or any other client, and they from us.
        bool useProxy = true;
    };

    explicit BroadbandService(Options options);
    ~BroadbandService();
    BroadbandService(const BroadbandService&) = delete;
    BroadbandService& operator=(const BroadbandService&) = delete;

    // Begins discovery; devices arrive later through the event loop.
    void Start();
    bool IsStarted() const { return started; }
    // True once every device known at start has been opened or has failed to open.
    bool IsSettled() const { return pendingInitialOpens == 0; }
    // Runs the event loop until IsSettled() or the timeout; for tools and tests, not the UI.
    bool WaitUntilSettled(int timeoutMs);

    void AddDevicePath(const std::string& path);
    void RemoveDevicePath(const std::string& path);

    // The interfaces whose devices have been opened and read, in order of arrival.
    HRESULT GetInterfaces(std::vector<std::shared_ptr<BroadbandInterface>>& interfaces) const;
    HRESULT GetInterface(const std::string& interfaceId, std::shared_ptr<BroadbandInterface>& iface) const;

    // The sink is kept as its event interface: converting here adjusts the pointer when the
    // interface is not the sink's first base.
    template <class Sink> HRESULT Advise(Sink* sink, std::uint32_t& cookie)
    {
        using Events = typename Sink::Interface;
        Events* events = sink;
        return AdviseKind(Events::Kind, static_cast<void*>(events), cookie);
    }
    HRESULT Unadvise(std::uint32_t cookie);
    // Expires when the service is destroyed; its sinks are detached then, so a sink that outlives
    // it checks this before unadvising.
    std::weak_ptr<const void> Lifetime() const { return lifetime; }

    std::uint32_t NextRequestId() { return ++lastRequestId; }

    // The process's service, used by sessions that are not given one; may be null.
    static BroadbandService* Default();
    static void SetDefault(BroadbandService* service);

    template <class Sink, class... Params, class... Args> void Raise(void (Sink::*method)(Params...), Args&&... args)
    {
        using Events = typename Sink::Interface;
        for (std::uint32_t cookie : CookiesOf(Events::Kind)) {
            void* sink = SinkOf(cookie);
            if (sink)
                (static_cast<Events*>(sink)->*method)(args...);
        }
    }

private:
    friend class BroadbandInterface;
    friend struct BroadbandInterfacePrivate;
    struct Watch;

    HRESULT AdviseKind(BroadbandEventKind kind, void* sink, std::uint32_t& cookie);
    std::vector<std::uint32_t> CookiesOf(BroadbandEventKind kind) const;
    void* SinkOf(std::uint32_t cookie) const;

    void Open(const std::string& path, bool initial);
    void InterfaceOpened(BroadbandInterface& iface);
    void InterfaceFailed(BroadbandInterface& iface);
    void InterfaceRemoved(BroadbandInterface& iface);
    void PollPaths();
    // May re-announce an earlier device that reported the same identity.
    std::string UniqueId(BroadbandInterface& iface);

    Options options;
    bool started = false;
    int pendingInitialOpens = 0;
    std::uint32_t lastRequestId = 0;
    std::uint32_t lastCookie = 0;
    struct Advised
    {
        std::uint32_t cookie;
        BroadbandEventKind kind;
        void* sink;
    };
    std::vector<Advised> advised;
    // Every device being opened or open, by path; the order of arrival is kept separately.
    std::map<std::string, std::shared_ptr<BroadbandInterface>> devices;
    std::vector<std::string> arrivalOrder;
    // Identity of the node last tried for a given path, so a node that failed is not retried
    // until it is replaced.
    std::map<std::string, std::uint64_t> triedNodes;
    std::unique_ptr<Watch> watch;
    std::shared_ptr<const int> lifetime = std::make_shared<const int>(0);
};
