#include "model/Sms.h"

#include <algorithm>
#include <utility>

void SmsData::AddUnit(int32_t id, const QString& number, int32_t partsTotal, int32_t partNumber, int32_t reference,
                      const QString& pdu, const QString& time, const QString& date, const QString& text)
{
    SmsUnit unit;
    unit.Id = id;
    unit.Number = number;
    unit.Date = date;
    unit.Time = time;
    unit.Text = text;
    unit.Pdu = pdu;
    unit.Reference = reference;
    unit.PartNumber = partNumber;
    unit.PartsTotal = partsTotal;
    Units.append(unit);
    Count = static_cast<int32_t>(Units.size());

    // The message takes the newest part's values as its own.
    Number = number;
    Date = date;
    Time = time;
    Reference = reference;
    PartsTotal = partsTotal;
    SortUnits();
}

void SmsData::SortUnits()
{
    // A stable bubble sort: equal part numbers keep their arrival order, so the first copy of a
    // part stays unmarked and every later copy is marked as a duplicate (marks are never removed).
    const qsizetype n = Units.size();
    for (qsizetype pass = 0; pass < n; ++pass) {
        for (qsizetype i = 0; i + 1 < n; ++i) {
            if (Units[i + 1].PartNumber < Units[i].PartNumber)
                std::swap(Units[i], Units[i + 1]);
            if (Units[i].PartNumber == Units[i + 1].PartNumber)
                Units[i + 1].Duplicate = true;
        }
    }
}

QString SmsData::JoinedText() const
{
    QString text;
    for (const SmsUnit& unit : Units)
        if (!unit.Duplicate)
            text += unit.Text;
    return text;
}

QString SmsData::ListText() const
{
    return JoinedText().replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString SmsData::ViewText() const
{
    return JoinedText().replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

QString SmsData::FirstId() const
{
    const qsizetype slash = Ids.indexOf(QLatin1Char('/'));
    return slash < 0 ? Ids : Ids.left(slash);
}

QString SmsData::DisplayName(bool forceName) const
{
    return (forceName || !Name.isEmpty()) ? Name : Number;
}

bool SmsData::HasUnit(int32_t id) const
{
    return std::any_of(Units.begin(), Units.end(), [id](const SmsUnit& u) { return u.Id == id; });
}

void SmsData::SetUnitStatus(int32_t id, int32_t status)
{
    for (SmsUnit& unit : Units) {
        if (unit.Id == id) {
            unit.Status = status;
            return;
        }
    }
}

QString SmsData::UnitPdu(int32_t id) const
{
    for (const SmsUnit& unit : Units)
        if (unit.Id == id)
            return unit.Pdu;
    return QString();
}

bool SmsData::AllSent() const
{
    return std::all_of(Units.begin(), Units.end(), [](const SmsUnit& u) { return u.Status == SmsUnitSent; });
}

bool SmsData::AnyFailed() const
{
    return std::any_of(Units.begin(), Units.end(),
                       [](const SmsUnit& u) { return u.Status == SmsUnitFailed || u.Status == SmsUnitUnknown; });
}

bool SmsData::AnyUnknown() const
{
    return std::any_of(Units.begin(), Units.end(), [](const SmsUnit& u) { return u.Status == SmsUnitUnknown; });
}

bool SmsData::Matches(const QString& number, int32_t reference, const QString& date) const
{
    return number == Number && reference == Reference && date == Date;
}
