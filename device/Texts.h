#pragma once
// The words for device values and result codes, as the logs and views show them.

#include <cstdint>
#include <string>

// Texts of device values for the device log (symbolic: constant name and value) and for the
// status view (human). Pure functions: no state, never fail, every value has a text.

using HRESULT = std::int32_t;

std::string HresultText(HRESULT value);
std::string ComErrorText(HRESULT value);

std::string ReadyStateSymbol(std::int32_t value);
std::string ReadyStateName(std::int32_t value);
std::string CellularClassSymbol(std::int32_t value);
std::string CellularClassName(std::int32_t value);
std::string VoiceClassSymbol(std::int32_t value);
std::string VoiceClassName(std::int32_t value);
std::string RadioStateSymbol(std::int32_t value);
std::string RadioStateName(std::int32_t value);
std::string MessageStatusSymbol(std::int32_t value);
std::string PinStateSymbol(std::int32_t value);
std::string PinTypeSymbol(std::int32_t value);
std::string PinTypeName(std::int32_t value);
std::string PinModeName(std::int32_t value);
std::string PinFormatName(std::int32_t value);
std::string RegisterStateSymbol(std::int32_t value);
std::string RegisterStateName(std::int32_t value);
std::string RegisterModeSymbol(std::int32_t value);
std::string RegisterModeName(std::int32_t value);
std::string SignalErrorName(std::int32_t value);
std::string YesNoName(std::int32_t value);
std::string PhonebookStateName(std::uint32_t value);

std::string DataClassSymbol(std::uint32_t flags);
// The "short" form of the status view; the custom flag shows customName when it is not empty.
std::string DataClassName(std::uint32_t flags, const std::string& customName);
std::string SmsCapsSymbol(std::uint32_t flags);
std::string SmsCapsName(std::uint32_t flags);
std::string ControlCapsSymbol(std::uint32_t flags);
std::string ControlCapsName(std::uint32_t flags);
std::string ProviderStateSymbol(std::uint32_t flags);
std::string ProviderStateName(std::uint32_t flags);
std::string BandClassSymbol(std::uint32_t flags);
std::string BandClassName(std::uint32_t flags, const std::string& customName);

// Name of a device service from its ID string ("{GUID}", compared exactly).
std::string DeviceServiceName(const std::string& serviceId);
