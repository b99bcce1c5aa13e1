#include "Rows.h"

#include <QDate>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

namespace {

QString DayFromToday(int days)
{
    return QDate::currentDate().addDays(days).toString("dd.MM.yyyy");
}

// Rows arrive in the listed order (captions "1", "2", ...); ascending is the expected order of
// the captions under the key, descending must be its exact reverse.
struct SortCase
{
    const char* Name;
    int Key;
    std::vector<Msg> Rows;
    QStringList Ascending;
};

std::vector<Msg> Numbered(std::vector<Msg> rows)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].Id = static_cast<int>(i + 1);
        if (rows[i].Ids.isEmpty())
            rows[i].Ids = QString::number(i + 1);
    }
    return rows;
}

Msg At(const QString& date, const QString& time)
{
    Msg m;
    m.Date = date;
    m.Time = time;
    return m;
}

Msg WithIds(const QString& ids)
{
    Msg m;
    m.Ids = ids;
    return m;
}

Msg WithNumber(const QString& number)
{
    Msg m;
    m.Number = number;
    return m;
}

Msg WithText(const QString& text)
{
    Msg m;
    m.Text = text;
    return m;
}

Msg WithName(const QString& number, const QString& name)
{
    Msg m;
    m.Number = number;
    m.Name = name;
    return m;
}

std::vector<SortCase> SortCases()
{
    return {
        {"IdAsNumber",
         1,
         {WithIds("10"), WithIds("9"), WithIds("x7"), WithIds("2/30"), WithIds("abc")},
         {"x7", "abc", "2/30", "9", "10"}},
        {"IdEqualKeepsArrival", 1, {WithIds("5/6"), WithIds("5"), WithIds("4")}, {"4", "5/6", "5"}},
        {"DateBeforeTime",
         2,
         {At("01.02.2024", "10:00:00"), At("31.01.2024", "23:59:59"), At("01.02.2024", "09:00:00"),
          At("05.01.2023", "12:00:00")},
         {"4", "2", "3", "1"}},
        {"TimeWithOneDigitHour", 2, {At("01.02.2024", "10:00:00"), At("01.02.2024", "9:30:00")}, {"2", "1"}},
        {"EqualDateTimeFirstIsSmaller",
         2,
         {At("01.02.2024", "10:00:00"), At("01.02.2024", "10:00:00"), At("01.02.2024", "10:00:00")},
         {"1", "2", "3"}},
        {"InvalidDateCountsAsToday",
         2,
         {At("not a date", "12:00:00"), At(DayFromToday(2), "00:00:00"), At(DayFromToday(-2), "23:59:59"),
          At("31.02.2024", "12:00:00"), At("01.01.2001", "00:00:00")},
         {"5", "3", "1", "4", "2"}},
        {"InvalidTimeCountsAsNow",
         2,
         {At(DayFromToday(0), "later"), At(DayFromToday(0), "00:00:00"), At(DayFromToday(-1), "25:00:00")},
         {"3", "2", "1"}},
        {"NumberIgnoresCase", 3, {WithNumber("b123"), WithNumber("A999"), WithNumber("a100")}, {"3", "2", "1"}},
        {"MessageIgnoresCase", 4, {WithText("beta"), WithText("Alpha"), WithText("alpha2")}, {"2", "3", "1"}},
        {"MessageBeyondItsFirstWords",
         4,
         {WithText("The meeting is at 10, room B"), WithText("the meeting is at 10, room a"),
          WithText("The meeting is at 1")},
         {"3", "2", "1"}},
        {"MessageCyrillicCase", 4, {WithText("Яблоко"), WithText("апельсин"), WithText("Банан")}, {"2", "3", "1"}},
        {"MessageLineBreakIsABlank", 4, {WithText("a\nc"), WithText("a b"), WithText("a d")}, {"2", "1", "3"}},
        {"StatusIsTheText", 5, {WithText("Delivered"), WithText("accepted"), WithText("Failed")}, {"2", "1", "3"}},
        {"NameOrNumber",
         6,
         {WithName("+3", "zed"), WithName("+2", ""), WithName("+1", "Bob"), WithName("+0", "alice")},
         {"2", "4", "3", "1"}},
    };
}

class SortKeys : public ::testing::TestWithParam<SortCase>
{ };

TEST_P(SortKeys, SortByAndSortedInsertAgree)
{
    const SortCase& c = GetParam();
    const std::vector<Msg> rows = Numbered(c.Rows);
    QStringList descending = c.Ascending;
    std::reverse(descending.begin(), descending.end());

    for (const int key : {c.Key, -c.Key}) {
        const QStringList& expected = key > 0 ? c.Ascending : descending;
        // Drafts start unsorted, so the rows sit in arrival order until sorted.
        Checked sorted(Folder::Drafts);
        for (const Msg& m : rows)
            AddMsg(sorted.Model, m, true);
        sorted.Model.SortBy(key);
        EXPECT_EQ(CaptionsInOrder(sorted.Model), expected) << "SortBy " << key;

        Checked inserted(Folder::Drafts);
        inserted.Model.SetSortKey(key);
        for (const Msg& m : rows)
            AddMsg(inserted.Model, m, true);
        EXPECT_EQ(CaptionsInOrder(inserted.Model), expected) << "sorted inserts under " << key;
        for (int i = 0; i < inserted.Model.rowCount(); ++i)
            EXPECT_EQ(inserted.Model.RowOf(inserted.Model.At(i)), i);
    }
}

INSTANTIATE_TEST_SUITE_P(FolderModel, SortKeys, ::testing::ValuesIn(SortCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(FolderModel, KeyZeroOrUnknownKeepsOrder)
{
    const std::vector<Msg> rows = Numbered({WithNumber("c"), WithNumber("a"), WithNumber("b")});
    for (const int key : {0, 7, -9}) {
        Checked f(Folder::Outbox);
        f.Model.SetSortKey(key);
        for (const Msg& m : rows)
            AddMsg(f.Model, m, true);
        EXPECT_EQ(CaptionsInOrder(f.Model), (QStringList{"1", "2", "3"})) << key;
        f.Model.SortBy(3);
        f.Model.SortBy(key);
        EXPECT_EQ(CaptionsInOrder(f.Model), (QStringList{"2", "3", "1"})) << "a key that sorts nothing moves nothing";
        EXPECT_EQ(f.Model.SortKey(), key);
    }
}

TEST(FolderModel, UnsortedAddAppends)
{
    Checked f(Folder::Inbox);
    const std::vector<Msg> rows =
        Numbered({At("01.02.2024", "10:00:00"), At("03.02.2024", "10:00:00"), At("02.02.2024", "10:00:00")});
    for (const Msg& m : rows)
        AddMsg(f.Model, m, false);
    EXPECT_EQ(CaptionsInOrder(f.Model), (QStringList{"1", "2", "3"}));
}

TEST(FolderModel, LessIsAStrictWeakOrderUnderEveryKey)
{
    std::mt19937 random(7);
    std::vector<FolderModel::Row> rows(25);
    const QStringList texts{"a", "B", "b", "", "c"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Msg m;
        m.Number = texts[random() % 5];
        m.Text = texts[random() % 5];
        m.Name = texts[random() % 5];
        m.Ids = QString::number(random() % 3);
        rows[i].Data = MakeSms(m);
        rows[i].Seq = i;
        rows[i].Day = random() % 2;
        rows[i].Second = random() % 2;
        rows[i].IdValue = m.Ids.toLongLong();
    }
    for (int key = -7; key <= 7; ++key) {
        for (const auto& a : rows) {
            EXPECT_FALSE(FolderModel::Less(a, a, key));
            for (const auto& b : rows) {
                if (&a == &b)
                    continue;
                const bool ab = FolderModel::Less(a, b, key);
                EXPECT_NE(ab, FolderModel::Less(b, a, key)) << "two rows are never equal, key " << key;
                if (key >= 1 && key <= 6) {
                    EXPECT_EQ(FolderModel::Less(a, b, -key), !ab) << "descending mirrors ascending";
                }
                for (const auto& c : rows) {
                    if (ab && FolderModel::Less(b, c, key)) {
                        ASSERT_TRUE(FolderModel::Less(a, c, key)) << "transitive under " << key;
                    }
                }
            }
        }
    }
}

TEST(FolderModel, InitialKeys)
{
    const std::pair<Folder, int> expected[] = {{Folder::Inbox, -2}, {Folder::Sent, -2},     {Folder::Outbox, 0},
                                               {Folder::Drafts, 0}, {Folder::Templates, 0}, {Folder::Reports, -2}};
    for (const auto& [folder, key] : expected)
        EXPECT_EQ(FolderModel(folder).SortKey(), key) << static_cast<int>(folder);
}

TEST(FolderModel, KeyOfCaption)
{
    struct Case
    {
        const char* Caption;
        int Plain;
        int WithContacts;
    };
    const Case cases[] = {{"", 1, 1},          {"ID", 1, 1},      {"Received", 2, 2}, {"Sent", 2, 2},
                          {"Timestamp", 2, 2}, {"From", 3, 6},    {"To", 3, 6},       {"Number", 3, 6},
                          {"Status", 5, 5},    {"Message", 4, 4}, {"message", 0, 0},  {"Date", 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(FolderModel::KeyOfCaption(c.Caption, false), c.Plain) << c.Caption;
        EXPECT_EQ(FolderModel::KeyOfCaption(c.Caption, true), c.WithContacts) << c.Caption;
    }
}

TEST(FolderModel, ClickedKey)
{
    struct Case
    {
        int Current, Column, Expected;
    };
    const Case cases[] = {
        {-2, 2, 2},  // the start order is newest first: a click on the date sorts ascending
        {2, 2, -2},  // the same column again reverses
        {-2, 3, 3},  // another column sorts it ascending
        {3, -3, -3}, // the key's negative counts as the same column
        {0, 4, 4},   {4, 5, 5}, {2, 0, 0}, {0, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FolderModel::ClickedKey(c.Current, c.Column), c.Expected) << c.Current << " " << c.Column;

    // Two clicks on the Inbox's "Received" after the start: ascending, then descending.
    int key = FolderModel(Folder::Inbox).SortKey();
    key = FolderModel::ClickedKey(key, FolderModel::KeyOfCaption("Received", false));
    EXPECT_EQ(key, 2);
    key = FolderModel::ClickedKey(key, FolderModel::KeyOfCaption("Received", false));
    EXPECT_EQ(key, -2);
}

TEST(FolderModel, ColumnsAndCells)
{
    struct Case
    {
        Folder Kind;
        QStringList Captions;
        QStringList Cells;
    };
    const Case cases[] = {
        {Folder::Inbox, {"ID", "Received", "From", "Message"}, {"17", "01.02.2024 10:00:00", "Ann", "one two"}},
        {Folder::Sent, {"ID", "Sent", "To", "Message"}, {"17", "01.02.2024 10:00:00", "Ann", "one two"}},
        {Folder::Outbox, {"ID", "Status", "To", "Message"}, {"17", "Sending", "Ann", "one two"}},
        {Folder::Drafts, {"ID", "To", "Message"}, {"17", "Ann", "one two"}},
        {Folder::Templates, {"ID", "To", "Message"}, {"17", "Ann", "one two"}},
        {Folder::Reports, {"ID", "Number", "Timestamp", "Status"}, {"17", "Ann", "01.02.2024 10:00:00", "one two"}},
    };
    for (const Case& c : cases) {
        Checked f(c.Kind);
        EXPECT_EQ(f.Model.Captions(), c.Captions);
        ASSERT_EQ(f.Model.columnCount(), c.Captions.size());
        for (int i = 0; i < c.Captions.size(); ++i)
            EXPECT_EQ(f.Model.headerData(i, Qt::Horizontal).toString(), c.Captions[i]);
        Msg m;
        m.Id = 17;
        m.Text = "one\ntwo";
        m.Name = "Ann";
        SmsData* sms = AddMsg(f.Model, m);
        f.Model.SetStatus(sms, "Sending");
        QStringList cells;
        for (int i = 0; i < f.Model.columnCount(); ++i)
            cells << f.Model.data(f.Model.index(0, i)).toString();
        EXPECT_EQ(cells, c.Cells) << static_cast<int>(c.Kind);
        EXPECT_EQ(f.Model.data(f.Model.index(0, 1), DataRole).value<SmsData*>(), sms);
    }
}

TEST(FolderModel, DisplayNameFollowsSetName)
{
    Checked f(Folder::Inbox);
    Msg m;
    m.Number = "+4912345";
    SmsData* sms = AddMsg(f.Model, m);
    EXPECT_EQ(f.Model.data(f.Model.index(0, 2)).toString(), "+4912345");
    QSignalSpy changed(&f.Model, &FolderModel::dataChanged);
    sms->SetName("Ann");
    f.Model.Changed(sms);
    EXPECT_EQ(f.Model.data(f.Model.index(0, 2)).toString(), "Ann");
    ASSERT_EQ(changed.size(), 1);
}

TEST(FolderModel, UnreadImageDrawsBoldRedInEveryFolder)
{
    for (int k = 0; k < FolderCount; ++k) {
        Checked f(static_cast<Folder>(k));
        SmsData* unread = AddMsg(f.Model, Msg{}, false, ImageUnread);
        AddMsg(f.Model, Msg{}, false, ImageDraft);
        for (int column = 0; column < f.Model.columnCount(); ++column) {
            const QModelIndex first = f.Model.index(0, column);
            const QModelIndex second = f.Model.index(1, column);
            EXPECT_TRUE(f.Model.data(first, UnreadRole).toBool());
            EXPECT_FALSE(f.Model.data(second, UnreadRole).toBool());
        }
        EXPECT_EQ(f.Model.data(f.Model.index(0, 0), ImageRole).toInt(), ImageUnread);
        EXPECT_EQ(f.Model.data(f.Model.index(1, 0), ImageRole).toInt(), ImageDraft);
        EXPECT_FALSE(f.Model.data(f.Model.index(1, 1), ImageRole).isValid()) << "the image sits in column 0";

        f.Model.SetImage(unread, ImageRead);
        EXPECT_FALSE(f.Model.data(f.Model.index(0, 1), UnreadRole).toBool());
    }
}

TEST(FolderModel, SignalsOfRowChanges)
{
    Checked f(Folder::Outbox);
    QSignalSpy inserted(&f.Model, &FolderModel::rowsInserted);
    QSignalSpy removed(&f.Model, &FolderModel::rowsRemoved);
    QSignalSpy changed(&f.Model, &FolderModel::dataChanged);
    QSignalSpy added(&f.Model, &FolderModel::RowAdded);

    f.Model.SetSortKey(1);
    SmsData* a = AddMsg(f.Model, WithIds("20"));
    SmsData* b = AddMsg(f.Model, WithIds("10"));
    SmsData* c = AddMsg(f.Model, WithIds("15"));
    ASSERT_EQ(inserted.size(), 3);
    EXPECT_EQ(inserted[1][1].toInt(), 0) << "ID 10 goes before 20";
    EXPECT_EQ(inserted[2][1].toInt(), 1) << "ID 15 between them";
    ASSERT_EQ(added.size(), 3);
    EXPECT_EQ(added[2][0].value<SmsData*>(), c);

    struct Change
    {
        const char* What;
        std::function<void()> Do;
        int Row, First, Last;
    };
    const Change changes[] = {
        {"image", [&] { f.Model.SetImage(a, ImageError); }, 2, 0, 3},
        {"caption", [&] { f.Model.SetCaption(b, "x"); }, 0, 0, 0},
        {"status", [&] { f.Model.SetStatus(c, "Error: 5"); }, 1, 1, 1},
        {"joined part",
         [&] {
             c->AddUnit(99, c->Number, 2, 2, 0, "", "10:00:00", "01.02.2024", "more");
             f.Model.Changed(c);
         },
         1, 0, 3},
    };
    for (const Change& ch : changes) {
        changed.clear();
        ch.Do();
        ASSERT_EQ(changed.size(), 1) << ch.What;
        const QModelIndex from = changed[0][0].toModelIndex();
        const QModelIndex to = changed[0][1].toModelIndex();
        EXPECT_EQ(from.row(), ch.Row) << ch.What;
        EXPECT_EQ(to.row(), ch.Row) << ch.What;
        EXPECT_EQ(from.column(), ch.First) << ch.What;
        EXPECT_EQ(to.column(), ch.Last) << ch.What;
    }
    EXPECT_EQ(CaptionsInOrder(f.Model), (QStringList{"x", "15", "20"})) << "a change does not move a row";

    changed.clear();
    f.Model.SetImage(a, ImageError);
    f.Model.SetCaption(b, "x");
    EXPECT_EQ(changed.size(), 0) << "nothing changed, nothing told";

    f.Model.Remove(c);
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 1);
    EXPECT_EQ(f.Model.RowOf(c), -1);
    EXPECT_EQ(f.Model.RowOf(a), 1);
    EXPECT_EQ(f.Model.At(1), a);
}

TEST(FolderModel, StatusIsShownInTheOutboxOnly)
{
    Checked f(Folder::Inbox);
    SmsData* sms = AddMsg(f.Model, Msg{});
    QSignalSpy changed(&f.Model, &FolderModel::dataChanged);
    f.Model.SetStatus(sms, "Sending");
    EXPECT_EQ(f.Model.Status(sms), "Sending");
    EXPECT_EQ(changed.size(), 0);
}

TEST(FolderModel, SortKeepsSelectionOnItsRows)
{
    Checked f(Folder::Drafts);
    const std::vector<Msg> rows = Numbered({WithNumber("c"), WithNumber("a"), WithNumber("b")});
    for (const Msg& m : rows)
        AddMsg(f.Model, m);
    const QPersistentModelIndex held = f.Model.index(0, 1); // "c"
    QSignalSpy layout(&f.Model, &FolderModel::layoutChanged);
    f.Model.SortBy(3);
    EXPECT_EQ(layout.size(), 1);
    EXPECT_EQ(held.row(), 2);
    EXPECT_EQ(held.column(), 1);
    EXPECT_EQ(f.Model.data(held).toString(), "c");
    f.Model.SortBy(-3);
    EXPECT_EQ(held.row(), 0);
}

TEST(FolderModel, UnreadCount)
{
    Checked f(Folder::Inbox);
    SmsData* a = AddMsg(f.Model, Msg{}, true, ImageUnread);
    AddMsg(f.Model, Msg{}, true, ImageRead);
    SmsData* c = AddMsg(f.Model, Msg{}, true, ImageUnread);
    EXPECT_EQ(f.Model.UnreadCount(), 2);
    f.Model.SetImage(a, ImageRead);
    EXPECT_EQ(f.Model.UnreadCount(), 1);
    f.Model.SetImage(a, ImageRead);
    EXPECT_EQ(f.Model.UnreadCount(), 1);
    f.Model.SetImage(a, ImageUnread);
    EXPECT_EQ(f.Model.UnreadCount(), 2);
    f.Model.Remove(c);
    EXPECT_EQ(f.Model.UnreadCount(), 1);
    f.Model.BeginBulk();
    AddMsg(f.Model, Msg{}, true, ImageUnread);
    EXPECT_EQ(f.Model.UnreadCount(), 2) << "gathered rows count";
    f.Model.EndBulk();
    EXPECT_EQ(f.Model.UnreadCount(), 2);
    f.Model.Clear();
    EXPECT_EQ(f.Model.UnreadCount(), 0);
    EXPECT_EQ(f.Model.Count(), 0);
}

} // namespace
