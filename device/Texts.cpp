#include "device/Texts.h"

#include <array>
#include <string_view>

namespace {

struct CodeText
{
    std::uint32_t code;
    const char* text;
};

constexpr CodeText hresultTexts[] = {
    {0x00000000, "The operation was successful"},
    {0x8000000A, "The data necessary to complete this operation is not yet available"},
    {0x80004005, "The operation could not be completed"},
    {0x8000FFFF, "Unexpected failure"},
    {0x8002000B, "Invalid index"},
    {0x8007000C, "The access code is invalid"},
    {0x80070015, "The device is not ready"},
    {0x8007001F, "Generic Failure, the device does not support this operation"},
    {0x80070032, "The device does not support this operation"},
    {0x80070057, "The device detected invalid parameters in the send request"},
    {0x800700AA, "The device is busy and can't currently perform a network operation"},
    {0x80070490, "Element not found."},
    {0x800705B4, "This operation returned because the timeout period expired"},
    {0x80070964, "Operation has failed because the device is in use"},
    {0x800710D2, "Device failed to send any resource data: The library, drive, or media pool is empty"},
    {0x8007139F, "The group or resource is not in the correct state to perform the requested operation"},
    {0x80548202, "There is a bad SIM in the device"},
    {0x80548207, "Provider is not visible"},
    {0x80548208, "Device radio is off"},
    {0x80548209, "Cellular service is not activated on the device"},
    {0x8054820A, "There is no SIM in the device"},
    {0x8054820B, "Voice call in progress"},
    {0x8054820C, "Visible provider cache is invalid"},
    {0x8054820D, "The device is not registered to any network"},
    {0x8054820E, "Providers not found"},
    {0x80548210, "PIN is required for the operation to complete"},
    {0x80548212, "Generic Failure"},
    {0x80548218, "Profile is invalid"},
    {0x80548220, "The CDMA device does not support the requested encoding"},
    {0x80548221, "The device does not support the requested filter"},
    {0x80548222, "There is no memory index with the requested value"},
    {0x80548223, "The CDMA device does not support the language"},
    {0x80548224, "SMS memory failure"},
    {0x80548225, "There was a network timeout."},
    {0x80548226, "Unknown or incomplete SMS service center address"},
    {0x80548228, "The requested SMS operation is not allowed by the SIM"},
    {0x80548229, "The device/SIM memory is full."},
};

constexpr CodeText comErrorTexts[] = {
    {0, "Success"},
    {995, "The I/O operation has been aborted because of either a thread exit or an application request"},
    {1168, "Interface is not found"},
    {0x80004002, "The specified class does not implement the requested interface"},
    {0x80040110, "This class cannot be created as part of an aggregate"},
    {0x80040154, "Specified class is not registered"},
    {0x80070426, "The service has not been started"},
    {0x80070490, "The compatible device is not found"},
};

template <std::size_t N> const char* Find(const CodeText (&table)[N], std::uint32_t code)
{
    for (const auto& row : table)
        if (row.code == code)
            return row.text;
    return nullptr;
}

// Enumerations indexed by value from 0; the last entry is the text for any other value.
struct EnumRow
{
    const char* symbol;
    const char* name;
};

template <std::size_t N> const EnumRow& Row(const EnumRow (&rows)[N], std::int32_t value)
{
    if (value >= 0 && static_cast<std::size_t>(value) < N - 1)
        return rows[value];
    return rows[N - 1];
}

std::string Symbolic(const char* symbol, std::int32_t value)
{
    return std::string(symbol) + " (" + std::to_string(value) + ")";
}

constexpr EnumRow readyStates[] = {
    {"STATE_OFF", "Off"},
    {"STATE_INITIALIZED", "Ready"},
    {"STATE_SIM_NOT_INSERTED", "SIM not inserted"},
    {"STATE_BAD_SIM", "SIM invalid"},
    {"STATE_FAILURE", "Failure"},
    {"STATE_NOT_ACTIVATED", "Subscription not activated"},
    {"STATE_DEVICE_LOCKED", "Device locked"},
    {"STATE_DEVICE_BLOCKED", "Device is blocked"},
    {"STATE_UNKNOWN", "No ESIM profile"},
    {"STATE_UNKNOWN", "Unknown"},
};

constexpr EnumRow cellularClasses[] = {
    {"CELLULAR_CLASS_NONE", "None"},
    {"CELLULAR_CLASS_GSM", "GSM"},
    {"CELLULAR_CLASS_CDMA", "CDMA"},
    {"CELLULAR_CLASS_UNKNOWN", "Unknown"},
};

constexpr EnumRow voiceClasses[] = {
    {"VOICE_CLASS_NONE", "None"},
    {"VOICE_CLASS_NO_VOICE", "No voice"},
    {"VOICE_CLASS_SEPARATE_VOICE_DATA", "Separate voice and data"},
    {"VOICE_CLASS_SIMULTANEOUS_VOICE_DATA", "Simultaneous voice and data"},
    {"VOICE_CLASS_UNKNOWN", "Unknown"},
};

constexpr EnumRow radioStates[] = {
    {"RADIO_OFF", "Off"},
    {"RADIO_ON", "On"},
    {"RADIO_UNKNOWN", "Unknown"},
};

constexpr EnumRow messageStatuses[] = {
    {"MSG_STATUS_NEW", ""},  {"MSG_STATUS_OLD", ""},     {"MSG_STATUS_DRAFT", ""},
    {"MSG_STATUS_SENT", ""}, {"MSG_STATUS_UNKNOWN", ""},
};

constexpr EnumRow pinStates[] = {
    {"PIN_STATE_NONE", ""},
    {"PIN_STATE_ENTER", ""},
    {"PIN_STATE_UNBLOCK", ""},
    {"PIN_STATE_UNKNOWN", ""},
};

constexpr EnumRow pinTypes[] = {
    {"PIN_TYPE_NONE", "No PIN is pending to be entered"},
    {"PIN_TYPE_CUSTOM", "Custom PIN code"},
    {"PIN_TYPE_PIN1", "PIN1"},
    {"PIN_TYPE_PIN2", "PIN2"},
    {"PIN_TYPE_DEVICE_SIM_PIN", "Device SIM password"},
    {"PIN_TYPE_DEVICE_FIRST_SIM_PIN", "Device first SIM password"},
    {"PIN_TYPE_NETWORK_PIN", "Network personalization password"},
    {"PIN_TYPE_NETWORK_SUBSET_PIN", "Network subset personalization password"},
    {"PIN_TYPE_SVC_PROVIDER_PIN", "Service provider personalization password"},
    {"PIN_TYPE_CORPORATE_PIN", "Corporate personalization password"},
    {"PIN_TYPE_SUBSIDY_LOCK", "Subsidy unlock code"},
    {"PIN_TYPE_UNKNOWN", "Unknown"},
};

constexpr EnumRow registerStates[] = {
    {"REGISTER_STATE_NONE", "NA"},
    {"REGISTER_STATE_DEREGISTERED", "Deregistered"},
    {"REGISTER_STATE_SEARCHING", "Searching"},
    {"REGISTER_STATE_HOME", "Home"},
    {"REGISTER_STATE_ROAMING", "Roaming"},
    {"REGISTER_STATE_PARTNER", "Partner"},
    {"REGISTER_STATE_DENIED", "Denied"},
    {"REGISTER_STATE_UNKNOWN", "Unknown"},
};

constexpr EnumRow registerModes[] = {
    {"REGISTER_MODE_NONE", "NA"},
    {"REGISTER_MODE_AUTOMATIC", "Automatic"},
    {"REGISTER_MODE_MANUAL", "Manual"},
    {"REGISTER_MODE_UNKNOWN", "Unknown"},
};

constexpr EnumRow signalErrors[] = {
    {"", "< 0.2"},     {"", "0.2 - 0.4"},  {"", "0.4 - 0.8"}, {"", "0.8 - 1.6"}, {"", "1.6 - 3.2"},
    {"", "3.2 - 6.4"}, {"", "6.4 - 12.8"}, {"", "> 12.8"},    {"", "Unknown"},
};

// Flag sets: bit value, symbolic and human name. The custom flag is handled by the caller.
struct FlagRow
{
    std::uint32_t flag;
    const char* symbol;
    const char* name;
};

constexpr FlagRow dataClasses[] = {
    {0x1, "DATA_CLASS_GPRS", "GPRS"},
    {0x2, "DATA_CLASS_EDGE", "EDGE"},
    {0x4, "DATA_CLASS_UMTS", "UMTS"},
    {0x8, "DATA_CLASS_HSDPA", "HSDPA"},
    {0x10, "DATA_CLASS_HSUPA", "HSUPA"},
    {0x20, "DATA_CLASS_LTE", "LTE"},
    {0x40, "MBN_DATA_CLASS_5G_NSA", "5G NSA"},
    {0x80, "MBN_DATA_CLASS_5G_SA", "5G SA"},
    {0x10000, "DATA_CLASS_1XRTT", "1XRTT"},
    {0x20000, "DATA_CLASS_1XEVDO", "1XEVDO"},
    {0x40000, "DATA_CLASS_1XEVDO_REVA", "1XEVDO_REVA"},
    {0x80000, "DATA_CLASS_1XEVDV", "1XEVDV"},
    {0x100000, "DATA_CLASS_3XRTT", "3XRTT"},
    {0x200000, "DATA_CLASS_1XEVDO_REVB", "1XEVDO_REVB"},
    {0x400000, "DATA_CLASS_UMB", "UMB"},
};

constexpr FlagRow smsCaps[] = {
    {0x1, "SMS_CAPS_PDU_RECEIVE", "PDU receive"},
    {0x2, "SMS_CAPS_PDU_SEND", "PDU send"},
    {0x4, "SMS_CAPS_TEXT_RECEIVE", "Text receive"},
    {0x8, "SMS_CAPS_TEXT_SEND", "Text send"},
};

constexpr FlagRow controlCaps[] = {
    {0x1, "CTRL_CAPS_REG_MANUAL", "Manual registration"},
    {0x2, "CTRL_CAPS_HW_RADIO_SWITCH", "Hardware radio switch"},
    {0x4, "CTRL_CAPS_CDMA_MOBILE_IP", "Mobile IP support"},
    {0x8, "CTRL_CAPS_CDMA_SIMPLE_IP", "Simple IP support"},
    {0x10, "CTRL_CAPS_PROTECT_UNIQUEID", "IMSI is not allowed"},
    {0x20, "CTRL_CAPS_MODEL_MULTI_CARRIER", "Multi-carrier"},
    {0x40, "CTRL_CAPS_USSD", "USSD requests"},
    {0x80, "CTRL_CAPS_MULTI_MODE", "Multiple cellular classes"},
};

constexpr FlagRow providerStates[] = {
    {0x1, "PROVIDER_STATE_HOME", "Home"},
    {0x2, "PROVIDER_STATE_FORBIDDEN", "Forbidden"},
    {0x4, "PROVIDER_STATE_PREFERRED", "Preferred"},
    {0x8, "PROVIDER_STATE_VISIBLE", "Visible"},
    {0x10, "PROVIDER_STATE_REGISTERED", "Registered"},
    {0x20, "ROVIDER_STATE_PREFERRED_MULTICARRIER", "Multicarrier"},
};

constexpr std::uint32_t customFlag = 0x80000000;

void Append(std::string& text, std::string_view name)
{
    text += name;
    text += ", ";
}

// Every set flag's name followed by ", ", then cut from the last comma on.
std::string CutLastComma(std::string text)
{
    const auto comma = text.rfind(',');
    if (comma != std::string::npos)
        text.erase(comma);
    return text;
}

template <std::size_t N> std::string FlagText(const FlagRow (&rows)[N], std::uint32_t flags, bool symbolic)
{
    std::string text;
    for (const auto& row : rows)
        if (flags & row.flag)
            Append(text, symbolic ? row.symbol : row.name);
    return text;
}

std::string WithValue(std::string text, std::uint32_t flags)
{
    return CutLastComma(std::move(text)) + " (" + std::to_string(flags) + ")";
}

const char* const romans[] = {"",   "I", "II", "III", "IV",   "V",   "VI", "VII", "VIII",
                              "IX", "X", "XI", "XII", "XIII", "XIV", "XV", "XVI", "XVII"};

} // namespace

std::string HresultText(HRESULT value)
{
    if (const char* text = Find(hresultTexts, static_cast<std::uint32_t>(value)))
        return text;
    return "Status is unknown (" + std::to_string(value) + ")";
}

std::string ComErrorText(HRESULT value)
{
    if (const char* text = Find(comErrorTexts, static_cast<std::uint32_t>(value)))
        return text;
    return "Unknown error (" + std::to_string(value) + ")";
}

std::string ReadyStateSymbol(std::int32_t v)
{
    return Symbolic(Row(readyStates, v).symbol, v);
}
std::string ReadyStateName(std::int32_t v)
{
    return Row(readyStates, v).name;
}
std::string CellularClassSymbol(std::int32_t v)
{
    return Symbolic(Row(cellularClasses, v).symbol, v);
}
std::string CellularClassName(std::int32_t v)
{
    return Row(cellularClasses, v).name;
}
std::string VoiceClassSymbol(std::int32_t v)
{
    return Symbolic(Row(voiceClasses, v).symbol, v);
}
std::string VoiceClassName(std::int32_t v)
{
    return Row(voiceClasses, v).name;
}
std::string RadioStateSymbol(std::int32_t v)
{
    return Symbolic(Row(radioStates, v).symbol, v);
}
std::string RadioStateName(std::int32_t v)
{
    return Row(radioStates, v).name;
}
std::string MessageStatusSymbol(std::int32_t v)
{
    return Symbolic(Row(messageStatuses, v).symbol, v);
}
std::string PinStateSymbol(std::int32_t v)
{
    return Symbolic(Row(pinStates, v).symbol, v);
}
std::string PinTypeSymbol(std::int32_t v)
{
    return Symbolic(Row(pinTypes, v).symbol, v);
}
std::string PinTypeName(std::int32_t v)
{
    return Row(pinTypes, v).name;
}
std::string RegisterStateSymbol(std::int32_t v)
{
    return Symbolic(Row(registerStates, v).symbol, v);
}
std::string RegisterStateName(std::int32_t v)
{
    return Row(registerStates, v).name;
}
std::string RegisterModeSymbol(std::int32_t v)
{
    return Symbolic(Row(registerModes, v).symbol, v);
}
std::string RegisterModeName(std::int32_t v)
{
    return Row(registerModes, v).name;
}
std::string SignalErrorName(std::int32_t v)
{
    return Row(signalErrors, v).name;
}

std::string PinModeName(std::int32_t value)
{
    switch (value) {
    case 1: return "Enabled";
    case 2: return "Disabled";
    default: return "Unknown";
    }
}

std::string PinFormatName(std::int32_t value)
{
    switch (value) {
    case 0: return "Not known";
    case 1: return "Numeric";
    case 2: return "Alphanumeric";
    default: return "Unknown";
    }
}

std::string YesNoName(std::int32_t value)
{
    return value == -1 ? "Yes" : "No";
}

std::string PhonebookStateName(std::uint32_t value)
{
    const char* text = value == 0 ? "Not initialized" : value == 1 ? "Initialized" : "Unknown";
    return std::string(text) + " (" + std::to_string(value) + ")";
}

std::string DataClassSymbol(std::uint32_t flags)
{
    if (flags == 0)
        return "DATA_CLASS_NONE (0)";
    std::string text = FlagText(dataClasses, flags, true);
    if (flags & customFlag)
        Append(text, "DATA_CLASS_CUSTOM");
    return WithValue(std::move(text), flags);
}

std::string DataClassName(std::uint32_t flags, const std::string& customName)
{
    if (flags == 0)
        return "NA";
    std::string text = FlagText(dataClasses, flags, false);
    if (flags & customFlag)
        Append(text, customName.empty() ? std::string("CUSTOM") : customName);
    return CutLastComma(std::move(text));
}

std::string SmsCapsSymbol(std::uint32_t flags)
{
    if (flags == 0)
        return "SMS_CAPS_NONE (0)";
    return WithValue(FlagText(smsCaps, flags, true), flags);
}

std::string SmsCapsName(std::uint32_t flags)
{
    if (flags == 0)
        return "The device does not support SMS";
    return CutLastComma(FlagText(smsCaps, flags, false));
}

std::string ControlCapsSymbol(std::uint32_t flags)
{
    if (flags == 0)
        return "CTRL_CAPS_NONE (0)";
    return WithValue(FlagText(controlCaps, flags, true), flags);
}

std::string ControlCapsName(std::uint32_t flags)
{
    if (flags == 0)
        return "Unavailable";
    return CutLastComma(FlagText(controlCaps, flags, false));
}

std::string ProviderStateSymbol(std::uint32_t flags)
{
    if (flags == 0)
        return "PROVIDER_STATE_NONE (0)";
    return WithValue(FlagText(providerStates, flags, true), flags);
}

std::string ProviderStateName(std::uint32_t flags)
{
    if (flags == 0)
        return "None";
    return CutLastComma(FlagText(providerStates, flags, false));
}

std::string BandClassSymbol(std::uint32_t flags)
{
    if (flags == 0)
        return "BAND_CLASS_NONE (0)";
    std::string text;
    for (unsigned k = 0; k <= 17; ++k)
        if (flags & (1u << k))
            Append(text, k == 0 ? std::string("BAND_CLASS_0") : std::string("BAND_CLASS_") + romans[k]);
    if (flags & customFlag)
        Append(text, "BAND_CLASS_CUSTOM");
    return WithValue(std::move(text), flags);
}

std::string BandClassName(std::uint32_t flags, const std::string& customName)
{
    if (flags == 0)
        return "Unknown";
    std::string text;
    for (unsigned k = 0; k <= 17; ++k)
        if (flags & (1u << k))
            Append(text, "Class " + std::to_string(k));
    if (flags & customFlag)
        Append(text, customName.empty() ? std::string("Custom") : customName);
    return CutLastComma(std::move(text));
}

std::string DeviceServiceName(const std::string& serviceId)
{
    static constexpr std::array<std::pair<std::string_view, const char*>, 11> services{{
        {"{A289CC33-BCBB-8B4F-B6B0-133EC2AAE6DF}", "Basic IP Connectivity"},
        {"{4BF38476-1E6A-41DB-B1D8-BED289C25BDB}", "Phonebook"},
        {"{D8F20131-FCB5-4E17-8602-D6ED3816164C}", "SIM Toolkit"},
        {"{1D2B5FF7-0AA1-48B2-AA52-50F15767174E}", "Autentification"},
        {"{C08A26DD-7718-4382-8482-6E0D583C4D0E}", "Device Service Stream"},
        {"{883B7C26-985F-43FA-9804-27D7FB80959C}", "Microsoft Host Shutdown"},
        {"{E9F7DEA2-FEAF-4009-93CE-90A3694103B6}", "Microsoft Firmware ID"},
        {"{533FBEEB-14FE-4467-9F90-33A223E56C3F}", "SMS"},
        {"{E550A0C8-5E82-479E-82F7-10ABF4C3351F}", "USSD"},
        {"{D1A30BC2-F97A-6E43-BF65-C7E24FB0F0D3}", "QMI"},
        {"{8B569648-628D-4653-9B9F-1025404424E1}", "Multicarrier"},
    }};
    for (const auto& [id, name] : services)
        if (id == serviceId)
            return name;
    return "Unknown";
}
