#pragma once
// The messages of one conversation as a list: a day row before the first message of each day,
// then the messages in time order, each with the side it is drawn on and its state. It follows
// the conversation index: a message that comes, goes or changes is one row in or out.

#include "controller/ConversationIndex.h"

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

#include <vector>

// Extra roles of ConversationThread::data.
enum ThreadRole : int {
    ThreadKindRole = Qt::UserRole + 1, // int: ConversationThread::Kind
    ThreadDataRole,                    // SmsData*; null on a day row
    ThreadTimeRole,                    // QString: the time, or the date and time in the Outbox
    ThreadStateRole,                   // QString: delivery or Outbox state; empty when there is none
    ThreadFailedRole,                  // bool: not delivered, or failed in the Outbox
    ThreadRetryRole,                   // bool: an Outbox message that can be sent again
    ThreadFlashRole,                   // bool
    ThreadPartsRole,                   // int: the parts the text was joined from
    ThreadUnreadRole,                  // bool
};

class ConversationThread : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Kind { DayKind = 0, ReceivedKind = 1, SentKind = 2, OutboxKind = 3 };

    ConversationThread(ConversationIndex& index, MessageFolders& folders, QObject* parent = nullptr);

    // Shows the conversation of this key; an empty or unknown key shows nothing.
    void Show(const QString& key);
    const QString& Key() const { return key_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // A message row opens its text for selecting (the view's editor is read-only).
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    SmsData* DataAt(int row) const;
    Folder BoxAt(int row) const;
    Kind KindAt(int row) const;
    // The row of a message, or -1.
    int RowOf(const SmsData* data) const;
    // Messages shown (day rows not counted).
    int Messages() const { return messages_; }
    // The text of a message as drawn: its parts joined, line breaks kept.
    static QString TextOf(const SmsData& data);
    // The state words of a message row.
    QString StateOf(int row) const;

    // The thread as lines for a text file or a printout: a line for each day, then for each
    // message "time  From/To name: text" with its line breaks as lines of their own.
    QStringList TextLines(const QString& party) const;

private:
    struct Row
    {
        ConversationEntry Entry; // a day row: Data null, Second -1
        bool IsDay() const { return Entry.Data == nullptr; }
    };
    static Row DayRow(std::int64_t day);
    int Find(const ConversationEntry& entry) const;
    void EntryAdded(const QString& key, const ConversationEntry& entry);
    void EntryRemoved(const QString& key, const ConversationEntry& entry);
    void EntryUpdated(const QString& key, const ConversationEntry& entry);

    ConversationIndex& index_;
    MessageFolders& folders_;
    QString key_;
    std::vector<Row> rows_;
    int messages_ = 0;
};
