#include "device/Status.h"

namespace {

// Where MBIM and the broadband API share a condition the API's own code is used; the rest go to
// the closest code the device texts describe, so that no device answer shows as "unknown".
constexpr MbimStatusMapping table[] = {
    {0, "NONE", Hr::Ok},
    {1, "BUSY", Hr::Busy},
    {2, "FAILURE", Hr::Failure},
    {3, "SIM_NOT_INSERTED", Hr::SimNotInserted},
    {4, "BAD_SIM", Hr::BadSim},
    {5, "PIN_REQUIRED", Hr::PinRequired},
    {6, "PIN_DISABLED", Hr::InvalidState},
    {7, "NOT_REGISTERED", Hr::NotRegistered},
    {8, "PROVIDERS_NOT_FOUND", Hr::ProvidersNotFound},
    {9, "NO_DEVICE_SUPPORT", Hr::NotSupported},
    {10, "PROVIDER_NOT_VISIBLE", Hr::ProviderNotVisible},
    {11, "DATA_CLASS_NOT_AVAILABLE", Hr::NotSupported},
    {12, "PACKET_SERVICE_DETACHED", Hr::NotRegistered},
    {13, "MAX_ACTIVATED_CONTEXTS", Hr::DeviceInUse},
    {14, "NOT_INITIALIZED", Hr::NotReady},
    {15, "VOICE_CALL_IN_PROGRESS", Hr::VoiceCallInProgress},
    {16, "CONTEXT_NOT_ACTIVATED", Hr::InvalidState},
    {17, "SERVICE_NOT_ACTIVATED", Hr::ServiceNotActivated},
    {18, "INVALID_ACCESS_STRING", Hr::AccessDenied},
    {19, "INVALID_USER_NAME_PWD", Hr::AccessDenied},
    {20, "RADIO_POWER_OFF", Hr::RadioPowerOff},
    {21, "INVALID_PARAMETERS", Hr::InvalidArg},
    {22, "READ_FAILURE", Hr::Fail},
    {23, "WRITE_FAILURE", Hr::Fail},
    {25, "NO_PHONEBOOK", Hr::Empty},
    {26, "PARAMETER_TOO_LONG", Hr::InvalidArg},
    {27, "STK_BUSY", Hr::DeviceInUse},
    {28, "OPERATION_NOT_ALLOWED", Hr::SmsOperationNotAllowed},
    {29, "MEMORY_FAILURE", Hr::SmsMemoryFailure},
    {30, "INVALID_MEMORY_INDEX", Hr::SmsInvalidMemoryIndex},
    {31, "MEMORY_FULL", Hr::SmsMemoryFull},
    {32, "FILTER_NOT_SUPPORTED", Hr::SmsFilterNotSupported},
    {33, "DSS_INSTANCE_LIMIT", Hr::DeviceInUse},
    {34, "INVALID_DEVICE_SERVICE_OPERATION", Hr::InvalidState},
    {35, "AUTH_INCORRECT_AUTN", Hr::AccessDenied},
    {36, "AUTH_SYNC_FAILURE", Hr::AccessDenied},
    {37, "AUTH_AMF_NOT_SET", Hr::AccessDenied},
    {38, "CONTEXT_NOT_SUPPORTED", Hr::NotSupported},
    {100, "SMS_UNKNOWN_SMSC_ADDRESS", Hr::SmsUnknownSmscAddress},
    {101, "SMS_NETWORK_TIMEOUT", Hr::SmsNetworkTimeout},
    {102, "SMS_LANG_NOT_SUPPORTED", Hr::SmsLangNotSupported},
    {103, "SMS_ENCODING_NOT_SUPPORTED", Hr::SmsEncodingNotSupported},
    {104, "SMS_FORMAT_NOT_SUPPORTED", Hr::NotSupported},
};

} // namespace

std::span<const MbimStatusMapping> MbimStatusTable()
{
    return table;
}

HRESULT HresultFromMbimStatus(std::uint32_t status)
{
    for (const auto& row : table)
        if (row.status == status)
            return row.result;
    return Hr::Failure;
}
