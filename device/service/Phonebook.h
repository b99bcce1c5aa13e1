#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The SIM phonebook device service: its ID, command IDs, request payloads and the parsing of
// its answers. Shared by the session and the SIM phonebook window, which keeps its own sink.

inline constexpr const char* PhonebookServiceID = "{4BF38476-1E6A-41DB-B1D8-BED289C25BDB}";

enum : std::uint32_t {
    PHONEBOOK_COMMAND_CONFIGURATION = 1,
    PHONEBOOK_COMMAND_READ = 2,
    PHONEBOOK_COMMAND_DELETE = 3,
    PHONEBOOK_COMMAND_WRITE = 4,
};

// wParam of WM_BROADBAND_PHONEBOOK.
enum : std::uintptr_t {
    PHONEBOOK_CONFIGURATION = 1,
    PHONEBOOK_ITEM = 2,
};

struct MBIM_PHONEBOOK_CONFIGURATION
{
    std::uint32_t State = 0; // 0 not initialised, 1 initialised
    std::uint32_t TotalEntries = 0;
    std::uint32_t UsedEntries = 0;
    std::uint32_t MaxNumberLength = 0;
    std::uint32_t MaxNameLength = 0;
};

struct MBIM_PHONEBOOK_ITEM
{
    std::int32_t Position = 0;    // place in the response, from 0
    std::uint32_t EntryIndex = 0; // SIM entry index, the one to delete
    QString Name;
    QString Number;
};

// Request payloads, byte for byte as the device expects them: little-endian 32-bit words,
// UTF-16LE strings without terminator or padding.
std::vector<std::uint8_t> PhonebookConfigurationPayload();
std::vector<std::uint8_t> PhonebookReadPayload();
std::vector<std::uint8_t> PhonebookDeletePayload(std::uint32_t index);
std::vector<std::uint8_t> PhonebookWritePayload(const QString& name, const QString& number);

// Parsing of the answers. Every count, offset and size is checked against the response; what
// does not fit is logged and skipped.
using PhonebookLog = std::function<void(const std::string&)>;
bool ParsePhonebookConfiguration(const std::vector<std::uint8_t>& data, MBIM_PHONEBOOK_CONFIGURATION& config,
                                 const PhonebookLog& log);
void ParsePhonebookRead(const std::vector<std::uint8_t>& data, const PhonebookLog& log,
                        const std::function<void(const MBIM_PHONEBOOK_ITEM&)>& item);
