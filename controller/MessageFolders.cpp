#include "controller/MessageFolders.h"

#include "controller/FolderKeys.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace {

// What a column shows.
enum class Cell { Id, DateTime, Name, Message, Status };

struct Column
{
    const char* Caption;
    Cell Shows;
};

struct Layout
{
    int Count;
    Column Columns[4];
};

constexpr Layout Layouts[FolderCount] = {
    {4, {{"ID", Cell::Id}, {"Received", Cell::DateTime}, {"From", Cell::Name}, {"Message", Cell::Message}}},
    {4, {{"ID", Cell::Id}, {"Sent", Cell::DateTime}, {"To", Cell::Name}, {"Message", Cell::Message}}},
    {4, {{"ID", Cell::Id}, {"Status", Cell::Status}, {"To", Cell::Name}, {"Message", Cell::Message}}},
    {3, {{"ID", Cell::Id}, {"To", Cell::Name}, {"Message", Cell::Message}, {}}},
    {3, {{"ID", Cell::Id}, {"To", Cell::Name}, {"Message", Cell::Message}, {}}},
    // A report's text is its status text.
    {4, {{"ID", Cell::Id}, {"Number", Cell::Name}, {"Timestamp", Cell::DateTime}, {"Status", Cell::Message}}},
};

const Layout& LayoutOf(Folder folder)
{
    return Layouts[static_cast<int>(folder)];
}

} // namespace

using namespace FolderKeys;

FolderModel::FolderModel(Folder folder, QObject* parent) : QAbstractTableModel(parent), folder_(folder)
{
    if (folder == Folder::Inbox || folder == Folder::Sent || folder == Folder::Reports)
        sortKey_ = -2; // newest first
}

FolderModel::~FolderModel() = default;

QStringList FolderModel::Captions() const
{
    QStringList captions;
    const Layout& layout = LayoutOf(folder_);
    for (int i = 0; i < layout.Count; ++i)
        captions << QString::fromLatin1(layout.Columns[i].Caption);
    return captions;
}

int FolderModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FolderModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : LayoutOf(folder_).Count;
}

QString FolderModel::Cell(const Row& row, int column) const
{
    const SmsData& data = *row.Data;
    switch (LayoutOf(folder_).Columns[column].Shows) {
    case ::Cell::Id: return row.Caption;
    case ::Cell::DateTime: return data.DateTime();
    case ::Cell::Name: return data.DisplayName(false);
    case ::Cell::Message: return data.ListText();
    case ::Cell::Status: return row.Status;
    }
    return QString();
}

QVariant FolderModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= static_cast<int>(rows_.size()) || index.column() < 0 ||
        index.column() >= LayoutOf(folder_).Count)
        return QVariant();
    const Row& row = *rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole: return Cell(row, index.column());
    case ImageRole: return index.column() == 0 ? QVariant(row.Image) : QVariant();
    case Qt::ToolTipRole: {
        const QString tip = index.column() == 0 ? DeliveryText(row.Image) : QString();
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    case DataRole: return QVariant::fromValue(row.Data.get());
    // Every folder draws a row with the unread image in bold red: the drawing looks at the image only.
    case UnreadRole: return row.Image == ImageUnread;
    default: return QVariant();
    }
}

QVariant FolderModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const Layout& layout = LayoutOf(folder_);
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < layout.Count)
        return section == 0 && !showIds_ ? QString() : QString::fromLatin1(layout.Columns[section].Caption);
    return QAbstractTableModel::headerData(section, orientation, role);
}

int FolderModel::Count() const
{
    return static_cast<int>(rows_.size() + pending_.size());
}

SmsData* FolderModel::At(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return nullptr;
    return rows_[static_cast<std::size_t>(row)]->Data.get();
}

FolderModel::Row* FolderModel::FindRow(const SmsData* data) const
{
    return rowOf_.value(data, nullptr);
}

void FolderModel::RenumberFrom(int first) const
{
    for (std::size_t i = static_cast<std::size_t>(std::max(first, 0)); i < rows_.size(); ++i)
        rows_[i]->Pos = static_cast<int>(i);
    posValid_ = static_cast<int>(rows_.size());
}

int FolderModel::RowOf(const SmsData* data) const
{
    const Row* row = FindRow(data);
    if (!row || row->Pos < 0)
        return -1;
    // Positions go stale from an insertion or removal on; they are renumbered when next asked.
    if (row->Pos < posValid_)
        return row->Pos;
    if (row->Pos < static_cast<int>(rows_.size()) && rows_[static_cast<std::size_t>(row->Pos)].get() == row)
        return row->Pos;
    RenumberFrom(posValid_);
    return row->Pos;
}

SmsData* FolderModel::FindById(std::int32_t id) const
{
    return byId_.value(id, nullptr);
}

SmsData* FolderModel::FindMultipart(const QString& number, std::int32_t reference, const QString& date,
                                    const std::function<bool(const SmsData&)>& takes) const
{
    const std::size_t hash = MultipartHashOf(number, reference, date);
    SmsData* first = byMultipart_.value(hash, nullptr);
    if (!first)
        return nullptr;
    if (first->Matches(number, reference, date) && (!takes || takes(*first)))
        return first;
    if (!sharedMultipart_.contains(hash))
        return nullptr;
    // Another key of the same hash, or another message of the same key, holds the slot.
    const Row* best = nullptr;
    for (const auto* rows : {&rows_, &pending_})
        for (const auto& row : *rows)
            if (row->Multipart && row->MultipartHash == hash && (!best || row->Seq < best->Seq) &&
                row->Data->Matches(number, reference, date) && (!takes || takes(*row->Data)))
                best = row.get();
    return best ? best->Data.get() : nullptr;
}

void FolderModel::CacheSortValues(Row& row) const
{
    const SmsData& data = *row.Data;
    bool ok = false;
    row.IdValue = data.FirstId().toLongLong(&ok);
    if (!ok)
        row.IdValue = 0;
    // A date or time that does not read counts as now, fixed when cached so that the order stays
    // consistent. Dates compare by whole days.
    if (!ParseDay(data.Date, row.Day))
        row.Day = QDate::currentDate().toJulianDay();
    if (!ParseSecond(data.Time, row.Second))
        row.Second = QTime::currentTime().msecsSinceStartOfDay() / 1000;
    CacheSortText(row);
}

void FolderModel::CacheSortText(Row& row) const
{
    const int textKey = TextKeyOf(std::abs(sortKey_));
    row.TextKey = textKey;
    row.SortText = SortTextOf(*row.Data, textKey);
}

bool FolderModel::Less(const Row& a, const Row& b, int key)
{
    if (!KnownKey(key))
        return a.Seq < b.Seq;
    if (key < 0)
        return Less(b, a, -key);
    switch (key) {
    case 1:
        if (a.IdValue != b.IdValue)
            return a.IdValue < b.IdValue;
        break;
    case 2:
        if (a.Day != b.Day)
            return a.Day < b.Day;
        if (a.Second != b.Second)
            return a.Second < b.Second;
        break;
    default: {
        const int textKey = TextKeyOf(key);
        // The cached texts are compared in place; only a row cached under another key makes one.
        QString made[2];
        const QString& ta = a.TextKey == textKey ? a.SortText : (made[0] = SortTextOf(*a.Data, textKey));
        const QString& tb = b.TextKey == textKey ? b.SortText : (made[1] = SortTextOf(*b.Data, textKey));
        const int c = ta.compare(tb);
        if (c != 0)
            return c < 0;
        break;
    }
    }
    return a.Seq < b.Seq;
}

const FolderModel::Row* FolderModel::OtherHolder(const Row& row, std::int32_t id) const
{
    const Row* best = nullptr;
    auto look = [&](const std::vector<std::unique_ptr<Row>>& rows) {
        for (const auto& other : rows)
            if (other.get() != &row && (!best || other->Seq < best->Seq) && other->IndexedIds.contains(id))
                best = other.get();
    };
    look(rows_);
    look(pending_);
    return best;
}

const FolderModel::Row* FolderModel::OtherMultipart(const Row& row, std::size_t hash) const
{
    const Row* best = nullptr;
    auto look = [&](const std::vector<std::unique_ptr<Row>>& rows) {
        for (const auto& other : rows)
            if (other.get() != &row && (!best || other->Seq < best->Seq) && other->Multipart &&
                other->MultipartHash == hash)
                best = other.get();
    };
    look(rows_);
    look(pending_);
    return best;
}

void FolderModel::Index(Row& row)
{
    SmsData* data = row.Data.get();
    QVarLengthArray<std::int32_t, 2> ids;
    for (const SmsUnit& unit : data->Units)
        if (!ids.contains(unit.Id))
            ids.append(unit.Id);
    for (std::int32_t id : row.IndexedIds)
        if (!ids.contains(id))
            UnindexId(row, id);
    QVarLengthArray<std::int32_t, 2> kept;
    for (std::int32_t id : ids) {
        if (!row.IndexedIds.contains(id)) {
            SmsData*& first = byId_[id]; // one look-up; the index never holds a null
            if (!first)
                first = data;
            else if (first != data)
                ++sharedIds_[id];
        }
        kept.append(id);
    }
    row.IndexedIds = kept;

    const bool multipart = data->Reference != 0 || data->PartsTotal > 0;
    const std::size_t hash = multipart ? MultipartHashOf(data->Number, data->Reference, data->Date) : 0;
    if (multipart == row.Multipart && hash == row.MultipartHash)
        return;
    UnindexMultipart(row);
    row.Multipart = multipart;
    row.MultipartHash = hash;
    if (!multipart)
        return;
    SmsData*& first = byMultipart_[hash];
    if (!first)
        first = data;
    else if (first != data)
        ++sharedMultipart_[hash];
}

void FolderModel::UnindexId(const Row& row, std::int32_t id)
{
    auto shared = sharedIds_.find(id);
    auto it = byId_.find(id);
    if (it != byId_.end() && it.value() == row.Data.get()) {
        if (shared == sharedIds_.end()) {
            byId_.erase(it);
            return;
        }
        if (const Row* next = OtherHolder(row, id))
            it.value() = next->Data.get();
        else
            byId_.erase(it);
    }
    if (shared != sharedIds_.end() && --shared.value() <= 0)
        sharedIds_.erase(shared);
}

void FolderModel::UnindexMultipart(const Row& row)
{
    if (!row.Multipart)
        return;
    const std::size_t key = row.MultipartHash;
    auto shared = sharedMultipart_.find(key);
    auto it = byMultipart_.find(key);
    if (it != byMultipart_.end() && it.value() == row.Data.get()) {
        if (shared == sharedMultipart_.end()) {
            byMultipart_.erase(it);
            return;
        }
        if (const Row* next = OtherMultipart(row, key))
            it.value() = next->Data.get();
        else
            byMultipart_.erase(it);
    }
    if (shared != sharedMultipart_.end() && --shared.value() <= 0)
        sharedMultipart_.erase(shared);
}

void FolderModel::Unindex(const Row& row)
{
    for (std::int32_t id : row.IndexedIds)
        UnindexId(row, id);
    UnindexMultipart(row);
}

void FolderModel::Insert(std::unique_ptr<Row> row, int pos)
{
    beginInsertRows(QModelIndex(), pos, pos);
    row->Pos = pos;
    rows_.insert(rows_.begin() + pos, std::move(row));
    posValid_ = std::min(posValid_, pos);
    endInsertRows();
}

SmsData* FolderModel::Add(std::unique_ptr<SmsData> data, int image, const QString& caption, bool sorted)
{
    if (!data)
        return nullptr;
    auto row = std::make_unique<Row>();
    row->Data = std::move(data);
    row->Image = image;
    row->Caption = caption;
    row->Seq = nextSeq_++;
    CacheSortValues(*row);
    Index(*row);
    SmsData* added = row->Data.get();
    rowOf_.insert(added, row.get());
    if (image == ImageUnread)
        ++unread_;

    if (bulk_) {
        pending_.push_back(std::move(row));
    } else {
        auto at = rows_.end();
        if (sorted && KnownKey(sortKey_)) {
            const int key = sortKey_;
            at = std::upper_bound(
                rows_.begin(), rows_.end(), row,
                [key](const std::unique_ptr<Row>& a, const std::unique_ptr<Row>& b) { return Less(*a, *b, key); });
        }
        Insert(std::move(row), static_cast<int>(at - rows_.begin()));
    }
    Q_EMIT RowAdded(added);
    return added;
}

void FolderModel::RowChanged(const Row& row, int first, int last)
{
    if (row.Pos < 0)
        return;
    const int pos = RowOf(row.Data.get());
    Q_EMIT dataChanged(index(pos, first), index(pos, last));
}

void FolderModel::Changed(SmsData* data)
{
    Row* row = FindRow(data);
    if (!row)
        return;
    // The row keeps its place: a part joining a message does not move it.
    CacheSortValues(*row);
    Index(*row);
    RowChanged(*row, 0, columnCount() - 1);
    Q_EMIT RowUpdated(data);
}

void FolderModel::SetNames(const std::function<QString(const QString&)>& nameOf)
{
    for (auto* list : {&rows_, &pending_})
        for (auto& row : *list) {
            row->Data->SetName(nameOf(row->Data->Number));
            CacheSortValues(*row);
        }
    if (!rows_.empty())
        Q_EMIT dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, columnCount() - 1));
    Q_EMIT NamesSet();
}

void FolderModel::Remove(SmsData* data)
{
    Row* row = FindRow(data);
    if (!row)
        return;
    Q_EMIT RowRemoving(data);
    const int pos = RowOf(data);
    Unindex(*row);
    rowOf_.remove(data);
    if (row->Image == ImageUnread)
        --unread_;
    if (pos < 0) {
        auto it = std::find_if(pending_.begin(), pending_.end(), [row](const auto& r) { return r.get() == row; });
        pending_.erase(it);
        return;
    }
    beginRemoveRows(QModelIndex(), pos, pos);
    rows_.erase(rows_.begin() + pos);
    posValid_ = std::min(posValid_, pos);
    endRemoveRows();
}

void FolderModel::Clear()
{
    beginResetModel();
    rows_.clear();
    pending_.clear();
    byId_.clear();
    byMultipart_.clear();
    sharedIds_.clear();
    sharedMultipart_.clear();
    rowOf_.clear();
    unread_ = 0;
    posValid_ = 0;
    endResetModel();
    Q_EMIT Cleared();
}

int FolderModel::Image(const SmsData* data) const
{
    const Row* row = FindRow(data);
    return row ? row->Image : -1;
}

void FolderModel::SetImage(SmsData* data, int image)
{
    Row* row = FindRow(data);
    if (!row || row->Image == image)
        return;
    unread_ += (image == ImageUnread) - (row->Image == ImageUnread);
    row->Image = image;
    // Font and colour change with the image in every column.
    RowChanged(*row, 0, columnCount() - 1);
    Q_EMIT RowUpdated(data);
}

void FolderModel::SetCaption(SmsData* data, const QString& caption)
{
    Row* row = FindRow(data);
    if (!row || row->Caption == caption)
        return;
    row->Caption = caption;
    RowChanged(*row, 0, 0);
}

QString FolderModel::Caption(const SmsData* data) const
{
    const Row* row = FindRow(data);
    return row ? row->Caption : QString();
}

void FolderModel::SetStatus(SmsData* data, const QString& status)
{
    Row* row = FindRow(data);
    if (!row || row->Status == status)
        return;
    row->Status = status;
    const Layout& layout = LayoutOf(folder_);
    for (int column = 0; column < layout.Count; ++column)
        if (layout.Columns[column].Shows == ::Cell::Status)
            RowChanged(*row, column, column);
    Q_EMIT RowUpdated(data);
}

QString FolderModel::Status(const SmsData* data) const
{
    const Row* row = FindRow(data);
    return row ? row->Status : QString();
}

void FolderModel::SortBy(int key)
{
    sortKey_ = key;
    if (!KnownKey(key))
        return;
    // Only rows cached under another text key make their text again: the same column clicked
    // again only reverses.
    const int textKey = TextKeyOf(std::abs(key));
    const bool recache = textKey != 0;
    if (recache)
        for (auto& row : pending_)
            if (row->TextKey != textKey)
                CacheSortText(*row);

    // A layout change keeps the views' selection and current row on their rows.
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    std::vector<const Row*> held;
    held.reserve(static_cast<std::size_t>(persistent.size()));
    for (const QModelIndex& index : persistent)
        held.push_back(rows_[static_cast<std::size_t>(index.row())].get());
    if (recache)
        for (auto& row : rows_)
            if (row->TextKey != textKey)
                CacheSortText(*row);
    SortRows(rows_, 0, key);
    RenumberFrom(0);
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (qsizetype i = 0; i < persistent.size(); ++i)
        moved << index(held[static_cast<std::size_t>(i)]->Pos, persistent[i].column());
    changePersistentIndexList(persistent, moved);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int FolderModel::KeyOfCaption(const QString& caption, bool contacts)
{
    if (caption.isEmpty() || caption == QLatin1String("ID"))
        return 1;
    if (caption == QLatin1String("Received") || caption == QLatin1String("Sent") ||
        caption == QLatin1String("Timestamp"))
        return 2;
    if (caption == QLatin1String("From") || caption == QLatin1String("To") || caption == QLatin1String("Number"))
        return contacts ? 6 : 3;
    if (caption == QLatin1String("Status"))
        return 5;
    if (caption == QLatin1String("Message"))
        return 4;
    return 0;
}

int FolderModel::ClickedKey(int currentKey, int columnKey)
{
    if (columnKey != currentKey && columnKey != -currentKey)
        return columnKey;
    return -currentKey;
}

void FolderModel::BeginBulk()
{
    bulk_ = true;
}

void FolderModel::Flush()
{
    if (pending_.empty())
        return;
    beginResetModel();
    const int key = sortKey_;
    const auto visible = static_cast<std::ptrdiff_t>(rows_.size());
    std::move(pending_.begin(), pending_.end(), std::back_inserter(rows_));
    pending_.clear();
    if (KnownKey(key)) {
        // The key may have been set without a sort since the rows were cached.
        const int textKey = TextKeyOf(std::abs(key));
        for (auto& row : rows_)
            if (row->TextKey != textKey)
                CacheSortValues(*row);
        auto less = [key](const std::unique_ptr<Row>& a, const std::unique_ptr<Row>& b) { return Less(*a, *b, key); };
        SortRows(rows_, static_cast<std::size_t>(visible), key);
        std::inplace_merge(rows_.begin(), rows_.begin() + visible, rows_.end(), less);
    }
    RenumberFrom(0);
    endResetModel();
}

void FolderModel::EndBulk()
{
    Flush();
    bulk_ = false;
}

MessageFolders::MessageFolders(QObject* parent) : QObject(parent)
{
    for (int i = 0; i < FolderCount; ++i)
        models_[static_cast<std::size_t>(i)] = new FolderModel(static_cast<Folder>(i), this);
    connect(&Model(Folder::Reports), &FolderModel::RowAdded, this, [this] {
        if (!reportWaiting_) {
            reportWaiting_ = true;
            Announce();
        }
    });
}

QString MessageFolders::NodeText(Folder folder) const
{
    switch (folder) {
    case Folder::Inbox:
        return unreadShown_ > 0 ? QStringLiteral("Inbox (%1)").arg(unreadShown_) : QStringLiteral("Inbox");
    case Folder::Sent: return QStringLiteral("Sent Items");
    case Folder::Outbox:
        return outboxShown_ > 0 ? QStringLiteral("Outbox (%1)").arg(outboxShown_) : QStringLiteral("Outbox");
    case Folder::Drafts: return QStringLiteral("Drafts");
    case Folder::Templates: return QStringLiteral("Templates");
    case Folder::Reports: return QStringLiteral("Reports");
    }
    return QString();
}

bool MessageFolders::NodeBold(Folder folder) const
{
    switch (folder) {
    case Folder::Inbox: return unreadShown_ > 0;
    case Folder::Outbox: return outboxShown_ > 0;
    case Folder::Reports: return reportWaiting_;
    default: return false;
    }
}

void MessageFolders::SetReportsSeen(bool seen)
{
    if (reportWaiting_ == !seen)
        return;
    reportWaiting_ = !seen;
    Announce();
}

QString MessageFolders::UnreadText() const
{
    if (unreadShown_ <= 0)
        return QString();
    return QStringLiteral("You have %1 unread message").arg(unreadShown_) +
           (unreadShown_ > 1 ? QStringLiteral("s") : QString());
}

int MessageFolders::UpdateUnreadCounter()
{
    const int n = Model(Folder::Inbox).UnreadCount();
    if (n != unreadShown_) {
        unreadShown_ = n;
        Announce();
    }
    return n;
}

int MessageFolders::UpdateOutboxCounter()
{
    const int n = Model(Folder::Outbox).Count();
    if (n != outboxShown_) {
        outboxShown_ = n;
        Announce();
    }
    return n;
}

void MessageFolders::SetNames(const std::function<QString(const QString&)>& nameOf)
{
    for (FolderModel* model : models_)
        model->SetNames(nameOf);
}

void MessageFolders::SetShowIds(bool show)
{
    for (FolderModel* model : models_)
        model->SetShowIds(show);
}

void FolderModel::SetShowIds(bool show)
{
    if (show == showIds_)
        return;
    showIds_ = show;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, 0);
}

void MessageFolders::ClearMessageLists()
{
    // The Outbox is kept: its messages exist nowhere else, and a part in flight still needs its
    // row when its completion comes.
    for (Folder folder : {Folder::Inbox, Folder::Sent, Folder::Drafts, Folder::Reports})
        Model(folder).Clear();
    if (unreadShown_ != 0 || reportWaiting_) {
        unreadShown_ = 0;
        reportWaiting_ = false;
        Announce();
    }
}

void MessageFolders::BeginBulk()
{
    bulk_ = true;
    // A replay never fills the Outbox, and a message queued meanwhile must be sendable at once.
    for (Folder folder : kReplayed)
        Model(folder).BeginBulk();
}

void MessageFolders::EndBulk()
{
    for (Folder folder : kReplayed)
        Model(folder).EndBulk();
    bulk_ = false;
    Q_EMIT BulkEnded();
    if (announcePending_) {
        announcePending_ = false;
        Q_EMIT NodesChanged();
    }
}

void MessageFolders::Announce()
{
    if (bulk_)
        announcePending_ = true;
    else
        Q_EMIT NodesChanged();
}
