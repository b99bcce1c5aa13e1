#include "controller/ConversationIndex.h"

#include "controller/FolderKeys.h"

#include <QDate>
#include <QTime>

#include <algorithm>

namespace {

constexpr Folder kBoxes[] = {Folder::Inbox, Folder::Sent, Folder::Outbox};

// The list: newest activity first.
bool ListBefore(const ConversationIndex::Conversation* a, const ConversationIndex::Conversation* b)
{
    return EntryBefore(b->Latest, a->Latest);
}

// The separators people write between a number's digits.
bool AsciiNumberChar(char16_t u)
{
    return u == u' ' || u == u'-' || u == u'(' || u == u')' || u == u'.' || u == u'/';
}

bool NumberChar(QChar c)
{
    return c.isDigit() || AsciiNumberChar(c.unicode());
}

// Digits, blanks and separators with at most a leading "+": a number as people write it.
bool IsNumber(const QString& text)
{
    bool digit = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'+' && i == 0)
            continue;
        if (!NumberChar(c) || (c.isDigit() && c.unicode() >= 128))
            return false;
        digit = digit || c.isDigit();
    }
    return digit;
}

QString DigitsOf(const QString& text)
{
    QString digits;
    for (const QChar c : text)
        if (c >= u'0' && c <= u'9')
            digits += c;
    return digits;
}

const std::vector<ConversationEntry> kNoEntries;

} // namespace

bool EntryBefore(const ConversationEntry& a, const ConversationEntry& b)
{
    if (a.Day != b.Day)
        return a.Day < b.Day;
    if (a.Second != b.Second)
        return a.Second < b.Second;
    return a.Seq < b.Seq;
}

namespace {

constexpr int kDigits = 9; // the trailing digits the delivery matching compares
constexpr quint64 kTailModulus = 1000000000;

// A number as people write it, read in one pass: whether it is one, and its trailing digits.
// Every message of a replay passes here, so the digits are kept as one integer.
struct NumberScan
{
    bool Numeric = true;
    int Digits = 0;
    quint64 Tail = 0; // the last kDigits digits

    explicit NumberScan(const QString& number)
    {
        bool plusSeen = false;
        const QChar* text = number.constData();
        for (qsizetype i = 0, size = number.size(); i < size; ++i) {
            const char16_t u = text[i].unicode();
            if (u >= u'0' && u <= u'9') {
                Tail = (Tail * 10 + (u - u'0')) % kTailModulus;
                ++Digits;
            } else if (u == u'+' && Digits == 0 && !plusSeen) {
                plusSeen = true;
            } else if (!AsciiNumberChar(u) && !text[i].isSpace()) {
                Numeric = false;
                return;
            }
        }
        Numeric = Digits > 0;
    }
    int Kept() const { return std::min(Digits, kDigits); }
    // The party as one number: its digits and how many there are ("0123" is not "123"); never 0.
    quint64 Code() const { return Tail | (quint64(Kept()) << 40); }
};

QString KeyOf(const NumberScan& scan, const QString& number)
{
    if (!scan.Numeric)
        return QLatin1Char('@') + number.simplified().toCaseFolded();
    QString key(scan.Kept() + 1, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(key.data());
    out[0] = u'#';
    quint64 tail = scan.Tail;
    for (int i = scan.Kept(); i > 0; --i, tail /= 10)
        out[i] = static_cast<char16_t>(u'0' + tail % 10);
    return key;
}

} // namespace

QString ConversationKey(const QString& number)
{
    return KeyOf(NumberScan(number), number);
}

ConversationIndex::ConversationIndex(MessageFolders& folders, QObject* parent)
    : QAbstractListModel(parent), folders_(folders)
{
    for (const Folder box : kBoxes) {
        FolderModel* model = &folders_.Model(box);
        connect(model, &FolderModel::RowAdded, this, [this, box](SmsData* data) { Added(box, data); });
        connect(model, &FolderModel::RowUpdated, this, [this, box](SmsData* data) { Updated(box, data); });
        connect(model, &FolderModel::RowRemoving, this, [this, box](SmsData* data) { Removing(box, data); });
        connect(model, &FolderModel::Cleared, this, &ConversationIndex::Rebuild);
        connect(model, &FolderModel::NamesSet, this, &ConversationIndex::ApplyNames);
    }
    connect(&folders_, &MessageFolders::BulkEnded, this, &ConversationIndex::EndGathering);
    Rebuild();
}

ConversationIndex::~ConversationIndex() = default;

int ConversationIndex::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ConversationIndex::data(const QModelIndex& index, int role) const
{
    const Conversation* conv = At(index.row());
    if (!index.isValid() || !conv || conv->Entries.empty())
        return QVariant();
    const SmsData* latest = conv->Latest.Data;
    switch (role) {
    case Qt::DisplayRole: return conv->Name.isEmpty() ? conv->Number : conv->Name;
    case ConversationKeyRole: return conv->Key;
    case ConversationNumberRole: return conv->Number;
    case ConversationNameRole: return conv->Name;
    case ConversationPreviewRole: return latest->ListText();
    case ConversationDateTimeRole:
        if (conv->Latest.Box == Folder::Outbox || latest->Date.isEmpty())
            return folders_.Model(Folder::Outbox).Status(latest);
        return latest->DateTime();
    case ConversationUnreadRole: return conv->Unread;
    case ConversationCountRole: return static_cast<int>(conv->Entries.size());
    default: return QVariant();
    }
}

const ConversationIndex::Conversation* ConversationIndex::At(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return nullptr;
    return rows_[static_cast<std::size_t>(row)];
}

const ConversationIndex::Conversation* ConversationIndex::Find(const QString& key) const
{
    const auto it = byKey_.constFind(key);
    return it == byKey_.cend() ? nullptr : it->get();
}

int ConversationIndex::RowOf(const QString& key) const
{
    const Conversation* conv = Find(key);
    return conv && conv->Shown && !conv->Entries.empty() ? RowSearch(*conv) : -1;
}

const ConversationIndex::Conversation* ConversationIndex::Of(const SmsData* data) const
{
    if (!data)
        return nullptr;
    const NumberScan scan(data->Number);
    const quint64 code = scan.Numeric ? scan.Code() : senderCodes_.value(KeyOf(scan, data->Number), 0);
    const Conversation* conv = byCode_.value(code, nullptr);
    return conv && Locate(*conv, data) ? conv : nullptr;
}

const ConversationEntry* ConversationIndex::Locate(const Conversation& conv, const SmsData* data) const
{
    // The folder's row knows the message's date and time: a binary search finds it, unless its
    // time changed since it was placed (a part joined), which only a message of the last moments
    // does; those are looked for from the newest end.
    if (conv.Sorted)
        for (const Folder box : kBoxes)
            if (const FolderModel::Row* row = folders_.Model(box).RowFor(data)) {
                ConversationEntry probe;
                probe.Day = row->Day;
                probe.Second = row->Second;
                auto at = std::lower_bound(conv.Entries.begin(), conv.Entries.end(), probe, EntryBefore);
                for (; at != conv.Entries.end() && at->Day == row->Day && at->Second == row->Second; ++at)
                    if (at->Data == data)
                        return &*at;
                break;
            }
    for (auto it = conv.Entries.rbegin(); it != conv.Entries.rend(); ++it)
        if (it->Data == data)
            return &*it;
    return nullptr;
}

const std::vector<ConversationEntry>& ConversationIndex::Thread(const QString& key)
{
    const auto it = byKey_.constFind(key);
    if (it == byKey_.cend())
        return kNoEntries;
    Settle(**it);
    return (*it)->Entries;
}

const ConversationEntry* ConversationIndex::EntryOf(const SmsData* data) const
{
    const Conversation* conv = Of(data);
    return conv ? Locate(*conv, data) : nullptr;
}

int ConversationIndex::RowSearch(const Conversation& conv) const
{
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), &conv, ListBefore);
    return at != rows_.end() && *at == &conv ? static_cast<int>(at - rows_.begin()) : -1;
}

ConversationEntry ConversationIndex::MakeEntry(Folder box, SmsData* data, const FolderModel::Row* row,
                                               const ConversationEntry* before) const
{
    ConversationEntry entry;
    entry.Data = data;
    entry.Box = box;
    entry.Seq = before ? before->Seq : 0;
    entry.International = data->Number.startsWith(QLatin1Char('+'));
    entry.Named = !data->Name.isEmpty();
    // The folder read the date and time already.
    if (row) {
        entry.Day = row->Day;
        entry.Second = row->Second;
        entry.Unread = box == Folder::Inbox && row->Image == ImageUnread;
    } else {
        if (!FolderKeys::ParseDay(data->Date, entry.Day))
            entry.Day = QDate::currentDate().toJulianDay();
        if (!FolderKeys::ParseSecond(data->Time, entry.Second))
            entry.Second = QTime::currentTime().msecsSinceStartOfDay() / 1000;
    }
    // A message without a date (the Outbox) keeps the moment it was first seen.
    if (before && (data->Date.isEmpty() || data->Time.isEmpty())) {
        entry.Day = before->Day;
        entry.Second = before->Second;
    }
    return entry;
}

quint64 ConversationIndex::PartyCode(const QString& number)
{
    // A number is its own code; an alphanumeric sender is given one, with the top bit set.
    const NumberScan scan(number);
    if (scan.Numeric)
        return scan.Code();
    quint64& code = senderCodes_[KeyOf(scan, number)];
    if (code == 0)
        code = (quint64(1) << 63) | quint64(senderCodes_.size());
    return code;
}

ConversationIndex::Conversation& ConversationIndex::ConversationOf(quint64 code, const QString& number)
{
    if (Conversation* known = byCode_.value(code, nullptr))
        return *known;
    auto conv = std::make_shared<Conversation>();
    conv->Key = ConversationKey(number);
    conv->Code = code;
    byCode_.insert(code, conv.get());
    byKey_.insert(conv->Key, conv);
    return *conv;
}

void ConversationIndex::Adopt(Conversation& conv, const ConversationEntry& entry)
{
    // The international form names the party best; otherwise the newest form.
    const QString& number = entry.Data->Number;
    if (conv.Number.isEmpty() || number.startsWith(QLatin1Char('+')) || !conv.Number.startsWith(QLatin1Char('+')))
        conv.Number = number;
    if (!entry.Data->Name.isEmpty())
        conv.Name = entry.Data->Name;
}

void ConversationIndex::Recount(Conversation& conv)
{
    // As Adopt over every entry would: the newest international number, else the newest number;
    // the newest contact name. Only the chosen messages are read.
    conv.Unread = 0;
    const ConversationEntry* numbered = nullptr;
    const ConversationEntry* named = nullptr;
    for (auto it = conv.Entries.rbegin(); it != conv.Entries.rend(); ++it) {
        conv.Unread += it->Unread;
        if (!numbered || (it->International && !numbered->International))
            numbered = &*it;
        if (!named && it->Named)
            named = &*it;
    }
    conv.Number = numbered ? numbered->Data->Number : QString();
    conv.Name = named ? named->Data->Name : QString();
    if (!conv.Entries.empty())
        conv.Latest = conv.Entries.back();
}

void ConversationIndex::Settle(Conversation& conv)
{
    if (conv.Sorted)
        return;
    // A replay gathers a conversation mostly in time order already.
    if (!std::is_sorted(conv.Entries.begin(), conv.Entries.end(), EntryBefore))
        std::sort(conv.Entries.begin(), conv.Entries.end(), EntryBefore);
    conv.Sorted = true;
    Recount(conv);
}

void ConversationIndex::Added(Folder box, SmsData* data)
{
    if (!data)
        return;
    if (!bulk_ && folders_.Model(Folder::Inbox).InBulk())
        BeginGathering();
    const FolderModel::Row* row = folders_.Model(box).RowFor(data);
    if (bulk_) {
        // Only written down, one after the other: grouped, ordered and indexed once, at the end.
        ConversationEntry entry = MakeEntry(box, data, row, nullptr);
        entry.Seq = nextSeq_++;
        const std::uint64_t rowSeq = row ? row->Seq : 0;
        GatheredBox& by = gatheredBy_[static_cast<int>(box)];
        if (!by.At.empty() && gathered_[by.At.back()].RowSeq > rowSeq)
            by.Ordered = false;
        by.At.push_back(static_cast<std::uint32_t>(gathered_.size()));
        gathered_.push_back(Pending{PartyCode(data->Number), rowSeq, entry});
        return;
    }
    Conversation& conv = ConversationOf(PartyCode(data->Number), data->Number);
    ConversationEntry entry = MakeEntry(box, data, row, nullptr);
    entry.Seq = nextSeq_++;
    Settle(conv);
    const int wasRow = conv.Entries.empty() || !conv.Shown ? -1 : RowSearch(conv);
    conv.Entries.insert(std::upper_bound(conv.Entries.begin(), conv.Entries.end(), entry, EntryBefore), entry);
    conv.Unread += entry.Unread;
    Adopt(conv, entry);
    Place(conv, wasRow);
    Q_EMIT EntryAdded(conv.Key, entry);
}

ConversationIndex::Pending* ConversationIndex::Gathered(Folder box, const SmsData* data)
{
    GatheredBox& by = gatheredBy_[static_cast<int>(box)];
    // Parts mostly join the message just filed.
    constexpr std::size_t kNear = 4;
    for (std::size_t i = 0; i < std::min(by.At.size(), kNear); ++i)
        if (Pending& near = gathered_[by.At[by.At.size() - 1 - i]]; near.Entry.Data == data)
            return &near;
    // Otherwise its row's arrival finds it: the folder gave out arrival numbers in filing order.
    const FolderModel::Row* row = folders_.Model(box).RowFor(data);
    if (!row)
        return nullptr;
    if (!by.Ordered) {
        std::sort(by.At.begin(), by.At.end(),
                  [this](std::uint32_t a, std::uint32_t b) { return gathered_[a].RowSeq < gathered_[b].RowSeq; });
        by.Ordered = true;
    }
    const auto at = std::lower_bound(by.At.begin(), by.At.end(), row->Seq, [this](std::uint32_t at, std::uint64_t seq) {
        return gathered_[at].RowSeq < seq;
    });
    if (at == by.At.end() || gathered_[*at].Entry.Data != data)
        return nullptr;
    return &gathered_[*at];
}

void ConversationIndex::ClearGathered()
{
    std::vector<Pending>().swap(gathered_);
    for (GatheredBox& by : gatheredBy_)
        by = GatheredBox();
}

void ConversationIndex::Updated(Folder box, SmsData* data)
{
    if (bulk_) {
        if (Pending* pending = Gathered(box, data)) {
            pending->Entry = MakeEntry(box, data, folders_.Model(box).RowFor(data), &pending->Entry);
            return;
        }
    }
    auto* conv = const_cast<Conversation*>(Of(data));
    if (!conv)
        return;
    auto* at = const_cast<ConversationEntry*>(Locate(*conv, data));
    if (!at)
        return;
    const ConversationEntry old = *at;
    const ConversationEntry now = MakeEntry(box, data, folders_.Model(box).RowFor(data), &old);
    if (bulk_) {
        // Listed before the replay: its conversation is put in order again at the end.
        *at = now;
        conv->Sorted = false;
        return;
    }
    const int wasRow = conv->Shown ? RowSearch(*conv) : -1;
    conv->Unread += int(now.Unread) - int(old.Unread);
    const bool moved = now.Day != old.Day || now.Second != old.Second;
    if (moved) {
        conv->Entries.erase(conv->Entries.begin() + (at - conv->Entries.data()));
        conv->Entries.insert(std::upper_bound(conv->Entries.begin(), conv->Entries.end(), now, EntryBefore), now);
    } else {
        *at = now;
    }
    Adopt(*conv, now);
    Place(*conv, wasRow);
    if (moved) {
        Q_EMIT EntryRemoved(conv->Key, old);
        Q_EMIT EntryAdded(conv->Key, now);
    } else {
        Q_EMIT EntryUpdated(conv->Key, now);
    }
}

void ConversationIndex::Removing(Folder box, SmsData* data)
{
    if (bulk_) {
        if (Pending* pending = Gathered(box, data)) {
            const ConversationEntry removed = pending->Entry;
            pending->Entry.Data = nullptr; // left out at the end
            Q_EMIT EntryRemoved(ConversationKey(data->Number), removed);
            return;
        }
    }
    auto* conv = const_cast<Conversation*>(Of(data));
    if (!conv)
        return;
    const ConversationEntry* at = Locate(*conv, data);
    if (!at)
        return;
    const ConversationEntry removed = *at;
    const int wasRow = !bulk_ && conv->Shown ? RowSearch(*conv) : -1;
    conv->Entries.erase(conv->Entries.begin() + (at - conv->Entries.data()));
    conv->Unread -= removed.Unread;
    const QString key = conv->Key;
    if (conv->Entries.empty())
        Drop(*conv, wasRow);
    else if (!bulk_)
        Place(*conv, wasRow);
    Q_EMIT EntryRemoved(key, removed);
}

void ConversationIndex::Drop(Conversation& conv, int wasRow)
{
    // Out of the index before the views hear of it; it lives until they did.
    const std::shared_ptr<Conversation> gone = byKey_.take(conv.Key);
    byCode_.remove(conv.Code);
    if (wasRow >= 0) {
        beginRemoveRows(QModelIndex(), wasRow, wasRow);
        rows_.erase(rows_.begin() + wasRow);
        endRemoveRows();
    }
}

void ConversationIndex::Place(Conversation& conv, int wasRow)
{
    conv.Latest = conv.Entries.back();
    conv.Shown = Matches(conv);
    if (!conv.Shown) {
        if (wasRow >= 0) {
            beginRemoveRows(QModelIndex(), wasRow, wasRow);
            rows_.erase(rows_.begin() + wasRow);
            endRemoveRows();
        }
        return;
    }
    if (wasRow < 0) {
        const int row =
            static_cast<int>(std::lower_bound(rows_.begin(), rows_.end(), &conv, ListBefore) - rows_.begin());
        beginInsertRows(QModelIndex(), row, row);
        rows_.insert(rows_.begin() + row, &conv);
        endInsertRows();
        return;
    }
    // Still between its neighbours: it keeps its row.
    const bool beforeNext =
        wasRow + 1 >= static_cast<int>(rows_.size()) || ListBefore(&conv, rows_[static_cast<std::size_t>(wasRow + 1)]);
    const bool afterPrevious = wasRow == 0 || ListBefore(rows_[static_cast<std::size_t>(wasRow - 1)], &conv);
    if (beforeNext && afterPrevious) {
        const QModelIndex shown = index(wasRow, 0);
        Q_EMIT dataChanged(shown, shown);
        return;
    }
    // Its place among the others, found with its old row out of the way.
    rows_.erase(rows_.begin() + wasRow);
    const int row = static_cast<int>(std::lower_bound(rows_.begin(), rows_.end(), &conv, ListBefore) - rows_.begin());
    rows_.insert(rows_.begin() + wasRow, &conv);
    if (row != wasRow) {
        beginMoveRows(QModelIndex(), wasRow, wasRow, QModelIndex(), row > wasRow ? row + 1 : row);
        rows_.erase(rows_.begin() + wasRow);
        rows_.insert(rows_.begin() + row, &conv);
        endMoveRows();
    }
    const QModelIndex shown = index(row, 0);
    Q_EMIT dataChanged(shown, shown);
}

bool ConversationIndex::Matches(const Conversation& conv) const
{
    if (filter_.isEmpty())
        return true;
    if (conv.Name.contains(filter_, Qt::CaseInsensitive) || conv.Number.contains(filter_, Qt::CaseInsensitive))
        return true;
    if (!filterDigits_.isEmpty() && DigitsOf(conv.Number).contains(filterDigits_))
        return true;
    return std::any_of(conv.Entries.begin(), conv.Entries.end(), [this](const ConversationEntry& entry) {
        for (const SmsUnit& unit : entry.Data->Units)
            if (!unit.Duplicate && unit.Text.contains(filter_, Qt::CaseInsensitive))
                return true;
        return false;
    });
}

void ConversationIndex::RebuildRows()
{
    rows_.clear();
    rows_.reserve(byKey_.size());
    for (const std::shared_ptr<Conversation>& conv : std::as_const(byKey_)) {
        Settle(*conv);
        conv->Shown = !conv->Entries.empty() && Matches(*conv);
        if (conv->Shown)
            rows_.push_back(conv.get());
    }
    std::sort(rows_.begin(), rows_.end(), ListBefore);
}

void ConversationIndex::SetFilter(const QString& text)
{
    const QString filter = text.trimmed();
    if (filter == filter_)
        return;
    filter_ = filter;
    filterDigits_ = IsNumber(filter) ? DigitsOf(filter) : QString();
    if (bulk_)
        return;
    beginResetModel();
    RebuildRows();
    endResetModel();
}

void ConversationIndex::BeginGathering()
{
    // The list is out of sight until the replay ends, as the folders' rows are.
    bulk_ = true;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void ConversationIndex::EndGathering()
{
    if (!bulk_)
        return;
    bulk_ = false;
    beginResetModel();
    FinishGathering();
    endResetModel();
    Q_EMIT Rebuilt();
}

void ConversationIndex::FinishGathering()
{
    // Each gathered message to its party, in filing order; every party is put in order once below.
    for (const Pending& pending : gathered_) {
        if (!pending.Entry.Data)
            continue; // removed while gathered
        Conversation& conv = ConversationOf(pending.Code, pending.Entry.Data->Number);
        conv.Entries.push_back(pending.Entry);
        conv.Sorted = false;
    }
    ClearGathered();
    for (const std::shared_ptr<Conversation>& conv : std::as_const(byKey_))
        conv->Entries.shrink_to_fit(); // years of messages: no room left over from growing
    RebuildRows();                     // which puts every conversation in order
}

void ConversationIndex::Rebuild()
{
    beginResetModel();
    rows_.clear();
    byKey_.clear();
    byCode_.clear();
    senderCodes_.clear();
    ClearGathered();
    const bool gathering = bulk_;
    bulk_ = true;
    for (const Folder box : kBoxes) {
        const FolderModel& model = folders_.Model(box);
        for (int row = 0; row < model.rowCount(); ++row)
            Added(box, model.At(row));
    }
    bulk_ = gathering || folders_.Model(Folder::Inbox).InBulk();
    if (!bulk_)
        FinishGathering();
    endResetModel();
    Q_EMIT Rebuilt();
}

void ConversationIndex::ApplyNames()
{
    for (Pending& pending : gathered_)
        if (pending.Entry.Data)
            pending.Entry.Named = !pending.Entry.Data->Name.isEmpty();
    for (const std::shared_ptr<Conversation>& conv : std::as_const(byKey_)) {
        conv->Name.clear();
        for (auto it = conv->Entries.rbegin(); it != conv->Entries.rend(); ++it) {
            it->Named = !it->Data->Name.isEmpty();
            if (it->Named && conv->Name.isEmpty())
                conv->Name = it->Data->Name;
        }
    }
    if (!bulk_) {
        if (filter_.isEmpty()) {
            if (!rows_.empty())
                Q_EMIT dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, 0));
        } else {
            beginResetModel();
            RebuildRows();
            endResetModel();
        }
    }
    Q_EMIT NamesChanged();
}
