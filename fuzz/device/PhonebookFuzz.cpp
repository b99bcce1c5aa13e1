// A phonebook answer as the device sent it: the first byte says which answer, the rest is its
// information buffer. Every entry reported must come from inside the buffer.
#include "device/service/Phonebook.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 64 * 1024)
        return 0;
    const std::vector<std::uint8_t> info(data + 1, data + size);
    const auto log = [](const std::string&) {};
    if (data[0] & 1) {
        MBIM_PHONEBOOK_CONFIGURATION config;
        if (ParsePhonebookConfiguration(info, config, log) != (info.size() >= 20))
            std::abort();
        return 0;
    }
    std::int32_t next = 0;
    ParsePhonebookRead(info, log, [&](const MBIM_PHONEBOOK_ITEM& item) {
        // Positions rise in the order of the offset table, which holds at most (size - 4) / 8.
        if (item.Position < next || static_cast<std::size_t>(item.Position) >= (info.size() - 4) / 8)
            std::abort();
        // Each text is at most half its bytes, rounded up, in 16-bit units.
        if (static_cast<std::size_t>(item.Name.size() + item.Number.size()) > info.size())
            std::abort();
        next = item.Position + 1;
    });
    return 0;
}
