#include "controller/ConversationThread.h"

#include "controller/FolderImages.h"

#include <QDate>

#include <algorithm>

namespace {

bool RowBefore(const ConversationEntry& a, const ConversationEntry& b)
{
    return EntryBefore(a, b);
}

} // namespace

ConversationThread::ConversationThread(ConversationIndex& index, MessageFolders& folders, QObject* parent)
    : QAbstractListModel(parent), index_(index), folders_(folders)
{
    connect(&index_, &ConversationIndex::EntryAdded, this, &ConversationThread::EntryAdded);
    connect(&index_, &ConversationIndex::EntryRemoved, this, &ConversationThread::EntryRemoved);
    connect(&index_, &ConversationIndex::EntryUpdated, this, &ConversationThread::EntryUpdated);
    connect(&index_, &ConversationIndex::Rebuilt, this, [this] { Show(key_); });
    connect(&index_, &ConversationIndex::NamesChanged, this, [this] {
        if (!rows_.empty())
            Q_EMIT dataChanged(this->index(0, 0), this->index(static_cast<int>(rows_.size()) - 1, 0));
    });
}

ConversationThread::Row ConversationThread::DayRow(std::int64_t day)
{
    Row row;
    row.Entry.Day = day;
    row.Entry.Second = -1;
    return row;
}

void ConversationThread::Show(const QString& key)
{
    beginResetModel();
    key_ = key;
    rows_.clear();
    messages_ = 0;
    if (!key.isEmpty()) {
        const std::vector<ConversationEntry>& entries = index_.Thread(key);
        rows_.reserve(entries.size() + entries.size() / 8 + 1);
        for (const ConversationEntry& entry : entries) {
            if (rows_.empty() || rows_.back().Entry.Day != entry.Day)
                rows_.push_back(DayRow(entry.Day));
            rows_.push_back(Row{entry});
        }
        messages_ = static_cast<int>(entries.size());
    }
    endResetModel();
}

int ConversationThread::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

SmsData* ConversationThread::DataAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return nullptr;
    return rows_[static_cast<std::size_t>(row)].Entry.Data;
}

Folder ConversationThread::BoxAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return Folder::Inbox;
    return rows_[static_cast<std::size_t>(row)].Entry.Box;
}

ConversationThread::Kind ConversationThread::KindAt(int row) const
{
    if (!DataAt(row))
        return DayKind;
    switch (BoxAt(row)) {
    case Folder::Sent: return SentKind;
    case Folder::Outbox: return OutboxKind;
    default: return ReceivedKind;
    }
}

int ConversationThread::Find(const ConversationEntry& entry) const
{
    const Row probe{entry};
    auto at = std::lower_bound(rows_.begin(), rows_.end(), probe,
                               [](const Row& a, const Row& b) { return RowBefore(a.Entry, b.Entry); });
    if (at != rows_.end() && at->Entry.Data == entry.Data)
        return static_cast<int>(at - rows_.begin());
    at = std::find_if(rows_.begin(), rows_.end(), [&entry](const Row& r) { return r.Entry.Data == entry.Data; });
    return at == rows_.end() ? -1 : static_cast<int>(at - rows_.begin());
}

int ConversationThread::RowOf(const SmsData* data) const
{
    const ConversationIndex::Conversation* conv = index_.Of(data);
    const ConversationEntry* entry = index_.EntryOf(data);
    if (!conv || !entry || conv->Key != key_)
        return -1;
    return Find(*entry);
}

void ConversationThread::EntryAdded(const QString& key, const ConversationEntry& entry)
{
    if (key != key_)
        return;
    const Row row{entry};
    auto less = [](const Row& a, const Row& b) { return RowBefore(a.Entry, b.Entry); };
    const int at = static_cast<int>(std::upper_bound(rows_.begin(), rows_.end(), row, less) - rows_.begin());
    const Row day = DayRow(entry.Day);
    const auto dayAt = std::lower_bound(rows_.begin(), rows_.end(), day, less);
    const bool hasDay = dayAt != rows_.end() && dayAt->IsDay() && dayAt->Entry.Day == entry.Day;
    ++messages_;
    if (hasDay) {
        beginInsertRows(QModelIndex(), at, at);
        rows_.insert(rows_.begin() + at, row);
        endInsertRows();
        return;
    }
    beginInsertRows(QModelIndex(), at, at + 1);
    rows_.insert(rows_.begin() + at, {day, row});
    endInsertRows();
}

void ConversationThread::EntryRemoved(const QString& key, const ConversationEntry& entry)
{
    if (key != key_)
        return;
    const int at = Find(entry);
    if (at < 0)
        return;
    --messages_;
    // Its day row goes with the day's last message.
    const bool dayBefore = at > 0 && rows_[static_cast<std::size_t>(at - 1)].IsDay();
    const bool dayEnds = at + 1 >= static_cast<int>(rows_.size()) || rows_[static_cast<std::size_t>(at + 1)].IsDay();
    const int first = dayBefore && dayEnds ? at - 1 : at;
    beginRemoveRows(QModelIndex(), first, at);
    rows_.erase(rows_.begin() + first, rows_.begin() + at + 1);
    endRemoveRows();
}

void ConversationThread::EntryUpdated(const QString& key, const ConversationEntry& entry)
{
    if (key != key_)
        return;
    const int at = Find(entry);
    if (at < 0)
        return;
    rows_[static_cast<std::size_t>(at)].Entry = entry;
    const QModelIndex changed = index(at, 0);
    Q_EMIT dataChanged(changed, changed);
}

Qt::ItemFlags ConversationThread::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (DataAt(index.row()))
        flags |= Qt::ItemIsEditable;
    return flags;
}

QString ConversationThread::TextOf(const SmsData& data)
{
    QString text;
    for (const SmsUnit& unit : data.Units)
        if (!unit.Duplicate)
            text += unit.Text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

QString ConversationThread::StateOf(int row) const
{
    const SmsData* data = DataAt(row);
    if (!data)
        return QString();
    switch (BoxAt(row)) {
    case Folder::Sent: return DeliveryText(folders_.Model(Folder::Sent).Image(data));
    case Folder::Outbox: {
        const FolderModel& outbox = folders_.Model(Folder::Outbox);
        const QString status = outbox.Status(data);
        if (outbox.Image(data) == ImageError)
            return status.isEmpty() ? QStringLiteral("Failed") : status;
        return status.isEmpty() ? QStringLiteral("Waiting...") : status;
    }
    default: return QString();
    }
}

QVariant ConversationThread::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= static_cast<int>(rows_.size()))
        return QVariant();
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    const SmsData* data = row.Entry.Data;
    if (!data) {
        if (role == Qt::DisplayRole)
            return QDate::fromJulianDay(row.Entry.Day).toString(QStringLiteral("dd.MM.yyyy"));
        if (role == ThreadKindRole)
            return int(DayKind);
        return QVariant();
    }
    switch (role) {
    case Qt::DisplayRole: return TextOf(*data);
    case ThreadKindRole: return int(KindAt(index.row()));
    case ThreadDataRole: return QVariant::fromValue(row.Entry.Data);
    case ThreadTimeRole: return row.Entry.Box == Folder::Outbox ? data->DateTime().trimmed() : data->Time;
    case ThreadStateRole: return StateOf(index.row());
    case ThreadFailedRole:
        if (row.Entry.Box == Folder::Outbox)
            return folders_.Model(Folder::Outbox).Image(data) == ImageError;
        return row.Entry.Box == Folder::Sent && folders_.Model(Folder::Sent).Image(data) == ImageDeliveryFailed;
    case ThreadRetryRole:
        return row.Entry.Box == Folder::Outbox && folders_.Model(Folder::Outbox).Image(data) == ImageError;
    case ThreadFlashRole:
        return data->Flash || std::any_of(data->Units.begin(), data->Units.end(),
                                          [](const SmsUnit& u) { return u.Place == SmsPlace::ShownOnly; });
    case ThreadPartsRole:
        return static_cast<int>(
            std::count_if(data->Units.begin(), data->Units.end(), [](const SmsUnit& u) { return !u.Duplicate; }));
    case ThreadUnreadRole: return row.Entry.Unread;
    default: return QVariant();
    }
}

QStringList ConversationThread::TextLines(const QString& party) const
{
    QStringList lines;
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        const Row& row = rows_[static_cast<std::size_t>(i)];
        if (row.IsDay()) {
            if (!lines.isEmpty())
                lines << QString();
            lines << QDate::fromJulianDay(row.Entry.Day).toString(QStringLiteral("dd.MM.yyyy"));
            continue;
        }
        const SmsData& data = *row.Entry.Data;
        const bool received = row.Entry.Box == Folder::Inbox;
        QString head = (received ? QStringLiteral("From ") : QStringLiteral("To ")) + party;
        const QString state = StateOf(i);
        if (!state.isEmpty())
            head += QStringLiteral(" (") + state + QLatin1Char(')');
        const QStringList text = TextOf(data).split(QLatin1Char('\n'));
        lines << data.Time + QStringLiteral("  ") + head + QStringLiteral(": ") + text.value(0);
        for (qsizetype t = 1; t < text.size(); ++t)
            lines << text[t];
    }
    return lines;
}
