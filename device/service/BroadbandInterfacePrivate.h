#pragma once

// What one opened device keeps between the broadband service's files: the device's last
// reports, the requests it has not answered, and the plumbing of its commands.

#include "device/service/BroadbandService.h"
#include "device/service/MbimHelpers.h"
#include "device/service/MbimParsers.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct BroadbandInterfacePrivate
{
    enum class Request {
        SmsSend,
        SmsRead,
        SmsDelete,
        SetRadio,
        Scan,
        SetRegister,
        PinEnter,
        SupportedCommands,
        ServiceQuery,
        ServiceSet
    };

    MbimDevice* device = nullptr;
    GCancellable* cancellable = nullptr;
    gulong indicationHandler = 0;
    gulong removedHandler = 0;
    bool removed = false;
    int initialQueries = 0;
    // What the interface ID is made of: the device's identity, and where it is plugged in for
    // telling apart devices that report one device ID.
    std::string identity;
    std::string place;

    HRESULT capsResult = Hr::Pending;
    BroadbandCaps caps;
    HRESULT readyResult = Hr::Pending;
    std::int32_t readyState = 0;
    BroadbandSubscriber subscriber;
    HRESULT radioResult = Hr::Pending;
    std::int32_t softwareRadio = 0;
    std::int32_t hardwareRadio = 0;
    HRESULT signalResult = Hr::Pending;
    std::uint32_t signalStrength = 99;
    std::uint32_t signalError = 99;
    HRESULT registerResult = Hr::Pending;
    std::int32_t registerState = 0;
    std::int32_t registerMode = 0;
    std::string providerId;
    std::string providerName;
    std::string roamingText;
    std::uint32_t availableDataClasses = 0;
    std::uint32_t networkError = 0;
    HRESULT packetResult = Hr::Pending;
    std::uint32_t currentDataClass = 0;
    HRESULT smsConfigResult = Hr::Pending;
    BroadbandSmsConfiguration smsConfig;

    HRESULT homeResult = Hr::Pending;
    BroadbandProvider home;
    HRESULT preferredResult = Hr::Pending;
    std::vector<BroadbandProvider> preferred;
    // The visible list is a cache: filled by the opening query and by scans, dropped with the radio.
    HRESULT visibleResult = Hr::InvalidCache;
    std::vector<BroadbandProvider> visible;
    std::chrono::steady_clock::time_point visibleAt;
    int scans = 0;
    // The attempts left that the last PIN entry's answer gave, -1 when it gave none.
    std::int32_t pinAttempts = -1;
    HRESULT pinListResult = Hr::Pending;
    std::vector<BroadbandPinDesc> pins;
    HRESULT servicesResult = Hr::Pending;
    std::vector<BroadbandDeviceServiceInfo> services;

    // Requests the device has not answered yet; answered with a failure on removal.
    std::map<std::uint32_t, Request> pending;
    // The command ID or service ID a pending device-service request is about.
    std::map<std::uint32_t, std::uint32_t> pendingCommand;
    std::map<std::uint32_t, std::string> pendingService;
    // USSD exchanges the device has not answered, by request ID; answered with a failure on removal.
    std::map<std::uint32_t, std::function<void(const BroadbandInterface::UssdAnswer&)>> pendingUssd;

    using Handler = std::function<void(BroadbandInterface&, MbimMessage*, HRESULT)>;
    struct Call
    {
        std::weak_ptr<BroadbandInterface> iface;
        Handler handler;
    };

    static void CommandDone(GObject* source, GAsyncResult* result, gpointer data);
    static void Indication(MbimDevice* device, MbimMessage* message, gpointer data);
    static void Removed(MbimDevice* device, gpointer data);
    static void DeviceCreated(GObject* source, GAsyncResult* result, gpointer data);
    static void DeviceOpened(GObject* source, GAsyncResult* result, gpointer data);

    // Each keeps what a well-formed message reports. A malformed answer to a query fails the
    // getters that serve it; a malformed indication changes nothing.
    void ApplyCaps(MbimMessage* message);
    bool ApplyReadyState(MbimMessage* message, mbimx::Form form);
    bool ApplyRadio(MbimMessage* message, mbimx::Form form);
    bool ApplySignal(MbimMessage* message, mbimx::Form form);
    bool ApplyRegister(MbimMessage* message, mbimx::Form form);
    bool ApplyPacketService(MbimMessage* message, mbimx::Form form);
    // refresh: a malformed answer keeps what was known instead of failing the getter.
    void ApplySmsConfiguration(MbimMessage* message, bool refresh);
    void ApplyHomeProvider(MbimMessage* message);
    void ApplyPreferredProviders(MbimMessage* message);
    bool ApplyVisibleProviders(MbimMessage* message);
    void ApplyPinList(MbimMessage* message);
    void ApplyDeviceServices(MbimMessage* message);

    // libmbim parses the configuration only as a response, so an indication is followed by a query.
    void RefreshSmsConfiguration(BroadbandInterface& iface);
    // Queries whose answers change with the SIM and the radio; sent again when those change.
    void RefreshNetworkQueries(BroadbandInterface& iface, bool announceHome);
    // The visible list goes with the radio and is read again when it comes back.
    void RadioChanged(BroadbandInterface& iface, std::int32_t before, bool announce);
};

// Sends a command of the interface; handler runs with the answer while the interface is there.
void SendCommand(BroadbandInterface& iface, BroadbandInterfacePrivate& d, MbimMessage* request, guint timeout,
                 BroadbandInterfacePrivate::Handler handler);

// Raises the completion event of a pending request, once: removal and a late answer find it done.
void CompleteRequest(BroadbandInterface& iface, BroadbandInterfacePrivate& d, std::uint32_t requestId,
                     BroadbandInterfacePrivate::Request kind, HRESULT hr, const std::vector<SmsPduMessage>* messages,
                     const std::vector<std::uint8_t>* data = nullptr, std::uint32_t messageReference = 0);
