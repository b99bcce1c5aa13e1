#pragma once

// The device's answers and indications as values: each parser reads one MBIM message and gives
// what the broadband service keeps, or nothing when the message is malformed (logged).

#include "device/service/BroadbandService.h"

#include <libmbim-glib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mbimx {

// Indications carry the same fields as the answers to queries, in a message of another type.
enum class Form { Response, Notification };

struct ReadyStatus
{
    std::int32_t state = 0; // broadband numbering
    BroadbandSubscriber subscriber;
};

struct RadioStates
{
    std::int32_t hardware = 0;
    std::int32_t software = 0;
};

struct SignalLevels
{
    std::uint32_t strength = 99; // 0 to 31, 99 unknown
    std::uint32_t error = 99;    // 0 to 7, 99 unknown
};

struct Registration
{
    std::int32_t state = 0;
    std::int32_t mode = 0;
    std::string providerId;
    std::string providerName;
    std::string roamingText;
    std::uint32_t availableDataClasses = 0;
    std::uint32_t networkError = 0;
};

struct SmsList
{
    std::uint32_t format = 0; // MbimSmsFormat
    bool pdu = false;         // the messages came in PDU form
    bool haveList = false;    // the device sent a list (possibly empty)
    std::vector<SmsPduMessage> messages;
};

struct UssdReply
{
    std::uint32_t response = 0;
    std::uint32_t sessionState = 0;
    std::uint32_t dataCodingScheme = 0;
    std::vector<std::uint8_t> payload;
};

std::optional<BroadbandCaps> ParseCaps(MbimMessage* message);
std::optional<ReadyStatus> ParseReadyStatus(MbimMessage* message, Form form);
std::optional<RadioStates> ParseRadioState(MbimMessage* message, Form form);
std::optional<SignalLevels> ParseSignalState(MbimMessage* message, Form form);
std::optional<Registration> ParseRegisterState(MbimMessage* message, Form form);
// The current data class: that of the packet service while attached, else none.
std::optional<std::uint32_t> ParsePacketService(MbimMessage* message, Form form);
std::optional<BroadbandSmsConfiguration> ParseSmsConfiguration(MbimMessage* message);
std::optional<BroadbandProvider> ParseHomeProvider(MbimMessage* message);
std::optional<std::vector<BroadbandProvider>> ParsePreferredProviders(MbimMessage* message);
std::optional<std::vector<BroadbandProvider>> ParseVisibleProviders(MbimMessage* message);
// The PINs the device supports, in the order of its list.
std::optional<std::vector<BroadbandPinDesc>> ParsePinList(MbimMessage* message);
std::optional<std::vector<BroadbandDeviceServiceInfo>> ParseDeviceServices(MbimMessage* message);
// A read answer, or an unsolicited read that carries class-0 messages.
std::optional<SmsList> ParseSmsRead(MbimMessage* message, Form form);
// The message reference the network gave the sent message.
std::optional<std::uint32_t> ParseSmsSend(MbimMessage* message);
std::optional<UssdReply> ParseUssd(MbimMessage* message);
// The information buffer of a finished command as the device sent it.
std::vector<std::uint8_t> InformationBuffer(MbimMessage* message);

// "{GUID}" in capitals, and back to the service it names.
std::string ServiceIdText(const MbimUuid& uuid);
bool ServiceFromId(const std::string& serviceId, MbimService& service);

} // namespace mbimx
