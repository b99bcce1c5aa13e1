#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/Texts.h"

// Event interfaces of the broadband service. A sink implements one of them and advises it on the
// service; every method is called on the thread that runs the GLib main loop (the UI thread).
// Every event does nothing unless overridden, so an observer overrides only those it uses.
// Interface names the event interface itself, so that a sink is always stored and called as one.

class BroadbandInterface;

// One message of a read or a class-0 delivery: storage index, status (0 new, 1 old, 2 draft,
// 3 sent) and the PDU as upper-case hex, service-centre part included.
struct SmsPduMessage
{
    std::uint32_t index = 0;
    std::int32_t status = 0;
    std::string pdu;
};

// One provider as the device reports it. The state flags and data classes are in the broadband
// API's numbering, which MBIM shares.
struct BroadbandProvider
{
    std::string providerId;
    std::uint32_t providerState = 0;
    std::string providerName;
    std::uint32_t dataClass = 0;
};

// One PIN the device supports: type, mode (1 enabled, 2 disabled), format (1 numeric,
// 2 alphanumeric) and its length limits.
struct BroadbandPinDesc
{
    std::int32_t pinType = 0;
    std::int32_t pinMode = 0;
    std::int32_t pinFormat = 0;
    std::uint32_t minLength = 0;
    std::uint32_t maxLength = 0;
};

// One device service: its ID as "{GUID}" in capitals, whether it carries data sessions each way,
// and the command IDs it supports.
struct BroadbandDeviceServiceInfo
{
    std::string serviceId;
    bool dataWriteSupported = false;
    bool dataReadSupported = false;
    std::vector<std::uint32_t> commandIds;
};

enum class BroadbandEventKind {
    InterfaceManager,
    Interface,
    Sms,
    Signal,
    Radio,
    PinManager,
    Pin,
    Registration,
    DeviceServices,
};

class IBroadbandInterfaceManagerEvents
{
public:
    using Interface = IBroadbandInterfaceManagerEvents;
    static constexpr BroadbandEventKind Kind = BroadbandEventKind::InterfaceManager;
    virtual ~IBroadbandInterfaceManagerEvents() = default;
    virtual void OnInterfaceArrival(BroadbandInterface& /*iface*/) { }
    virtual void OnInterfaceRemoval(BroadbandInterface& /*iface*/) { }
};

class IBroadbandInterfaceEvents
{
public:
    using Interface = IBroadbandInterfaceEvents;
    static constexpr BroadbandEventKind Kind = BroadbandEventKind::Interface;
    virtual ~IBroadbandInterfaceEvents() = default;
    virtual void OnInterfaceCapabilityAvailable(BroadbandInterface& /*iface*/) { }
    virtual void OnSubscriberInformationChange(BroadbandInterface& /*iface*/) { }
    virtual void OnReadyStateChange(BroadbandInterface& /*iface*/) { }
    virtual void OnEmergencyModeChange(BroadbandInterface& /*iface*/) { }
    virtual void OnHomeProviderAvailable(BroadbandInterface& /*iface*/) { }
    virtual void OnPreferredProvidersChange(BroadbandInterface& /*iface*/) { }
    virtual void OnSetPreferredProvidersComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/,
                                                 HRESULT /*status*/)
    { }
    virtual void OnScanNetworkComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/, HRESULT /*status*/)
    { }
};

class IBroadbandSmsEvents
{
public:
    using Interface = IBroadbandSmsEvents;
    static constexpr BroadbandEventKind Kind = BroadbandEventKind::Sms;
    virtual ~IBroadbandSmsEvents() = default;
    virtual void OnSmsConfigurationChange(BroadbandInterface& /*iface*/) { }
    virtual void OnSetSmsConfigurationComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/,
                                               HRESULT /*status*/)
    { }
    // messageReference: the reference the network gave the message (0 when the send failed).
    virtual void OnSmsSendComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/, HRESULT /*status*/,
                                   std::uint32_t /*messageReference*/)
    { }
    // messages is null when the device sent no message list.
    virtual void OnSmsReadComplete(BroadbandInterface& /*iface*/, const std::vector<SmsPduMessage>* /*messages*/,
                                   bool /*moreMessages*/, std::uint32_t /*requestId*/, HRESULT /*status*/)
    { }
    virtual void OnSmsNewClass0Message(BroadbandInterface& /*iface*/, const std::vector<SmsPduMessage>* /*messages*/) {
    }
    virtual void OnSmsDeleteComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/, HRESULT /*status*/) { }
    virtual void OnSmsStatusChange(BroadbandInterface& /*iface*/) { }
};

class IBroadbandSignalEvents
{
public:
    using Interface = IBroadbandSignalEvents;
    static constexpr BroadbandEventKind Kind = BroadbandEventKind::Signal;
    virtual ~IBroadbandSignalEvents() = default;
    virtual void OnSignalStateChange(BroadbandInterface& /*iface*/) { }
};

class IBroadbandRadioEvents
{
public:
    using Interface = IBroadbandRadioEvents;
    static constexpr BroadbandEventKind Kind = BroadbandEventKind::Radio;
    virtual ~IBroadbandRadioEvents() = default;
    virtual void OnRadioStateChange(BroadbandInterface& /*iface*/) { }
    virtual void OnSetSoftwareRadioStateComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/,
                                                 HRESULT /*status*/)
    { }
};

struct BroadbandPinInfo
{
    std::int32_t pinState = 0;
    std::int32_t pinType = 0;
    std::uint32_t attemptsRemaining = 0;
};

class IBroadbandPinManagerEvents
{
public:
    using Interface = IBroadbandPinManagerEvents;
    static constexpr BroadbandEventKind Kind = BroadbandEventKind::PinManager;
    virtual ~IBroadbandPinManagerEvents() = default;
    virtual void OnPinListAvailable(BroadbandInterface& /*iface*/) { }
    virtual void OnGetPinStateComplete(BroadbandInterface& /*iface*/, const BroadbandPinInfo& /*info*/,
                                       std::uint32_t /*requestId*/, HRESULT /*status*/)
    { }
};

class IBroadbandPinEvents
{
public:
    using Interface = IBroadbandPinEvents;
    static constexpr BroadbandEventKind Kind = BroadbandEventKind::Pin;
    virtual ~IBroadbandPinEvents() = default;
    virtual void OnEnableComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/, HRESULT /*status*/) { }
    virtual void OnDisableComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/, HRESULT /*status*/) { }
    // attemptsRemaining: what the device's answer says is left before the SIM blocks; -1 when it
    // said nothing.
    virtual void OnEnterComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/, HRESULT /*status*/,
                                 std::int32_t /*attemptsRemaining*/)
    { }
    virtual void OnChangeComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/, HRESULT /*status*/) { }
    virtual void OnUnblockComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/, HRESULT /*status*/) { }
};

class IBroadbandRegistrationEvents
{
public:
    using Interface = IBroadbandRegistrationEvents;
    static constexpr BroadbandEventKind Kind = BroadbandEventKind::Registration;
    virtual ~IBroadbandRegistrationEvents() = default;
    virtual void OnRegisterModeAvailable(BroadbandInterface& /*iface*/) { }
    virtual void OnRegisterStateChange(BroadbandInterface& /*iface*/) { }
    virtual void OnPacketServiceStateChange(BroadbandInterface& /*iface*/) { }
    virtual void OnSetRegisterModeComplete(BroadbandInterface& /*iface*/, std::uint32_t /*requestId*/,
                                           HRESULT /*status*/)
    { }
};

class IBroadbandDeviceServicesEvents
{
public:
    using Interface = IBroadbandDeviceServicesEvents;
    static constexpr BroadbandEventKind Kind = BroadbandEventKind::DeviceServices;
    virtual ~IBroadbandDeviceServicesEvents() = default;
    virtual void OnQuerySupportedCommandsComplete(const std::string& /*serviceId*/,
                                                  const std::vector<std::uint32_t>& /*commandIds*/,
                                                  std::uint32_t /*requestId*/, HRESULT /*status*/)
    { }
    virtual void OnOpenCommandSessionComplete(std::uint32_t /*requestId*/, HRESULT /*status*/) { }
    virtual void OnCloseCommandSessionComplete(std::uint32_t /*requestId*/, HRESULT /*status*/) { }
    virtual void OnSetCommandComplete(std::uint32_t /*requestId*/, HRESULT /*status*/) { }
    // data: the response's information buffer as the device sent it.
    virtual void OnQueryCommandComplete(std::uint32_t /*responseId*/, const std::vector<std::uint8_t>& /*data*/,
                                        std::uint32_t /*requestId*/, HRESULT /*status*/)
    { }
    virtual void OnEventNotification(std::uint32_t /*eventId*/) { }
    virtual void OnInterfaceStateChange(const std::string& /*interfaceId*/) { }
};
