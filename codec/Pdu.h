#pragma once

#include "codec/Gsm.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// One SMS PDU (3GPP TS 23.040), decoded from or encoded to upper-case hex text.
// Decoding accepts SMS-DELIVER, SMS-SUBMIT and SMS-STATUS-REPORT; encoding builds SMS-SUBMIT.
// Failure is a false result and a text in Error; nothing is thrown. 8-bit strings are UTF-8.
struct TimestampTexts;

class PDU
{
public:
    // For encoding.
    PDU();
    // For decoding; the text is copied up to its first NUL.
    explicit PDU(std::string_view pduText);
    // nullptr means there is no PDU text at all.
    explicit PDU(const char* pduText);
    virtual ~PDU() = default;

    bool Decode();
    bool DecodeStatusReport();
    std::string AlphabetName() const;

    void SetNumber(const char* number);
    void SetSmsc(const char* smsc);
    void BuildConcatHeader();
    void Encode();

    std::u16string Text;
    bool Multipart = false;
    unsigned Reference = 0;
    unsigned PartsTotal = 0;
    unsigned PartNumber = 0;
    unsigned MessageReference = 0;
    unsigned MessageId = 0;
    unsigned ReportStatus = 0; // a status report's TP-Status octet
    bool International = false;
    std::string PduText;
    std::array<uint8_t, GsmBufferSize> UserData{};
    int UserDataLength = 0;
    std::string Smsc;
    std::string Number;
    std::string NumberType;
    std::string Date;
    std::string Time;
    std::string UdhType;
    std::string UdhData;
    std::string Error;
    bool UdhPresent = false;
    bool ReportRequest = false;
    bool StatusReport = false;
    int Alphabet = AlphabetGsm;
    bool Flash = false;
    int ValidityPeriod = 255;

private:
    void Reset();
    void SetError(const char* format, ...) __attribute__((format(printf, 2, 3)));
    size_t Remaining() const { return cursor < PduText.size() ? PduText.size() - cursor : 0; }
    void Advance(size_t characters) { cursor = std::min(PduText.size(), cursor + characters); }
    int OctetAtCursor() const;

    bool ReadSmsc();
    bool ReadAddress(int length, bool statusReport);
    bool ReadDeliver();
    bool ReadSubmit();
    bool ReadDeliverOrSubmit(bool submit);
    bool ReadStatusReport(bool withSmsc);
    bool ReadTimestamp(const TimestampTexts& texts);
    bool ReadUserData();
    void MakeText();

    bool hasText = true;
    size_t cursor = 0;
    int firstOctet = 0;
};
