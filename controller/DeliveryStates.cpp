#include "controller/DeliveryStates.h"

#include "controller/FolderImages.h"
#include "controller/MessageFolders.h"
#include "storage/Database.h"

#include <algorithm>

namespace {

// Enough to tell numbers apart, few enough to ignore a country or trunk prefix.
constexpr int kNumberDigits = 9;

} // namespace

DeliveryState DeliveryStateOf(unsigned reportStatus)
{
    if (reportStatus <= 0x1F)
        return DeliveryDelivered;
    if (reportStatus <= 0x3F)
        return DeliveryPending;
    return DeliveryFailed;
}

QString DeliveryNumberKey(const QString& number)
{
    QString digits;
    digits.reserve(number.size());
    for (const QChar c : number)
        if (c >= u'0' && c <= u'9')
            digits += c;
    return digits.size() > kNumberDigits ? digits.right(kNumberDigits) : digits;
}

DeliveryStates::DeliveryStates(QDatabase& database, FolderModel& sent) : database_(database), sent_(sent)
{ }

QString DeliveryStates::MatchKey(const QString& number, unsigned reference)
{
    // TP-MR is one octet whatever width the device reports it in.
    return DeliveryNumberKey(number) + QLatin1Char('/') + QString::number(reference & 0xFF);
}

void DeliveryStates::Load()
{
    parts_.clear();
    byMatch_.clear();
    byReport_.clear();
    for (const DATABASE_DELIVERY_DATA& row : database_.LoadDelivery())
        Track(row.ID, row.Reference, row.Number, Part{row.State, row.Report});
    loaded_ = database_.IsOpen();
}

void DeliveryStates::EnsureLoaded()
{
    if (!loaded_)
        Load();
}

void DeliveryStates::Track(std::int64_t sentId, std::uint32_t reference, const QString& number, const Part& part)
{
    parts_.insert(sentId, part);
    if (part.Report != 0)
        byReport_.insert(part.Report, sentId);
    std::vector<std::int64_t>& ids = byMatch_[MatchKey(number, reference)];
    ids.insert(std::upper_bound(ids.begin(), ids.end(), sentId), sentId);
}

void DeliveryStates::Sent(std::int64_t sentId, std::int32_t part, std::uint32_t reference, const QString& number)
{
    EnsureLoaded();
    DATABASE_DELIVERY_DATA row;
    row.ID = sentId;
    row.Part = part;
    row.Reference = reference;
    row.Number = number;
    // Shown for this run even when the table cannot be written.
    database_.InsertDelivery(row);
    ++sends_;
    if (!parts_.contains(sentId))
        Track(sentId, reference, number, Part{});
    const auto early = early_.constFind(MatchKey(number, reference));
    if (early != early_.cend()) {
        const Early report = *early;
        early_.erase(early);
        if (sends_ - report.Sends <= kEarlyReportSends) {
            Apply(sentId, parts_[sentId], report.State, report.Report);
            return;
        }
    }
    Refresh(static_cast<std::int32_t>(sentId));
}

std::optional<std::uint32_t> DeliveryStates::EarlyReference(const QString& number) const
{
    const QString prefix = DeliveryNumberKey(number) + QLatin1Char('/');
    for (auto it = early_.cbegin(); it != early_.cend(); ++it)
        if (it.key().startsWith(prefix) && sends_ - it->Sends <= kEarlyReportSends)
            return it.key().mid(prefix.size()).toUInt();
    return std::nullopt;
}

void DeliveryStates::Apply(std::int64_t sentId, Part& part, DeliveryState state, std::int64_t reportId)
{
    part.State = state;
    if (reportId != 0) {
        part.Report = reportId;
        byReport_.insert(reportId, sentId);
    }
    database_.UpdateDeliveryState(sentId, state, reportId);
    Refresh(static_cast<std::int32_t>(sentId));
}

std::int64_t DeliveryStates::Report(const QString& number, unsigned reference, unsigned reportStatus,
                                    std::int64_t reportId)
{
    EnsureLoaded();
    if (reportId != 0) {
        const auto known = byReport_.constFind(reportId);
        if (known != byReport_.cend())
            return *known; // a replay of the report that set the state
    }
    const DeliveryState state = DeliveryStateOf(reportStatus);
    const QString key = MatchKey(number, reference);
    const auto match = byMatch_.constFind(key);
    // A reference comes round again after 256 messages: the report is about the latest part
    // before it.
    auto it = match == byMatch_.cend() ? std::vector<std::int64_t>::const_iterator()
              : reportId != 0          ? std::lower_bound(match->cbegin(), match->cend(), reportId)
                                       : match->cend();
    if (match == byMatch_.cend() || it == match->cbegin()) {
        // Perhaps its part's completion is still on the way; a replayed report has no such part.
        if (sent_.InBulk())
            return 0;
        const auto waiting = early_.find(key);
        if (waiting == early_.end())
            early_.insert(key, Early{state, reportId, sends_});
        else if (state != DeliveryPending || waiting->State == DeliveryPending)
            *waiting = Early{state, reportId, sends_};
        return 0;
    }
    const std::int64_t sentId = *--it;
    Part& part = parts_[sentId];
    // A replayed report no newer than the one that set the state is already counted.
    if (reportId != 0 && reportId <= part.Report)
        return sentId;
    // "Still trying" after a final word is an old report read late.
    if (state == DeliveryPending && part.State != DeliveryPending)
        return sentId;
    Apply(sentId, part, state, reportId);
    return sentId;
}

int DeliveryStates::StateOf(std::int64_t sentId) const
{
    const auto it = parts_.constFind(sentId);
    return it == parts_.cend() ? -1 : it->State;
}

int DeliveryStates::ImageOf(const SmsData& data) const
{
    int known = 0;
    bool pending = false;
    for (const SmsUnit& unit : data.Units) {
        const int state = StateOf(unit.Id);
        if (state < 0)
            continue;
        ++known;
        if (state == DeliveryFailed)
            return ImageDeliveryFailed;
        pending = pending || state == DeliveryPending;
    }
    if (known == 0)
        return ImageRead;
    // A part not yet saved or without a report request leaves the message unconfirmed.
    return pending || known < data.Units.size() ? ImageDeliveryPending : ImageDelivered;
}

void DeliveryStates::Refresh(std::int32_t partId)
{
    if (parts_.isEmpty())
        return;
    if (SmsData* data = sent_.FindById(partId))
        sent_.SetImage(data, ImageOf(*data));
}
