// The few TPDUs the simulated network produces (SMS-DELIVER, SMS-STATUS-REPORT) and
// the reading of the SMS-SUBMIT it receives. PDUs carry the service centre field first,
// as in PDU mode.
#pragma once

#include "Gsm.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace sim::pdu {

struct Submit
{
    gsm::Address smsc;     // from the PDU's service centre field; may be empty
    uint8_t reference = 0; // TP-MR as sent by the host
    gsm::Address destination;
    bool statusReport = false;
    bool userDataHeader = false;
    uint8_t protocolId = 0;
    uint8_t dataCoding = 0;
    uint8_t userDataLength = 0; // septets or octets, as TP-UDL counts
    Bytes userData;
};

// Reads an SMS-SUBMIT with its service centre field; the error text says what is wrong.
std::optional<Submit> parseSubmit(std::span<const uint8_t> pdu, std::string* error = nullptr);

bool isSevenBit(uint8_t dataCoding);
// True when the data coding scheme asks for message class 0 (shown, not stored).
bool isClass0(uint8_t dataCoding);

struct DeliverOptions
{
    bool ucs2 = false; // force UCS2 even when the text fits the GSM alphabet
    bool class0 = false;
    uint8_t reference = 0; // concatenation reference for multipart texts
};

// One SMS-DELIVER per part: a text that does not fit one message is split and joined
// by a concatenation header.
std::vector<Bytes> deliver(const gsm::Address& smsc, const gsm::Address& sender, const std::u16string& text,
                           const DeliverOptions& options, std::time_t when);

// The SMS-DELIVER that the recipient of `submit` receives from `sender`.
Bytes deliverFromSubmit(const Submit& submit, const gsm::Address& smsc, const gsm::Address& sender, std::time_t when);

Bytes statusReport(const gsm::Address& smsc, uint8_t reference, const gsm::Address& recipient, std::time_t submitted,
                   std::time_t discharged, uint8_t status);

Bytes timestamp(std::time_t when);

std::string hex(std::span<const uint8_t> data);

} // namespace sim::pdu
