#include "model/StoredRecord.h"

#include "codec/Hex.h"

namespace {

// True when the first octet after the service-centre address says SMS-STATUS-REPORT.
bool IsStatusReport(const std::string& pdu)
{
    const int smscLength = HexOctet(pdu, 0);
    if (smscLength < 0)
        return false;
    const int first = HexOctet(pdu, 2 + 2 * static_cast<size_t>(smscLength));
    return first >= 0 && (first & 0x03) == 2;
}

} // namespace

StoredRecord::StoredRecord(const DATABASE_SMS_DATA& record) : Pdu(std::string_view(record.Pdu))
{
    // The plain decoder reads a status report too, but leaves out its status text.
    Ok = IsStatusReport(Pdu.PduText) ? Pdu.DecodeStatusReport() : Pdu.Decode();
    if (!Ok) {
        Error = QString::fromStdString(Pdu.Error);
        return;
    }
    Number = (Pdu.International ? QStringLiteral("+") : QString()) + QString::fromStdString(Pdu.Number);
    Date = QString::fromStdString(Pdu.Date.empty() ? record.Date : Pdu.Date);
    Time = QString::fromStdString(Pdu.Time.empty() ? record.Time : Pdu.Time);
    Text = QString::fromStdU16String(Pdu.Text);
}
