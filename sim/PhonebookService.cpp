// Phonebook device service: the SIM's entries with its capacity and length limits.
#include "ModemCore.h"

#include "Gsm.h"

namespace sim {

namespace {

enum Cid : uint32_t { Configuration = 1, Read = 2, Delete = 3, Write = 4 };
enum Flag : uint32_t { FlagAll = 0, FlagIndex = 1 };
enum WriteFlag : uint32_t { SaveUnused = 0, SaveIndex = 1 };

bool dialable(const std::string& number)
{
    if (number.empty())
        return false;
    for (size_t i = 0; i < number.size(); ++i) {
        char c = number[i];
        bool ok = (c >= '0' && c <= '9') || c == '*' || c == '#' || c == 'p' || c == 'P' || c == 'w' || c == 'W' ||
                  c == ',' || (c == '+' && i == 0);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

std::optional<ModemCore::Reply> ModemCore::phonebook(const mbim::Request& req)
{
    const bool set = req.commandType == mbim::Set;
    Reader r(req.information);
    if (req.cid < Configuration || req.cid > Write || set != (req.cid == Delete || req.cid == Write))
        return Reply{mbim::NoDeviceSupport, {}};
    if (req.cid == Configuration) {
        Writer w;
        w.u32(sim_.locked ? 0 : 1);
        w.u32(sim_.phonebookCapacity);
        w.u32(uint32_t(sim_.phonebook.size()));
        w.u32(sim_.maxNumberLength);
        w.u32(sim_.maxNameLength);
        return Reply{mbim::Success, w.finish()};
    }
    if (sim_.locked)
        return Reply{mbim::NotInitialized, {}};
    auto inRange = [&](uint32_t index) { return index >= 1 && index <= sim_.phonebookCapacity; };

    if (req.cid == Read) {
        auto flag = r.u32(0), index = r.u32(4);
        if (!flag || !index || *flag > FlagIndex)
            return Reply{mbim::InvalidParameters, {}};
        std::vector<Bytes> items;
        auto add = [&](uint32_t i, const PhonebookEntry& e) {
            Writer w;
            w.u32(i);
            w.string(utf16(e.number));
            w.string(e.name);
            items.push_back(w.finish());
        };
        if (*flag == FlagIndex) {
            auto it = sim_.phonebook.find(*index);
            if (!inRange(*index) || it == sim_.phonebook.end())
                return Reply{mbim::InvalidMemoryIndex, {}};
            add(it->first, it->second);
        } else {
            for (const auto& [i, e] : sim_.phonebook)
                add(i, e);
        }
        Writer w;
        w.u32(uint32_t(items.size()));
        w.refList(items);
        return Reply{mbim::Success, w.finish()};
    }

    if (req.cid == Delete) {
        auto flag = r.u32(0), index = r.u32(4);
        if (!flag || *flag > FlagIndex || (*flag == FlagIndex && !index))
            return Reply{mbim::InvalidParameters, {}};
        if (*flag == FlagAll) {
            sim_.phonebook.clear();
        } else {
            if (!inRange(*index) || !sim_.phonebook.erase(*index))
                return Reply{mbim::InvalidMemoryIndex, {}};
        }
        simChanged();
        return Reply{mbim::Success, {}};
    }

    auto flag = r.u32(0), index = r.u32(4);
    auto number = r.string(8), name = r.string(16);
    if (!flag || !index || !number || !name || *flag > SaveIndex)
        return Reply{mbim::InvalidParameters, {}};
    std::string digits = utf8(*number);
    if (!dialable(digits))
        return Reply{mbim::InvalidParameters, {}};
    if (digits.size() - (digits[0] == '+') > sim_.maxNumberLength)
        return Reply{mbim::ParameterTooLong, {}};
    // A name outside the GSM alphabet is stored as UCS2: two bytes a character and a marker.
    size_t nameLimit = gsm::toSeptets(*name) ? sim_.maxNameLength : (sim_.maxNameLength - 1) / 2;
    size_t nameLength = gsm::toSeptets(*name) ? gsm::toSeptets(*name)->size() : name->size();
    if (nameLength > nameLimit)
        return Reply{mbim::ParameterTooLong, {}};
    uint32_t slot;
    if (*flag == SaveIndex) {
        if (!inRange(*index))
            return Reply{mbim::InvalidMemoryIndex, {}};
        slot = *index;
    } else {
        auto free = sim_.freePhonebookIndex();
        if (!free)
            return Reply{mbim::MemoryFull, {}};
        slot = *free;
    }
    sim_.phonebook[slot] = PhonebookEntry{*name, digits};
    note("phonebook entry " + std::to_string(slot) + " written");
    simChanged();
    return Reply{mbim::Success, {}};
}

} // namespace sim
