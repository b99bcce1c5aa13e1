// The SIM: identity, PIN, message storage and phonebook.
#pragma once

#include "Wire.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace sim {

enum SmsStatus : uint32_t { SmsNew = 0, SmsOld = 1, SmsDraft = 2, SmsSent = 3 };

struct StoredSms
{
    uint32_t status = SmsNew;
    Bytes pdu; // service centre field first
};

struct PhonebookEntry
{
    std::u16string name;
    std::string number;
};

class SimCard
{
public:
    enum class PinResult { Accepted, Wrong, Blocked, NotNeeded, BadFormat };

    std::string imsi = "001010123456789";
    std::string iccid = "8900101000000000015";
    std::string ownNumber = "+15550100123";
    std::string serviceCentre = "+15550109999";

    // PIN1. A SIM whose PIN is enabled starts locked when `locked` is set.
    std::string pin = "1234";
    std::string puk = "12345678";
    bool pinEnabled = false;
    bool locked = false;
    uint32_t pinAttempts = 3;
    uint32_t pukAttempts = 10;

    PinResult enterPin(const std::string& code);
    PinResult enterPuk(const std::string& code, const std::string& newPin);
    bool blocked() const { return locked && pinAttempts == 0; }
    static bool validPin(const std::string& code);

    // Message storage, indices 1..smsCapacity.
    uint32_t smsCapacity = 30;
    std::map<uint32_t, StoredSms> sms;
    std::optional<uint32_t> storeSms(uint32_t status, const Bytes& pdu);
    bool smsFull() const { return sms.size() >= smsCapacity; }

    // Phonebook, indices 1..phonebookCapacity; lengths in characters.
    uint32_t phonebookCapacity = 50;
    uint32_t maxNumberLength = 20;
    uint32_t maxNameLength = 14;
    std::map<uint32_t, PhonebookEntry> phonebook;
    std::optional<uint32_t> freePhonebookIndex() const;
};

} // namespace sim
