#pragma once
// The six message folders as table models. Each row owns one SmsData. Finding a row by part ID
// and the multipart match use hash indexes; a new row goes in at its sorted place; during a bulk
// load rows are gathered and merged in one step, so a replay of many rows never scans a list.

#include "controller/FolderImages.h"
#include "model/Sms.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <QVarLengthArray>
#include <QVariant>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum class Folder { Inbox = 0, Sent = 1, Outbox = 2, Drafts = 3, Templates = 4, Reports = 5 };
inline constexpr int FolderCount = 6;

// Extra roles of FolderModel::data.
enum FolderRole : int {
    ImageRole = Qt::UserRole + 1, // int: the row's image number (column 0)
    DataRole,                     // SmsData* of the row
    UnreadRole,                   // bool, every column: the row is drawn bold and red
};

class FolderModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Row
    {
        std::unique_ptr<SmsData> Data;
        int Image = ImageRead;
        QString Caption;       // the ID column
        QString Status;        // Outbox: the Status column
        std::uint64_t Seq = 0; // arrival order: of two rows equal under the sort key, the earlier is smaller
        std::int64_t Day = 0;  // cached date and time for sort key 2
        int Second = 0;
        std::int64_t IdValue = 0;                    // cached FirstId for sort key 1
        int TextKey = 0;                             // the text key (3, 4 or 6) SortText was made for; 0: none
        QString SortText;                            // case-folded text of TextKey
        mutable int Pos = -1;                        // position among the visible rows when current; -1 while gathered
        QVarLengthArray<std::int32_t, 2> IndexedIds; // the part IDs byId_ knows of this row
        bool Multipart = false;                      // listed in byMultipart_
        std::size_t MultipartHash = 0;               // under this key
    };

    explicit FolderModel(Folder folder, QObject* parent = nullptr);
    ~FolderModel() override;

    Folder Kind() const { return folder_; }
    // Column captions of this folder: "ID", then e.g. "Received", "From", "Message".
    QStringList Captions() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Rows, visible or still gathered by a bulk load.
    int Count() const;
    SmsData* At(int row) const;           // visible rows only
    int RowOf(const SmsData* data) const; // -1 when not visible
    // The first row whose message has a part with this ID.
    SmsData* FindById(std::int32_t id) const;
    // The first row that Matches (number, reference, date) and that takes, when given, accepts.
    SmsData* FindMultipart(const QString& number, std::int32_t reference, const QString& date,
                           const std::function<bool(const SmsData&)>& takes = {}) const;

    // Adds a row. sorted: at its place under the current sort key; otherwise at the end.
    SmsData* Add(std::unique_ptr<SmsData> data, int image, const QString& caption, bool sorted);
    // After AddUnit or SetName on a row's message: indexes and the shown texts follow.
    void Changed(SmsData* data);
    void Remove(SmsData* data);
    void Clear();
    // Every row's contact name from nameOf (its number in, the name or empty out), shown at once;
    // the rows keep their places.
    void SetNames(const std::function<QString(const QString&)>& nameOf);
    // The ID column's caption: "ID" when the IDs are shown, empty when not.
    void SetShowIds(bool show);

    // The row of a message, in sight or gathered, with its cached sort values; null when none.
    const Row* RowFor(const SmsData* data) const { return FindRow(data); }
    int Image(const SmsData* data) const;
    void SetImage(SmsData* data, int image);
    void SetCaption(SmsData* data, const QString& caption);
    QString Caption(const SmsData* data) const;
    void SetStatus(SmsData* data, const QString& status);
    QString Status(const SmsData* data) const;
    // Rows with the unread image, kept as rows change.
    int UnreadCount() const { return unread_; }

    // The signed sort key (magnitude: key, negative: descending).
    int SortKey() const { return sortKey_; }
    void SetSortKey(int key) { sortKey_ = key; }
    // Sorts once by the key and keeps it.
    void SortBy(int key);
    // The key of a column caption: "" or "ID" 1; "Received", "Sent", "Timestamp" 2; "From", "To",
    // "Number" 3, or 6 with contact names; "Status" 5; "Message" 4; anything else 0.
    static int KeyOfCaption(const QString& caption, bool contacts);
    // The sort applied to a column click: the new signed key (same column again reverses).
    static int ClickedKey(int currentKey, int columnKey);

    // Between these, Add gathers rows out of sight; the end merges them in sorted order in one
    // step. Flush merges what is gathered so far without leaving the bulk mode.
    void BeginBulk();
    void Flush();
    void EndBulk();
    bool InBulk() const { return bulk_; }

    // Compares two rows under a signed key: true when a sorts before b. Rows equal under the key
    // compare by arrival (Seq); a descending key is the exact mirror of the ascending one, so of
    // two equal rows the later arrival comes first there.
    static bool Less(const Row& a, const Row& b, int key);

Q_SIGNALS:
    // A row was added, in sight or gathered by a bulk load.
    void RowAdded(SmsData* data);
    // A row's message, image or status changed, in sight or gathered.
    void RowUpdated(SmsData* data);
    // A row is about to go, in sight or gathered.
    void RowRemoving(SmsData* data);
    // Every row went at once.
    void Cleared();
    // SetNames gave every row its name again.
    void NamesSet();

private:
    Row* FindRow(const SmsData* data) const;
    void Index(Row& row);
    void Unindex(const Row& row);
    void CacheSortValues(Row& row) const;
    // Only the text of the current text key: dates and IDs do not change with the key.
    void CacheSortText(Row& row) const;
    QString Cell(const Row& row, int column) const;
    void UnindexId(const Row& row, std::int32_t id);
    void UnindexMultipart(const Row& row);
    const Row* OtherHolder(const Row& row, std::int32_t id) const;
    const Row* OtherMultipart(const Row& row, std::size_t hash) const;
    void RowChanged(const Row& row, int first, int last);
    void RenumberFrom(int first) const;
    void Insert(std::unique_ptr<Row> row, int pos);

    Folder folder_;
    std::vector<std::unique_ptr<Row>> rows_;    // visible, in order
    std::vector<std::unique_ptr<Row>> pending_; // gathered by a bulk load
    QHash<std::int32_t, SmsData*> byId_;
    QHash<std::size_t, SmsData*> byMultipart_; // by MultipartHashOf
    QHash<const SmsData*, Row*> rowOf_;
    // How many rows besides the indexed one hold an ID or a multipart key: only then does a
    // removal look for the next holder.
    QHash<std::int32_t, int> sharedIds_;
    QHash<std::size_t, int> sharedMultipart_;
    mutable int posValid_ = 0; // rows below this position have a current Pos
    int sortKey_ = 0;
    int unread_ = 0;
    bool bulk_ = false;
    bool showIds_ = true;
    std::uint64_t nextSeq_ = 0;
};

// The six folders together, with the tree's counters.
class MessageFolders : public QObject
{
    Q_OBJECT
public:
    explicit MessageFolders(QObject* parent = nullptr);

    FolderModel& Model(Folder folder) { return *models_[static_cast<int>(folder)]; }
    const FolderModel& Model(Folder folder) const { return *models_[static_cast<int>(folder)]; }

    // Folder tree texts: "Inbox (3)", "Outbox (1)", "Sent Items", ...
    QString NodeText(Folder folder) const;
    // The bold state of a node: unread messages, a non-empty Outbox, a report not yet seen.
    bool NodeBold(Folder folder) const;
    void SetReportsSeen(bool seen);
    // Status panel 5's text for the unread count: "You have 2 unread messages", or empty.
    QString UnreadText() const;

    // Recount and show: node 0's text and bold state; returns the unread count.
    int UpdateUnreadCounter();
    // Node 2's text and bold state; returns the Outbox row count.
    int UpdateOutboxCounter();

    // SetNames on all six folders.
    void SetNames(const std::function<QString(const QString&)>& nameOf);
    void SetShowIds(bool show);
    // Empties every folder but Outbox and Templates and resets their node states.
    void ClearMessageLists();
    // Bulk mode of every folder a replay fills: all but the Outbox.
    void BeginBulk();
    void EndBulk();

Q_SIGNALS:
    // A node's text or bold state changed (during a bulk load: once, at its end).
    void NodesChanged();
    // A bulk load merged its rows into the folders.
    void BulkEnded();

private:
    static constexpr std::array<Folder, 5> kReplayed{Folder::Inbox, Folder::Sent, Folder::Drafts, Folder::Templates,
                                                     Folder::Reports};
    void Announce();

    std::array<FolderModel*, FolderCount> models_{};
    int unreadShown_ = 0;
    int outboxShown_ = 0;
    bool reportWaiting_ = false;
    bool bulk_ = false;
    bool announcePending_ = false;
};
