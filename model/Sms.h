#pragma once

#include <QString>
#include <QVector>

#include <cstdint>

// Send states of a part while its message sits in the Outbox.
enum SmsUnitStatus : int32_t {
    SmsUnitWaiting = 0,
    SmsUnitSent = 1,
    SmsUnitSubmitted = 2,
    SmsUnitFailed = 3,
    // Submitted, but whether it went out is not known: the interface went away or the
    // completion never came. Sending it again may send it twice.
    SmsUnitUnknown = 4,
};

// Where a listed part lives, which decides what deleting it deletes.
enum class SmsPlace : uint8_t {
    Stored,   // a row of the database; Id is its storage ID
    Device,   // a message in the device's store; Id is its index there
    ShownOnly // nowhere: a flash message or report handed over once; Id only tells rows apart
};

// One SMS as received, stored or sent: one part of a listed message.
struct SmsUnit
{
    int32_t Id = 0; // database ID, device index, report reference or send request ID
    QString Number;
    QString Date;
    QString Time;
    QString Text;
    QString Pdu;
    uint8_t PduLength = 0; // TPDU octets, as handed to the device
    int32_t Reference = 0;
    int32_t PartNumber = 0;
    int32_t PartsTotal = 0;
    int32_t Status = SmsUnitWaiting;
    SmsPlace Place = SmsPlace::Stored;
    bool Duplicate = false; // repeats an earlier part's number; left out of the text
};

// One message as the user sees it in a list, with its parts in part-number order.
class SmsData
{
public:
    void AddUnit(int32_t id, const QString& number, int32_t partsTotal, int32_t partNumber, int32_t reference,
                 const QString& pdu, const QString& time, const QString& date, const QString& text);

    QString ListText() const;
    QString ViewText() const;
    QString FirstId() const;
    QString GetNumber() const { return Number; }
    QString GetDate() const { return Date; }
    QString GetTime() const { return Time; }
    QString DisplayName(bool forceName) const;
    void SetName(const QString& name) { Name = name; }
    QString DateTime() const { return Date + QLatin1Char(' ') + Time; }
    bool HasUnit(int32_t id) const;
    void SetUnitStatus(int32_t id, int32_t status);
    QString UnitPdu(int32_t id) const;
    bool AllSent() const;
    // Failed, or of unknown fate: the row carries the error mark.
    bool AnyFailed() const;
    bool AnyUnknown() const;
    bool Matches(const QString& number, int32_t reference, const QString& date) const;

    QString Number;
    QString Name;
    int32_t Count = 0;
    QString Ids; // part IDs in arrival order, "17/18/20"
    QString Date;
    QString Time;
    QVector<SmsUnit> Units;
    int32_t Reference = 0;
    int32_t PartsTotal = 0;
    bool Flash = false;

private:
    QString JoinedText() const;
    void SortUnits();
};
