// The network's USSD service: a few codes and one menu dialogue.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

enum UssdResponse : uint32_t {
    UssdNoActionRequired = 0,
    UssdActionRequired = 1,
    UssdTerminated = 2,
    UssdOtherLocalClient = 3,
    UssdNotSupported = 4,
    UssdNetworkTimeout = 5,
};

struct UssdAnswer
{
    enum Timing { Now, Delayed, Never } timing = Now;
    uint32_t response = UssdNoActionRequired;
    std::u16string text;
    bool ucs2 = false;
    uint32_t delayMs = 0;
};

class UssdMenu
{
public:
    // Codes the network knows; listed by --help.
    static constexpr const char* Codes =
        "*100# balance, *101# menu (answer 1, 2 or 3), *102# UCS2 reply, "
        "*104# network timeout after 2 s, *109# no answer ever, other codes not supported";

    bool waiting() const { return !node_.empty(); } // the network expects an answer
    UssdAnswer initiate(const std::u16string& code);
    UssdAnswer answer(const std::u16string& text);
    void cancel() { node_.clear(); }

private:
    std::string node_;
};

} // namespace sim
