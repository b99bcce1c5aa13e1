#include "Rows.h"

#include "controller/ConversationExport.h"
#include "controller/ConversationIndex.h"
#include "controller/ConversationThread.h"
#include "controller/Csv.h"
#include "controller/DeliveryStates.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <random>

// Lists print as text when a comparison fails.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

// The folders with an index and a thread over them, both checked by the model tester: a row
// signal that does not fit the contents aborts the run.
struct Rig
{
    Rig()
        : Index(Folders),
          Thread(Index, Folders),
          IndexTester(&Index, QAbstractItemModelTester::FailureReportingMode::Fatal),
          ThreadTester(&Thread, QAbstractItemModelTester::FailureReportingMode::Fatal)
    { }
    SmsData* Add(Folder box, const Msg& m, int image = ImageRead) { return AddMsg(Folders.Model(box), m, true, image); }
    QStringList Rows() const
    {
        QStringList rows;
        for (int i = 0; i < Index.rowCount(); ++i)
            rows << Index.index(i).data().toString();
        return rows;
    }
    // The thread as "D:date" and "R/S/O:text" rows.
    QStringList ThreadRows() const
    {
        QStringList rows;
        for (int i = 0; i < Thread.rowCount(); ++i) {
            const QModelIndex at = Thread.index(i);
            static const char* const kinds[] = {"D", "R", "S", "O"};
            rows << QString::fromLatin1(kinds[at.data(ThreadKindRole).toInt()]) + QLatin1Char(':') +
                        at.data().toString();
        }
        return rows;
    }
    int Unread(const QString& number) const
    {
        const auto* conv = Index.Find(ConversationKey(number));
        return conv ? conv->Unread : -1;
    }

    MessageFolders Folders;
    ConversationIndex Index;
    ConversationThread Thread;
    QAbstractItemModelTester IndexTester;
    QAbstractItemModelTester ThreadTester;
};

Msg M(int id, const char* number, const char* date, const char* time, const char* text)
{
    Msg m;
    m.Id = id;
    m.Number = QString::fromUtf8(number);
    m.Date = QString::fromLatin1(date);
    m.Time = QString::fromLatin1(time);
    m.Text = QString::fromUtf8(text);
    return m;
}

TEST(ConversationKey, NumbersOfOnePartyAreOneConversationAndSendersTheirOwn)
{
    struct Case
    {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"+49 170 1234567", "0170-1234567", true},
        {"+491701234567", "0049 170 1234567", true},
        {"+49 (0) 170 123 45 67", "01701234567", true},
        {"+491701234567", "+491701234568", false},
        {"1234", "+1234", true},
        {"1234", "12345", false},
        {"0123", "123", false},                              // a leading zero is a digit
        {"+49\u00a0170\t1234567", "0170 1234567", true},     // any blank
        {"+49 170 123456789012", "+44 1 23456789012", true}, // beyond the compared digits
        {"VODAFONE", "Vodafone", true},
        {"My Bank", "my  bank", true},
        {"Bank24", "24", false},
        {"123456789A", "123456789", false},
        {"", "0", false},
        {"+", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConversationKey(QString::fromUtf8(c.a)) == ConversationKey(QString::fromUtf8(c.b)), c.same)
            << c.a << " / " << c.b << ": " << qPrintable(ConversationKey(QString::fromUtf8(c.a))) << " "
            << qPrintable(ConversationKey(QString::fromUtf8(c.b)));
}

// A conversation's messages and the delivery reports about them name their party alike.
TEST(ConversationKey, NumbersKeepTheTrailingDigitsTheDeliveryMatchingKeeps)
{
    for (const char* number : {"+491701234567", "0170 123-4567", "(0170) 1234567", "12345", "+1", " 0049 1701234567 "})
        EXPECT_EQ(ConversationKey(QString::fromLatin1(number)),
                  QLatin1Char('#') + DeliveryNumberKey(QString::fromLatin1(number)))
            << number;
}

TEST(ConversationIndex, GroupsTheExchangedMessagesByPartyNewestActivityFirst)
{
    Rig r;
    r.Add(Folder::Inbox, M(1, "+491701234567", "01.03.2024", "10:00:00", "hello"));
    r.Add(Folder::Sent, M(2, "01701234567", "01.03.2024", "10:05:00", "hi back"));
    r.Add(Folder::Inbox, M(3, "INFO", "02.03.2024", "08:00:00", "offer"));
    r.Add(Folder::Inbox, M(4, "+15550100", "28.02.2024", "23:59:59", "old"));
    // Not exchanged: never a conversation.
    r.Add(Folder::Drafts, M(5, "+4400000001", "05.03.2024", "10:00:00", "draft"));
    r.Add(Folder::Templates, M(6, "+4400000002", "", "", "template"));
    r.Add(Folder::Reports, M(7, "+4400000003", "05.03.2024", "10:00:00", "Delivered"));

    EXPECT_EQ(r.Rows(), QStringList({"INFO", "+491701234567", "+15550100"}));
    EXPECT_EQ(r.Index.Count(), 3);
    const QModelIndex party = r.Index.index(1);
    EXPECT_EQ(party.data(ConversationCountRole).toInt(), 2);
    EXPECT_EQ(party.data(ConversationPreviewRole).toString(), "hi back");
    EXPECT_EQ(party.data(ConversationDateTimeRole).toString(), "01.03.2024 10:05:00");
    EXPECT_EQ(party.data(ConversationNumberRole).toString(), "+491701234567"); // the international form

    r.Thread.Show(party.data(ConversationKeyRole).toString());
    EXPECT_EQ(r.ThreadRows(), QStringList({"D:01.03.2024", "R:hello", "S:hi back"}));
    EXPECT_EQ(r.Thread.Messages(), 2);
}

TEST(ConversationIndex, ANewMessageMovesItsConversationUpAndJoinsItsThread)
{
    Rig r;
    r.Add(Folder::Inbox, M(1, "+15550101", "01.03.2024", "10:00:00", "a1"));
    r.Add(Folder::Inbox, M(2, "+15550102", "01.03.2024", "11:00:00", "b1"));
    r.Add(Folder::Inbox, M(3, "+15550103", "01.03.2024", "12:00:00", "c1"));
    ASSERT_EQ(r.Rows(), QStringList({"+15550103", "+15550102", "+15550101"}));
    r.Thread.Show(ConversationKey("+15550101"));
    QSignalSpy moved(&r.Index, &QAbstractItemModel::rowsMoved);

    struct Step
    {
        Folder box;
        Msg m;
        QStringList rows;
        QStringList thread;
    };
    const Step steps[] = {
        {Folder::Sent,
         M(4, "15550101", "02.03.2024", "09:00:00", "a2"),
         {"+15550101", "+15550103", "+15550102"},
         {"D:01.03.2024", "R:a1", "D:02.03.2024", "S:a2"}},
        // Older than the newest: the list keeps its order, the thread takes it in its place.
        {Folder::Inbox,
         M(5, "+15550101", "01.03.2024", "10:30:00", "a0"),
         {"+15550101", "+15550103", "+15550102"},
         {"D:01.03.2024", "R:a1", "R:a0", "D:02.03.2024", "S:a2"}},
        {Folder::Inbox,
         M(6, "+15550102", "03.03.2024", "07:00:00", "b2"),
         {"+15550102", "+15550101", "+15550103"},
         {"D:01.03.2024", "R:a1", "R:a0", "D:02.03.2024", "S:a2"}},
        // Same second as an older one: the later filed comes after it. The newest international
        // form names the party.
        {Folder::Sent,
         M(7, "+1 555 0101", "02.03.2024", "09:00:00", "a3"),
         {"+15550102", "+1 555 0101", "+15550103"},
         {"D:01.03.2024", "R:a1", "R:a0", "D:02.03.2024", "S:a2", "S:a3"}},
        {Folder::Inbox,
         M(8, "NEWS", "04.03.2024", "07:00:00", "n1"),
         {"NEWS", "+15550102", "+1 555 0101", "+15550103"},
         {"D:01.03.2024", "R:a1", "R:a0", "D:02.03.2024", "S:a2", "S:a3"}},
    };
    for (const Step& step : steps) {
        r.Add(step.box, step.m);
        EXPECT_EQ(r.Rows(), step.rows) << step.m.Id;
        EXPECT_EQ(r.ThreadRows(), step.thread) << step.m.Id;
    }
    // Moves are moves, so that a view keeps its selection.
    EXPECT_GE(moved.count(), 2);
}

TEST(ConversationIndex, UnreadCountsFollowTheInboxImages)
{
    Rig r;
    SmsData* a = r.Add(Folder::Inbox, M(1, "+15550101", "01.03.2024", "10:00:00", "a"), ImageUnread);
    SmsData* b = r.Add(Folder::Inbox, M(2, "+15550101", "01.03.2024", "10:01:00", "b"), ImageUnread);
    r.Add(Folder::Inbox, M(3, "+15550101", "01.03.2024", "10:02:00", "c"), ImageRead);
    r.Add(Folder::Sent, M(4, "+15550101", "01.03.2024", "10:03:00", "d"), ImageRead);
    SmsData* other = r.Add(Folder::Inbox, M(5, "+15550102", "01.03.2024", "10:04:00", "e"), ImageUnread);
    FolderModel& inbox = r.Folders.Model(Folder::Inbox);

    struct Step
    {
        SmsData* data;
        int image;
        int first, second;
    };
    const Step steps[] = {
        {nullptr, 0, 2, 1},       {a, ImageRead, 1, 1}, {a, ImageRead, 1, 1},
        {other, ImageRead, 1, 0}, {b, ImageRead, 0, 0}, {a, ImageUnread, 1, 0},
    };
    for (const Step& s : steps) {
        if (s.data)
            inbox.SetImage(s.data, s.image);
        EXPECT_EQ(r.Unread("+15550101"), s.first);
        EXPECT_EQ(r.Unread("+15550102"), s.second);
        EXPECT_EQ(r.Index.index(r.Index.RowOf(ConversationKey("+15550101"))).data(ConversationUnreadRole).toInt(),
                  s.first);
    }
}

TEST(ConversationIndex, DeletesTakeMessagesDayRowsAndEmptyConversationsAway)
{
    Rig r;
    SmsData* a1 = r.Add(Folder::Inbox, M(1, "+15550101", "01.03.2024", "10:00:00", "a1"), ImageUnread);
    SmsData* a2 = r.Add(Folder::Sent, M(2, "+15550101", "02.03.2024", "10:00:00", "a2"));
    SmsData* a3 = r.Add(Folder::Inbox, M(3, "+15550101", "02.03.2024", "11:00:00", "a3"));
    SmsData* b1 = r.Add(Folder::Inbox, M(4, "+15550102", "01.03.2024", "12:00:00", "b1"));
    r.Thread.Show(ConversationKey("+15550101"));
    ASSERT_EQ(r.Rows(), QStringList({"+15550101", "+15550102"}));

    struct Step
    {
        Folder box;
        SmsData* data;
        QStringList rows;
        QStringList thread;
        int unread;
    };
    const Step steps[] = {
        // The newest goes: the conversation falls behind the other one.
        {Folder::Sent, a2, {"+15550101", "+15550102"}, {"D:01.03.2024", "R:a1", "D:02.03.2024", "R:a3"}, 1},
        {Folder::Inbox, a3, {"+15550102", "+15550101"}, {"D:01.03.2024", "R:a1"}, 1},
        {Folder::Inbox, a1, {"+15550102"}, {}, -1},
        {Folder::Inbox, b1, {}, {}, -1},
    };
    for (const Step& s : steps) {
        r.Folders.Model(s.box).Remove(s.data);
        EXPECT_EQ(r.Rows(), s.rows);
        EXPECT_EQ(r.ThreadRows(), s.thread);
        EXPECT_EQ(r.Unread("+15550101"), s.unread);
    }
    EXPECT_EQ(r.Index.Count(), 0);
}

TEST(ConversationIndex, ContactNamesRenameConversationsAndAreSearched)
{
    Rig r;
    r.Add(Folder::Inbox, M(1, "+15550101", "01.03.2024", "10:00:00", "lunch at noon?"));
    r.Add(Folder::Sent, M(2, "1 555-0101", "01.03.2024", "10:01:00", "yes"));
    r.Add(Folder::Inbox, M(3, "+15550102", "01.03.2024", "10:02:00", "Meeting moved"));
    r.Add(Folder::Inbox, M(4, "ALERTS", "01.03.2024", "10:03:00", "code 4711"));
    QSignalSpy names(&r.Index, &ConversationIndex::NamesChanged);

    r.Folders.SetNames([](const QString& number) {
        return number == "+15550101"   ? QStringLiteral("Ann")
               : number == "+15550102" ? QStringLiteral("Bob")
                                       : QString();
    });
    EXPECT_GE(names.count(), 1);
    EXPECT_EQ(r.Rows(), QStringList({"ALERTS", "Bob", "Ann"}));

    struct Case
    {
        const char* filter;
        QStringList rows;
    };
    const Case cases[] = {
        {"ann", {"Ann"}},                 // name, any case
        {"555-0102", {"Bob"}},            // number by its digits
        {"+1555", {"Bob", "Ann"}},        // number as written
        {"MEETING", {"Bob"}},             // text
        {"4711", {"ALERTS"}},             // text that looks like a number
        {"nobody", {}},                   //
        {"  ", {"ALERTS", "Bob", "Ann"}}, // blank: everything
    };
    for (const Case& c : cases) {
        r.Index.SetFilter(QString::fromUtf8(c.filter));
        EXPECT_EQ(r.Rows(), c.rows) << c.filter;
    }
    // A rename while filtered: the list follows the names.
    r.Index.SetFilter("Anna");
    EXPECT_EQ(r.Rows(), QStringList());
    r.Folders.SetNames([](const QString& number) { return number.endsWith("0101") ? "Anna" : QString(); });
    EXPECT_EQ(r.Rows(), QStringList({"Anna"}));
    // A new message that matches shows its conversation at once; one that does not, not.
    r.Index.SetFilter("party");
    r.Add(Folder::Inbox, M(5, "+15550102", "02.03.2024", "10:00:00", "no"));
    EXPECT_EQ(r.Rows(), QStringList());
    r.Add(Folder::Inbox, M(6, "+15550102", "02.03.2024", "10:01:00", "party tonight"));
    EXPECT_EQ(r.Rows(), QStringList({"+15550102"}));
}

TEST(ConversationIndex, AJoinedPartThatChangesTheTimeMovesTheMessage)
{
    Rig r;
    Msg part2 = M(1, "+15550101", "01.03.2024", "10:00:05", "world");
    part2.Reference = 7;
    part2.PartsTotal = 2;
    part2.PartNumber = 2;
    SmsData* joined = r.Add(Folder::Inbox, part2);
    r.Add(Folder::Sent, M(2, "+15550101", "01.03.2024", "10:00:03", "between"));
    r.Thread.Show(ConversationKey("+15550101"));
    ASSERT_EQ(r.ThreadRows(), QStringList({"D:01.03.2024", "S:between", "R:world"}));

    joined->AddUnit(3, "+15550101", 2, 1, 7, QString(), "10:00:01", "01.03.2024", "hello ");
    r.Folders.Model(Folder::Inbox).Changed(joined);
    EXPECT_EQ(r.ThreadRows(), QStringList({"D:01.03.2024", "R:hello world", "S:between"}));
    EXPECT_EQ(r.Thread.index(1).data(ThreadPartsRole).toInt(), 2);
    EXPECT_EQ(r.Thread.RowOf(joined), 1);
}

// A replay gathers out of sight and ends with the same list and threads as messages filed one
// by one, whatever the order they come in.
TEST(ConversationIndex, AReplayEndsWithTheListThatLiveFilingGives)
{
    std::mt19937 random(4711);
    std::vector<std::pair<Folder, Msg>> messages;
    const char* parties[] = {"+4917000000%1", "017000000%1", "SHOP%1"};
    for (int i = 0; i < 300; ++i) {
        const int party = static_cast<int>(random() % 7);
        Msg m = M(i + 1, "", "", "", "");
        m.Number = QString::fromLatin1(parties[random() % 3]).arg(party);
        m.Date = QStringLiteral("%1.03.2024").arg(1 + random() % 28, 2, 10, QLatin1Char('0'));
        m.Time = QStringLiteral("10:%1:00").arg(random() % 60, 2, 10, QLatin1Char('0'));
        m.Text = QStringLiteral("m%1").arg(i);
        messages.push_back({random() % 2 ? Folder::Inbox : Folder::Sent, m});
    }
    // A quarter in, party 5 gets a name; halfway, it loses it and party 3 gets one for its home form.
    auto nameOf = [](int stage) {
        return [stage](const QString& number) {
            if (number == "0170000003" && stage == 1)
                return QStringLiteral("Carl");
            return number.endsWith("05") && stage == 0 ? QStringLiteral("Eve") : QString();
        };
    };
    Rig live;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (i == messages.size() / 4 || i == messages.size() / 2)
            live.Folders.SetNames(nameOf(i == messages.size() / 2));
        live.Add(messages[i].first, messages[i].second, messages[i].second.Id % 5 == 0 ? ImageUnread : ImageRead);
    }

    Rig replay;
    replay.Folders.BeginBulk();
    for (std::size_t i = 0; i < messages.size(); ++i) {
        if (i == messages.size() / 4 || i == messages.size() / 2)
            replay.Folders.SetNames(nameOf(i == messages.size() / 2));
        replay.Add(messages[i].first, messages[i].second, messages[i].second.Id % 5 == 0 ? ImageUnread : ImageRead);
        EXPECT_EQ(replay.Index.rowCount(), 0);
    }
    QSignalSpy rebuilt(&replay.Index, &ConversationIndex::Rebuilt);
    replay.Folders.EndBulk();
    EXPECT_EQ(rebuilt.count(), 1);

    ASSERT_EQ(replay.Rows(), live.Rows());
    EXPECT_TRUE(live.Rows().contains("Carl"));
    EXPECT_FALSE(live.Rows().contains("Eve"));
    EXPECT_EQ(live.Index.Count(), 14); // 7 numbers in two forms are 7 parties, and 7 shops
    for (int row = 0; row < live.Index.rowCount(); ++row) {
        const QString key = live.Index.index(row).data(ConversationKeyRole).toString();
        live.Thread.Show(key);
        replay.Thread.Show(key);
        EXPECT_EQ(replay.ThreadRows(), live.ThreadRows()) << qPrintable(key);
        EXPECT_EQ(replay.Index.index(row).data(ConversationUnreadRole),
                  live.Index.index(row).data(ConversationUnreadRole));
    }
}

// Parts that join their message soon or long after, and messages deleted, while a replay gathers:
// the same as when they come one by one.
TEST(ConversationIndex, JoinsAndDeletesDuringAReplayEndLikeLiveFiling)
{
    struct Op
    {
        enum Kind { Add, Join, Remove } kind;
        int id;
        Folder box;
        Msg m;
    };
    std::vector<Op> ops;
    std::mt19937 random(99);
    for (int i = 0; i < 1500; ++i) {
        Msg m = M(i + 1, "", "", "", "");
        m.Number = QStringLiteral("+491700000%1").arg(random() % 9);
        m.Date = QStringLiteral("%1.04.2024").arg(1 + random() % 28, 2, 10, QLatin1Char('0'));
        m.Time = QStringLiteral("12:%1:30").arg(random() % 60, 2, 10, QLatin1Char('0'));
        m.Text = QStringLiteral("p%1").arg(i);
        const Folder box = random() % 2 ? Folder::Inbox : Folder::Sent;
        ops.push_back({Op::Add, i + 1, box, m});
        if (i >= 3 && i % 10 == 3) // a part of a message three before, earlier in its minute
            ops.push_back({Op::Join, i - 2, ops[ops.size() - 4].box, m});
        if (i >= 1400 && i < 1410) // parts of the first messages, long after them
            for (const Op& first : ops)
                if (first.kind == Op::Add && first.id == i - 1399) {
                    ops.push_back({Op::Join, first.id, first.box, m});
                    break;
                }
        if (i % 97 == 50)
            ops.push_back({Op::Remove, i - 20, Folder::Inbox, m});
    }
    auto run = [&](Rig& r, bool bulk) {
        std::map<int, std::pair<Folder, SmsData*>> made;
        if (bulk)
            r.Folders.BeginBulk();
        for (const Op& op : ops) {
            if (op.kind == Op::Add) {
                made[op.id] = {op.box, r.Add(op.box, op.m, op.id % 3 ? ImageRead : ImageUnread)};
                continue;
            }
            auto it = made.find(op.id);
            if (it == made.end())
                continue;
            const auto [box, data] = it->second;
            if (op.kind == Op::Remove) {
                r.Folders.Model(box).Remove(data);
                made.erase(it);
            } else {
                data->AddUnit(100000 + op.m.Id, data->Number, 2, 2, 9, QString(), "00:00:01", data->Date, "+j");
                r.Folders.Model(box).Changed(data);
            }
        }
        if (bulk)
            r.Folders.EndBulk();
    };
    Rig live, replay;
    run(live, false);
    run(replay, true);
    ASSERT_EQ(replay.Rows(), live.Rows());
    for (int row = 0; row < live.Index.rowCount(); ++row) {
        const QString key = live.Index.index(row).data(ConversationKeyRole).toString();
        live.Thread.Show(key);
        replay.Thread.Show(key);
        EXPECT_EQ(replay.ThreadRows(), live.ThreadRows()) << qPrintable(key);
        EXPECT_EQ(replay.Index.Find(key)->Unread, live.Index.Find(key)->Unread) << qPrintable(key);
        // Every message is found by its address after the replay, as after live filing.
        for (int i = 0; i < replay.Thread.rowCount(); ++i) {
            if (SmsData* data = replay.Thread.DataAt(i)) {
                EXPECT_EQ(replay.Thread.RowOf(data), i);
            }
        }
    }
}

TEST(ConversationIndex, EmptiedFoldersKeepTheOutboxConversations)
{
    Rig r;
    r.Add(Folder::Inbox, M(1, "+15550101", "01.03.2024", "10:00:00", "in"));
    r.Add(Folder::Sent, M(2, "+15550102", "01.03.2024", "10:00:00", "out"));
    SmsData* queued = r.Add(Folder::Outbox, M(3, "+15550103", "", "", "waiting"), ImageQueued);
    r.Thread.Show(ConversationKey("+15550101"));
    r.Folders.ClearMessageLists();
    EXPECT_EQ(r.Rows(), QStringList({"+15550103"}));
    EXPECT_EQ(r.ThreadRows(), QStringList());
    r.Folders.Model(Folder::Outbox).SetStatus(queued, "Waiting...");
    EXPECT_EQ(r.Index.index(0).data(ConversationDateTimeRole).toString(), "Waiting...");
}

TEST(ConversationThread, StatesOfSentAndOutboxMessages)
{
    Rig r;
    struct Case
    {
        Folder box;
        int image;
        QString status;
        const char* state;
        bool failed;
        bool retry;
    };
    const Case cases[] = {
        {Folder::Inbox, ImageUnread, {}, "", false, false},
        {Folder::Sent, ImageRead, {}, "", false, false},
        {Folder::Sent, ImageDelivered, {}, "Delivered", false, false},
        {Folder::Sent, ImageDeliveryPending, {}, "Delivery pending", false, false},
        {Folder::Sent, ImageDeliveryFailed, {}, "Not delivered", true, false},
        {Folder::Outbox, ImageQueued, "Waiting...", "Waiting...", false, false},
        {Folder::Outbox, ImageQueued, "Sending...", "Sending...", false, false},
        {Folder::Outbox, ImageError, "Error: Unable to send", "Error: Unable to send", true, true},
    };
    int id = 0;
    for (const Case& c : cases) {
        ++id;
        SmsData* data = r.Add(c.box, M(id, "+15550101", "01.03.2024", "10:00:00", "x"), c.image);
        if (!c.status.isEmpty())
            r.Folders.Model(c.box).SetStatus(data, c.status);
    }
    r.Thread.Show(ConversationKey("+15550101"));
    ASSERT_EQ(r.Thread.rowCount(), 1 + int(std::size(cases)));
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const Case& c = cases[i];
        const QModelIndex at = r.Thread.index(i + 1);
        EXPECT_EQ(at.data(ThreadStateRole).toString(), c.state) << i;
        EXPECT_EQ(at.data(ThreadFailedRole).toBool(), c.failed) << i;
        EXPECT_EQ(at.data(ThreadRetryRole).toBool(), c.retry) << i;
    }
    // A delivery report that comes later shows at once.
    SmsData* sent = r.Thread.DataAt(4);
    QSignalSpy changed(&r.Thread, &QAbstractItemModel::dataChanged);
    r.Folders.Model(Folder::Sent).SetImage(sent, ImageDelivered);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.first().first().value<QModelIndex>().row(), 4);
    EXPECT_EQ(r.Thread.index(4).data(ThreadStateRole).toString(), "Delivered");
}

TEST(ConversationExport, TheThreadAsRecordsAndLines)
{
    Rig r;
    r.Add(Folder::Inbox, M(1, "+15550101", "01.03.2024", "10:00:00", "two\nlines"));
    r.Add(Folder::Sent, M(2, "+15550101", "02.03.2024", "09:00:00", "ok; fine"), ImageDelivered);
    r.Thread.Show(ConversationKey("+15550101"));

    csv::Writer writer(QLatin1Char(';'));
    conversation_export::AddThreadLines(r.Thread, writer);
    const QString text = QString::fromUtf8(writer.Bytes()).remove(QChar(0xFEFF));
    EXPECT_EQ(text, "1;01.03.2024;10:00:00;In;+15550101;\"two\nlines\";\r\n"
                    "2;02.03.2024;09:00:00;Out;+15550101;\"ok; fine\";Delivered\r\n");
    EXPECT_EQ(r.Thread.TextLines("Ann"), QStringList({"01.03.2024", "10:00:00  From Ann: two", "lines", "",
                                                      "02.03.2024", "09:00:00  To Ann (Delivered): ok; fine"}));
}

} // namespace
