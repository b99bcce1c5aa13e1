#pragma once
// Every exchange with one other party as one conversation, beside the folders and fed by the same
// filing: the Inbox, Sent and Outbox rows, grouped by the other party. A number written with or
// without its international prefix, spaces or dashes is one party; an alphanumeric sender is a
// party of its own. The list shows the newest activity first. A replay gathers the messages out
// of sight and orders them once at its end; a live message costs hash look-ups and a binary
// search in its conversation and in the list. Only a part that joins a message of the last moments
// is looked for from its conversation's newest end.

#include "controller/MessageFolders.h"

#include <QAbstractListModel>
#include <QHash>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// One message of a conversation, with the values it is ordered by.
struct ConversationEntry
{
    SmsData* Data = nullptr;
    Folder Box = Folder::Inbox;
    std::int64_t Day = 0;  // Julian day of its date
    int Second = 0;        // of its time
    std::uint64_t Seq = 0; // filing order: of two messages of one second the later filed is later
    bool Unread = false;
    // Kept here so that naming a conversation reads no message: its number is in international
    // form, its message carries a contact name.
    bool International = false;
    bool Named = false;
};

// Time order: by date, time and filing.
bool EntryBefore(const ConversationEntry& a, const ConversationEntry& b);

// The party a number belongs to: "#" and its trailing digits for a number (the rule the delivery
// matching uses), "@" and the folded text for an alphanumeric sender.
QString ConversationKey(const QString& number);

// Extra roles of ConversationIndex::data.
enum ConversationRole : int {
    ConversationKeyRole = Qt::UserRole + 1, // QString
    ConversationNumberRole,                 // QString: the number shown
    ConversationNameRole,                   // QString: the contact name, or empty
    ConversationPreviewRole,                // QString: the newest message on one line
    ConversationDateTimeRole,               // QString: its date and time, or its Outbox status
    ConversationUnreadRole,                 // int
    ConversationCountRole,                  // int: messages
};

class ConversationIndex : public QAbstractListModel
{
    Q_OBJECT
public:
    struct Conversation
    {
        // What a replay touches for each message, side by side.
        std::vector<ConversationEntry> Entries; // in time order once settled
        bool Sorted = true;
        bool Shown = true; // passes the filter
        int Unread = 0;
        quint64 Code = 0;         // a number's party as an integer; 0 for an alphanumeric sender
        ConversationEntry Latest; // the newest entry as the list is ordered by
        QString Key;
        QString Number;
        QString Name;
    };

    explicit ConversationIndex(MessageFolders& folders, QObject* parent = nullptr);
    ~ConversationIndex() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Every conversation, shown or filtered out.
    int Count() const { return static_cast<int>(byKey_.size()); }
    const Conversation* At(int row) const;
    const Conversation* Find(const QString& key) const;
    // The row of a conversation in the list; -1 when filtered out or unknown.
    int RowOf(const QString& key) const;
    // The conversation a listed message belongs to, or null.
    const Conversation* Of(const SmsData* data) const;
    // The messages of a conversation in time order; empty for an unknown key.
    const std::vector<ConversationEntry>& Thread(const QString& key);
    // The values a listed message is ordered by in its thread, or null.
    const ConversationEntry* EntryOf(const SmsData* data) const;

    // Narrows the list to conversations whose name, number or a message contains text (case
    // folded; a number also by its digits alone). Empty: every conversation.
    void SetFilter(const QString& text);
    const QString& Filter() const { return filter_; }
    bool Gathering() const { return bulk_; }

Q_SIGNALS:
    // A message came, went or changed in a conversation (not while a replay gathers).
    void EntryAdded(const QString& key, const ConversationEntry& entry);
    void EntryRemoved(const QString& key, const ConversationEntry& entry);
    void EntryUpdated(const QString& key, const ConversationEntry& entry);
    // Every conversation anew: after a replay or after the folders were emptied.
    void Rebuilt();
    // Contact names were given again.
    void NamesChanged();

private:
    void Added(Folder box, SmsData* data);
    void Updated(Folder box, SmsData* data);
    void Removing(Folder box, SmsData* data);
    void Rebuild();
    void BeginGathering();
    void EndGathering();
    void FinishGathering();
    struct Pending
    {
        quint64 Code = 0;
        std::uint64_t RowSeq = 0; // its folder row's arrival number
        ConversationEntry Entry;  // Data null: removed while gathered
    };
    // Where a folder's gathered messages lie in gathered_, by their rows' arrival.
    struct GatheredBox
    {
        std::vector<std::uint32_t> At;
        bool Ordered = true;
    };
    // A message gathered by the replay so far, or null.
    Pending* Gathered(Folder box, const SmsData* data);
    void ClearGathered();
    // A message's entry in its conversation, or null.
    const ConversationEntry* Locate(const Conversation& conv, const SmsData* data) const;
    void ApplyNames();
    // row: the message's folder row, or null when it has none.
    ConversationEntry MakeEntry(Folder box, SmsData* data, const FolderModel::Row* row,
                                const ConversationEntry* before) const;
    // The party of a number as an integer: its trailing digits, or a code given to the sender.
    quint64 PartyCode(const QString& number);
    Conversation& ConversationOf(quint64 code, const QString& number);
    // Puts its entries in order and recounts a conversation gathered by a replay.
    void Settle(Conversation& conv);
    void Recount(Conversation& conv);
    void Adopt(Conversation& conv, const ConversationEntry& entry);
    bool Matches(const Conversation& conv) const;
    bool EntryMatches(const ConversationEntry& entry) const;
    // Keeps the list in order after a change of conv: wasRow its row before, -1 when not listed.
    void Place(Conversation& conv, int wasRow);
    int RowSearch(const Conversation& conv) const;
    void Drop(Conversation& conv, int wasRow);
    void RebuildRows();

    MessageFolders& folders_;
    QHash<QString, std::shared_ptr<Conversation>> byKey_;
    QHash<quint64, Conversation*> byCode_;
    QHash<QString, quint64> senderCodes_; // alphanumeric senders by key
    std::vector<Pending> gathered_;       // what a replay filed so far, in filing order
    GatheredBox gatheredBy_[3];           // Inbox, Sent, Outbox
    std::vector<Conversation*> rows_;     // the list: shown conversations, newest activity first
    QString filter_;
    QString filterDigits_;
    std::uint64_t nextSeq_ = 0;
    bool bulk_ = false;
};
