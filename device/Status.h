#pragma once
// Result codes of device requests, and the MBIM status codes they come from.

#include <cstddef>
#include <cstdint>
#include <span>

#include "device/Texts.h"

// Result codes of the broadband service. Device answers carry MBIM status codes; the rest of the
// program sees the HRESULT values the device texts know.
namespace Hr {
constexpr HRESULT Ok = 0;
constexpr HRESULT False = 1;
constexpr HRESULT Pending = static_cast<HRESULT>(0x8000000A);
constexpr HRESULT Abort = static_cast<HRESULT>(0x80004004);
constexpr HRESULT Fail = static_cast<HRESULT>(0x80004005);
constexpr HRESULT Unexpected = static_cast<HRESULT>(0x8000FFFF);
constexpr HRESULT InvalidIndex = static_cast<HRESULT>(0x8002000B);
constexpr HRESULT AccessDenied = static_cast<HRESULT>(0x8007000C);
constexpr HRESULT NotReady = static_cast<HRESULT>(0x80070015);
constexpr HRESULT GenFailure = static_cast<HRESULT>(0x8007001F);
constexpr HRESULT NotSupported = static_cast<HRESULT>(0x80070032);
constexpr HRESULT InvalidArg = static_cast<HRESULT>(0x80070057);
constexpr HRESULT Busy = static_cast<HRESULT>(0x800700AA);
// No answer in time: the request may or may not have been carried out.
constexpr HRESULT Timeout = static_cast<HRESULT>(0x800705B4);
constexpr HRESULT DeviceInUse = static_cast<HRESULT>(0x80070964);
constexpr HRESULT Empty = static_cast<HRESULT>(0x800710D2);
constexpr HRESULT InvalidState = static_cast<HRESULT>(0x8007139F);
constexpr HRESULT ServiceNotStarted = static_cast<HRESULT>(0x80070426);
constexpr HRESULT DeviceNotFound = static_cast<HRESULT>(0x80070490);
constexpr HRESULT BadSim = static_cast<HRESULT>(0x80548202);
constexpr HRESULT ProviderNotVisible = static_cast<HRESULT>(0x80548207);
constexpr HRESULT RadioPowerOff = static_cast<HRESULT>(0x80548208);
constexpr HRESULT ServiceNotActivated = static_cast<HRESULT>(0x80548209);
constexpr HRESULT SimNotInserted = static_cast<HRESULT>(0x8054820A);
constexpr HRESULT VoiceCallInProgress = static_cast<HRESULT>(0x8054820B);
constexpr HRESULT InvalidCache = static_cast<HRESULT>(0x8054820C);
constexpr HRESULT NotRegistered = static_cast<HRESULT>(0x8054820D);
constexpr HRESULT ProvidersNotFound = static_cast<HRESULT>(0x8054820E);
constexpr HRESULT PinRequired = static_cast<HRESULT>(0x80548210);
constexpr HRESULT Failure = static_cast<HRESULT>(0x80548212);
constexpr HRESULT SmsEncodingNotSupported = static_cast<HRESULT>(0x80548220);
constexpr HRESULT SmsFilterNotSupported = static_cast<HRESULT>(0x80548221);
constexpr HRESULT SmsInvalidMemoryIndex = static_cast<HRESULT>(0x80548222);
constexpr HRESULT SmsLangNotSupported = static_cast<HRESULT>(0x80548223);
constexpr HRESULT SmsMemoryFailure = static_cast<HRESULT>(0x80548224);
constexpr HRESULT SmsNetworkTimeout = static_cast<HRESULT>(0x80548225);
constexpr HRESULT SmsUnknownSmscAddress = static_cast<HRESULT>(0x80548226);
constexpr HRESULT SmsOperationNotAllowed = static_cast<HRESULT>(0x80548228);
constexpr HRESULT SmsMemoryFull = static_cast<HRESULT>(0x80548229);
} // namespace Hr

inline bool Failed(HRESULT hr)
{
    return hr < 0;
}

struct MbimStatusMapping
{
    std::uint32_t status; // MBIM status code as the device sends it
    const char* name;
    HRESULT result;
};

// The whole table, in MBIM status order.
std::span<const MbimStatusMapping> MbimStatusTable();

// Result for an MBIM status; a status the table does not know is a generic failure.
HRESULT HresultFromMbimStatus(std::uint32_t status);
