#include "device/service/Phonebook.h"

#include "device/Texts.h"

#include <algorithm>

namespace {

void PutWord(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutText(std::vector<std::uint8_t>& out, std::size_t at, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        out[at + 2 * static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(unit & 0xFF);
        out[at + 2 * static_cast<std::size_t>(i) + 1] = static_cast<std::uint8_t>(unit >> 8);
    }
}

std::uint32_t Word(const std::vector<std::uint8_t>& data, std::uint64_t at)
{
    const auto i = static_cast<std::size_t>(at);
    return static_cast<std::uint32_t>(data[i]) | static_cast<std::uint32_t>(data[i + 1]) << 8 |
           static_cast<std::uint32_t>(data[i + 2]) << 16 | static_cast<std::uint32_t>(data[i + 3]) << 24;
}

// UTF-16LE text of size bytes at the offset; an odd last byte is a unit of its own, and the text
// ends at the first zero unit, as a terminated copy would.
QString Text(const std::vector<std::uint8_t>& data, std::uint64_t at, std::uint32_t size)
{
    QString text;
    for (std::uint32_t i = 0; i < size; i += 2) {
        const auto p = static_cast<std::size_t>(at + i);
        const char16_t unit = static_cast<char16_t>(data[p] | (i + 1 < size ? data[p + 1] << 8 : 0));
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

} // namespace

std::vector<std::uint8_t> PhonebookConfigurationPayload()
{
    return {0x00};
}

std::vector<std::uint8_t> PhonebookReadPayload()
{
    std::vector<std::uint8_t> payload(8, 0);
    PutWord(payload, 0, 0); // all entries
    PutWord(payload, 4, 0);
    return payload;
}

std::vector<std::uint8_t> PhonebookDeletePayload(std::uint32_t index)
{
    std::vector<std::uint8_t> payload(8, 0);
    PutWord(payload, 0, 1); // one entry by index
    PutWord(payload, 4, index);
    return payload;
}

std::vector<std::uint8_t> PhonebookWritePayload(const QString& name, const QString& number)
{
    const auto numberSize = static_cast<std::uint32_t>(2 * number.size());
    const auto nameSize = static_cast<std::uint32_t>(2 * name.size());
    std::vector<std::uint8_t> payload(24 + numberSize + nameSize, 0);
    PutWord(payload, 0, 0); // save into an unused entry
    PutWord(payload, 4, 0);
    PutWord(payload, 8, 24);
    PutWord(payload, 12, numberSize);
    PutWord(payload, 16, 24 + numberSize); // not rounded up to a word
    PutWord(payload, 20, nameSize);
    PutText(payload, 24, number);
    PutText(payload, 24 + numberSize, name);
    return payload;
}

bool ParsePhonebookConfiguration(const std::vector<std::uint8_t>& data, MBIM_PHONEBOOK_CONFIGURATION& config,
                                 const PhonebookLog& log)
{
    if (data.size() < 20) {
        log("Response -> Configuration -> Too short: " + std::to_string(data.size()) + " bytes");
        return false;
    }
    config.State = Word(data, 0);
    config.TotalEntries = Word(data, 4);
    config.UsedEntries = Word(data, 8);
    config.MaxNumberLength = Word(data, 12);
    config.MaxNameLength = Word(data, 16);
    log("State = " + PhonebookStateName(config.State));
    log("TotalEntries = " + std::to_string(config.TotalEntries));
    log("UsedEntries = " + std::to_string(config.UsedEntries));
    log("MaxNumberLength = " + std::to_string(config.MaxNumberLength));
    log("MaxNameLength = " + std::to_string(config.MaxNameLength));
    return true;
}

void ParsePhonebookRead(const std::vector<std::uint8_t>& data, const PhonebookLog& log,
                        const std::function<void(const MBIM_PHONEBOOK_ITEM&)>& item)
{
    const std::uint64_t size = data.size();
    if (size < 4) {
        log("Data -> Too short: " + std::to_string(size) + " bytes");
        return;
    }
    const std::uint32_t count = Word(data, 0);
    log("Data->Count = " + std::to_string(count));
    // Only the offset table that fits the response is read, however large the count claims to be.
    const std::uint64_t fitting = (size - 4) / 8;
    if (count > fitting)
        log("Data -> Count exceeds the response, entries in it: " + std::to_string(fitting));
    const std::uint64_t entries = std::min<std::uint64_t>(count, fitting);
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::string entry = "Data->Entry #" + std::to_string(i + 1);
        log(entry);
        const std::uint64_t e = Word(data, 4 + 8 * i);
        if (e + 20 > size) {
            log(entry + " -> Offset " + std::to_string(e) + " outside the response, skipped");
            continue;
        }
        const std::uint32_t index = Word(data, e);
        const std::uint64_t numberAt = e + Word(data, e + 4);
        const std::uint32_t numberSize = Word(data, e + 8);
        const std::uint64_t nameAt = e + Word(data, e + 12);
        const std::uint32_t nameSize = Word(data, e + 16);
        if (numberAt + numberSize > size || nameAt + nameSize > size) {
            log(entry + " -> Text outside the response, skipped");
            continue;
        }
        MBIM_PHONEBOOK_ITEM record;
        record.Position = static_cast<std::int32_t>(i);
        record.EntryIndex = index;
        record.Name = Text(data, nameAt, nameSize);
        record.Number = Text(data, numberAt, numberSize);
        log("  Index = " + std::to_string(index));
        log("  Name = " + record.Name.toStdString());
        log("  Number = " + record.Number.toStdString());
        item(record);
    }
}
