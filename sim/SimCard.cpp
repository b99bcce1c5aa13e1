#include "SimCard.h"

namespace sim {

bool SimCard::validPin(const std::string& code)
{
    if (code.size() < 4 || code.size() > 8)
        return false;
    for (char c : code)
        if (c < '0' || c > '9')
            return false;
    return true;
}

SimCard::PinResult SimCard::enterPin(const std::string& code)
{
    if (!locked)
        return PinResult::NotNeeded;
    if (pinAttempts == 0)
        return PinResult::Blocked;
    if (code != pin) {
        --pinAttempts;
        return pinAttempts == 0 ? PinResult::Blocked : PinResult::Wrong;
    }
    pinAttempts = 3;
    locked = false;
    return PinResult::Accepted;
}

SimCard::PinResult SimCard::enterPuk(const std::string& code, const std::string& newPin)
{
    if (!blocked())
        return PinResult::NotNeeded;
    if (pukAttempts == 0)
        return PinResult::Blocked;
    if (!validPin(newPin))
        return PinResult::BadFormat;
    if (code != puk) {
        --pukAttempts;
        return PinResult::Wrong;
    }
    pukAttempts = 10;
    pinAttempts = 3;
    pin = newPin;
    locked = false;
    return PinResult::Accepted;
}

std::optional<uint32_t> SimCard::storeSms(uint32_t status, const Bytes& pdu)
{
    for (uint32_t i = 1; i <= smsCapacity; ++i) {
        if (!sms.count(i)) {
            sms[i] = StoredSms{status, pdu};
            return i;
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> SimCard::freePhonebookIndex() const
{
    for (uint32_t i = 1; i <= phonebookCapacity; ++i)
        if (!phonebook.count(i))
            return i;
    return std::nullopt;
}

} // namespace sim
