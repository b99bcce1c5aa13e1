#pragma once
// A stored or device message record decoded the way the message folders show it.

#include "app/Messages.h"
#include "codec/Pdu.h"

#include <QString>

struct StoredRecord
{
    explicit StoredRecord(const DATABASE_SMS_DATA& record);

    bool Ok = false;
    // The decoded PDU: service centre, multipart values, message ID, and Error on failure.
    PDU Pdu;
    // Empty when the PDU does not decode. The number has "+" in front when international; date
    // and time are the record's own when the PDU carries none (an SMS-SUBMIT).
    QString Number;
    QString Date;
    QString Time;
    QString Text;
    QString Error;
};
