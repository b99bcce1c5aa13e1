#include "device/Texts.h"
#include "device/Status.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

struct TextCase
{
    const char* name;
    std::function<std::string()> call;
    const char* expected;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

class DeviceTexts : public testing::TestWithParam<TextCase>
{ };

TEST_P(DeviceTexts, GivesTheTableText)
{
    EXPECT_EQ(GetParam().call(), GetParam().expected);
}

#define CASE(expr, text)                 \
    TextCase                             \
    {                                    \
#expr, [] { return expr; }, text \
    }

INSTANTIATE_TEST_SUITE_P(
    Hresults, DeviceTexts,
    testing::Values(
        CASE(HresultText(0), "The operation was successful"),
        CASE(HresultText(static_cast<HRESULT>(0x8000000A)),
             "The data necessary to complete this operation is not yet available"),
        CASE(HresultText(static_cast<HRESULT>(0x800710D2)),
             "Device failed to send any resource data: The library, drive, or media pool is empty"),
        CASE(HresultText(static_cast<HRESULT>(0x80548225)), "There was a network timeout."),
        CASE(HresultText(static_cast<HRESULT>(0x80548229)), "The device/SIM memory is full."),
        CASE(HresultText(static_cast<HRESULT>(0x80070490)), "Element not found."),
        CASE(HresultText(static_cast<HRESULT>(0x80070005)), "Status is unknown (-2147024891)"),
        CASE(HresultText(1), "Status is unknown (1)"), CASE(ComErrorText(0), "Success"),
        CASE(ComErrorText(995),
             "The I/O operation has been aborted because of either a thread exit or an application request"),
        CASE(ComErrorText(1168), "Interface is not found"),
        CASE(ComErrorText(static_cast<HRESULT>(0x80070426)), "The service has not been started"),
        CASE(ComErrorText(static_cast<HRESULT>(0x80070005)), "Unknown error (-2147024891)"),
        CASE(ComErrorText(static_cast<HRESULT>(0x80548229)), "Unknown error (-2141945303)")));

INSTANTIATE_TEST_SUITE_P(
    Enumerations, DeviceTexts,
    testing::Values(
        CASE(ReadyStateSymbol(1), "STATE_INITIALIZED (1)"), CASE(ReadyStateSymbol(8), "STATE_UNKNOWN (8)"),
        CASE(ReadyStateName(8), "No ESIM profile"), CASE(ReadyStateSymbol(9), "STATE_UNKNOWN (9)"),
        CASE(ReadyStateName(9), "Unknown"), CASE(ReadyStateSymbol(-1), "STATE_UNKNOWN (-1)"),
        CASE(ReadyStateName(7), "Device is blocked"), CASE(CellularClassSymbol(1), "CELLULAR_CLASS_GSM (1)"),
        CASE(CellularClassName(3), "Unknown"), CASE(VoiceClassSymbol(3), "VOICE_CLASS_SIMULTANEOUS_VOICE_DATA (3)"),
        CASE(VoiceClassName(2), "Separate voice and data"), CASE(RadioStateSymbol(0), "RADIO_OFF (0)"),
        CASE(RadioStateName(1), "On"), CASE(RadioStateName(2), "Unknown"),
        CASE(MessageStatusSymbol(2), "MSG_STATUS_DRAFT (2)"), CASE(MessageStatusSymbol(4), "MSG_STATUS_UNKNOWN (4)"),
        CASE(PinStateSymbol(2), "PIN_STATE_UNBLOCK (2)"), CASE(PinStateSymbol(3), "PIN_STATE_UNKNOWN (3)"),
        CASE(PinTypeSymbol(10), "PIN_TYPE_SUBSIDY_LOCK (10)"), CASE(PinTypeName(0), "No PIN is pending to be entered"),
        CASE(PinTypeName(11), "Unknown"), CASE(PinModeName(0), "Unknown"), CASE(PinModeName(2), "Disabled"),
        CASE(PinFormatName(0), "Not known"), CASE(PinFormatName(2), "Alphanumeric"),
        CASE(RegisterStateSymbol(3), "REGISTER_STATE_HOME (3)"), CASE(RegisterStateName(0), "NA"),
        CASE(RegisterStateName(6), "Denied"), CASE(RegisterStateSymbol(7), "REGISTER_STATE_UNKNOWN (7)"),
        CASE(RegisterModeSymbol(1), "REGISTER_MODE_AUTOMATIC (1)"), CASE(RegisterModeName(3), "Unknown"),
        CASE(SignalErrorName(0), "< 0.2"), CASE(SignalErrorName(7), "> 12.8"), CASE(SignalErrorName(99), "Unknown"),
        CASE(YesNoName(-1), "Yes"), CASE(YesNoName(1), "No"), CASE(PhonebookStateName(1), "Initialized (1)"),
        CASE(PhonebookStateName(0xFFFFFFFF), "Unknown (4294967295)")));

INSTANTIATE_TEST_SUITE_P(
    Flags, DeviceTexts,
    testing::Values(
        CASE(DataClassSymbol(0), "DATA_CLASS_NONE (0)"), CASE(DataClassName(0, "X"), "NA"),
        CASE(DataClassSymbol(0x3), "DATA_CLASS_GPRS, DATA_CLASS_EDGE (3)"), CASE(DataClassName(0x3, ""), "GPRS, EDGE"),
        CASE(DataClassName(0xC0, ""), "5G NSA, 5G SA"), CASE(DataClassName(0x80000000, ""), "CUSTOM"),
        CASE(DataClassName(0x80000000, "X"), "X"), CASE(DataClassName(0x80000020, "My, net"), "LTE, My, net"),
        CASE(DataClassSymbol(0x80000000), "DATA_CLASS_CUSTOM (2147483648)"), CASE(DataClassSymbol(0x8000), " (32768)"),
        CASE(DataClassName(0x8000, ""), ""), CASE(SmsCapsSymbol(0), "SMS_CAPS_NONE (0)"),
        CASE(SmsCapsName(0), "The device does not support SMS"),
        CASE(SmsCapsSymbol(0x3), "SMS_CAPS_PDU_RECEIVE, SMS_CAPS_PDU_SEND (3)"),
        CASE(ControlCapsName(0), "Unavailable"),
        CASE(ControlCapsSymbol(0xC0), "CTRL_CAPS_USSD, CTRL_CAPS_MULTI_MODE (192)"),
        CASE(ProviderStateSymbol(0x21), "PROVIDER_STATE_HOME, ROVIDER_STATE_PREFERRED_MULTICARRIER (33)"),
        CASE(ProviderStateName(0x18), "Visible, Registered"), CASE(ProviderStateName(0), "None"),
        CASE(BandClassSymbol(0), "BAND_CLASS_NONE (0)"), CASE(BandClassName(0, "X"), "Unknown"),
        CASE(BandClassName(0x6, ""), "Class 1, Class 2"),
        CASE(BandClassSymbol(0x20001), "BAND_CLASS_0, BAND_CLASS_XVII (131073)"),
        CASE(BandClassSymbol(0x1010), "BAND_CLASS_IV, BAND_CLASS_XII (4112)"),
        CASE(BandClassName(0x80000000, ""), "Custom"), CASE(BandClassName(0x80000001, "Mine"), "Class 0, Mine"),
        CASE(BandClassSymbol(0x40000), " (262144)")));

INSTANTIATE_TEST_SUITE_P(
    DeviceServices, DeviceTexts,
    testing::Values(CASE(DeviceServiceName("{4BF38476-1E6A-41DB-B1D8-BED289C25BDB}"), "Phonebook"),
                    CASE(DeviceServiceName("{1D2B5FF7-0AA1-48B2-AA52-50F15767174E}"), "Autentification"),
                    CASE(DeviceServiceName("{8B569648-628D-4653-9B9F-1025404424E1}"), "Multicarrier"),
                    CASE(DeviceServiceName("{4bf38476-1e6a-41db-b1d8-bed289c25bdb}"), "Unknown"),
                    CASE(DeviceServiceName("4BF38476-1E6A-41DB-B1D8-BED289C25BDB"), "Unknown")));

TEST(MbimStatusMap, NamedCasesMapToTheirResults)
{
    EXPECT_EQ(HresultFromMbimStatus(0), 0);
    EXPECT_EQ(HresultFromMbimStatus(1), static_cast<HRESULT>(0x800700AA));   // busy
    EXPECT_EQ(HresultFromMbimStatus(3), static_cast<HRESULT>(0x8054820A));   // SIM not inserted
    EXPECT_EQ(HresultFromMbimStatus(5), static_cast<HRESULT>(0x80548210));   // PIN required
    EXPECT_EQ(HresultFromMbimStatus(31), static_cast<HRESULT>(0x80548229));  // memory full
    EXPECT_EQ(HresultFromMbimStatus(100), static_cast<HRESULT>(0x80548226)); // unknown SMSC
    EXPECT_EQ(HresultFromMbimStatus(24), static_cast<HRESULT>(0x80548212));  // reserved: generic failure
    EXPECT_EQ(HresultFromMbimStatus(0xFFFFFFFF), static_cast<HRESULT>(0x80548212));
}

TEST(MbimStatusMap, EveryStatusHasAKnownTextAndOnlySuccessSucceeds)
{
    std::set<std::uint32_t> seen;
    std::uint32_t previous = 0;
    for (const auto& row : MbimStatusTable()) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(seen.insert(row.status).second) << "listed twice";
        EXPECT_TRUE(row.status == 0 || row.status > previous) << "out of order";
        previous = row.status;
        EXPECT_EQ(row.status == 0, !Failed(row.result));
        EXPECT_EQ(HresultText(row.result).rfind("Status is unknown", 0), std::string::npos);
    }
    EXPECT_EQ(seen.size(), 43u);
}

} // namespace
