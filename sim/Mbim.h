// MBIM 1.0 control messages as the function (device) side sees them: the host's
// requests are cut out of the byte stream and reassembled, the replies are built and
// fragmented to the host's maximum control transfer.
#pragma once

#include "Wire.h"

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace sim::mbim {

using Uuid = std::array<uint8_t, 16>;

enum MessageType : uint32_t {
    Open = 0x1,
    Close = 0x2,
    Command = 0x3,
    HostError = 0x4,
    OpenDone = 0x80000001,
    CloseDone = 0x80000002,
    CommandDone = 0x80000003,
    FunctionError = 0x80000004,
    IndicateStatus = 0x80000007,
};

enum ProtocolError : uint32_t {
    TimeoutFragment = 1,
    FragmentOutOfSequence = 2,
    LengthMismatch = 3,
    DuplicatedTid = 4,
    NotOpened = 5,
    UnknownError = 6,
    Cancel = 7,
    MaxTransfer = 8,
};

enum Status : uint32_t {
    Success = 0,
    Busy = 1,
    Failure = 2,
    SimNotInserted = 3,
    BadSim = 4,
    PinRequired = 5,
    PinDisabled = 6,
    NotRegistered = 7,
    ProvidersNotFound = 8,
    NoDeviceSupport = 9,
    ProviderNotVisible = 10,
    DataClassNotAvailable = 11,
    PacketServiceDetached = 12,
    NotInitialized = 14,
    RadioPowerOff = 20,
    InvalidParameters = 21,
    ReadFailure = 22,
    WriteFailure = 23,
    NoPhonebook = 25,
    ParameterTooLong = 26,
    OperationNotAllowed = 28,
    MemoryFailure = 29,
    InvalidMemoryIndex = 30,
    MemoryFull = 31,
    SmsUnknownSmscAddress = 100,
    SmsNetworkTimeout = 101,
    SmsLangNotSupported = 102,
    SmsEncodingNotSupported = 103,
    SmsFormatNotSupported = 104,
};

enum CommandType : uint32_t { Query = 0, Set = 1 };

extern const Uuid BasicConnect;
extern const Uuid Sms;
extern const Uuid Ussd;
extern const Uuid Phonebook;

// Largest message accepted from the host; anything longer is treated as garbage.
constexpr uint32_t MaxMessage = 64 * 1024;
// Largest information buffer reassembled from fragments.
constexpr uint32_t MaxInformation = 64 * 1024;
constexpr uint32_t HeaderSize = 12;
constexpr uint32_t FragmentHeaderSize = 8;
constexpr uint32_t CommandHeaderSize = HeaderSize + FragmentHeaderSize + 16 + 4 + 4 + 4;

// One complete message from the host.
struct Request
{
    uint32_t type = 0;
    uint32_t transactionId = 0;
    uint32_t maxControlTransfer = 0; // OPEN
    uint32_t errorStatus = 0;        // HOST_ERROR
    Uuid service{};
    uint32_t cid = 0;
    uint32_t commandType = 0;
    Bytes information;
};

// What the byte stream gave: a request, or a protocol error to report to the host.
struct Event
{
    enum Kind { Message, Error } kind = Message;
    Request request;
    uint32_t error = 0; // ProtocolError when kind == Error
};

// Cuts host messages out of a byte stream and joins fragmented commands.
class Deframer
{
public:
    std::vector<Event> feed(std::span<const uint8_t> data);
    // Drops a fragmented command that has waited too long; returns its transaction id.
    std::optional<uint32_t> expirePartial();
    bool hasPartial() const { return partial_.active; }
    void reset();

private:
    void take(std::span<const uint8_t> message, std::vector<Event>& events);
    void takeCommand(std::span<const uint8_t> message, uint32_t tid, std::vector<Event>& events);

    Bytes buffer_;
    struct Partial
    {
        bool active = false;
        uint32_t transactionId = 0;
        uint32_t total = 0;
        uint32_t next = 0;
        uint32_t expected = 0; // declared information buffer length
        Request request;
    } partial_;
};

// Reply builders. Each returns the message as the fragments to write, in order.
Bytes openDone(uint32_t tid, uint32_t status);
Bytes closeDone(uint32_t tid, uint32_t status);
Bytes functionError(uint32_t tid, uint32_t error);
std::vector<Bytes> commandDone(uint32_t tid, const Uuid& service, uint32_t cid, uint32_t status,
                               std::span<const uint8_t> information, uint32_t maxTransfer);
std::vector<Bytes> indicateStatus(uint32_t tid, const Uuid& service, uint32_t cid, std::span<const uint8_t> information,
                                  uint32_t maxTransfer);

std::string uuidText(const Uuid& id);
std::string serviceName(const Uuid& id);

} // namespace sim::mbim
