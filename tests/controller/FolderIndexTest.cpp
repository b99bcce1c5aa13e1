#include "Rows.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <random>

namespace {

// Rows with many ties under every key; IDs and captions unique so the order reads back.
std::vector<Msg> RandomRows(int n, unsigned seed)
{
    std::mt19937 random(seed);
    const QStringList numbers{"+4915", "+4916", "anna", "Anna", "BOB"};
    const QStringList texts{"hello", "Hello", "bye", "", "a\nb"};
    const QStringList names{"", "", "Zoe", "adam", "Adam"};
    const QStringList times{"10:00:00", "9:59:59", "10:00:01", "23:00:00"};
    std::vector<Msg> rows(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        Msg& m = rows[static_cast<std::size_t>(i)];
        m.Id = 1000 + i;
        m.Ids = QString("%1/%2").arg(random() % 50).arg(i);
        m.Number = numbers[random() % numbers.size()];
        m.Text = texts[random() % texts.size()];
        m.Name = names[random() % names.size()];
        m.Date = QString("%1.03.2024").arg(1 + random() % 4, 2, 10, QChar('0'));
        m.Time = times[random() % times.size()];
        if (i % 10 == 0) {
            m.Reference = i + 1;
            m.PartsTotal = 2;
            m.PartNumber = 1;
        }
    }
    return rows;
}

class BulkLoad : public ::testing::TestWithParam<int>
{ };

TEST_P(BulkLoad, GivesTheOrderOfSortedInsertsAndIndexesEveryRow)
{
    const int key = GetParam();
    const int n = 1200;
    const std::vector<Msg> rows = RandomRows(n, 11 + static_cast<unsigned>(key + 10));

    FolderModel oneByOne(Folder::Drafts);
    oneByOne.SetSortKey(key);
    for (const Msg& m : rows)
        AddMsg(oneByOne, m);

    Checked f(Folder::Drafts);
    FolderModel& bulk = f.Model;
    bulk.SetSortKey(key);
    QSignalSpy reset(&bulk, &FolderModel::modelReset);
    QSignalSpy inserted(&bulk, &FolderModel::rowsInserted);
    std::vector<SmsData*> added;
    // A third in sight before the load, a third merged by a Flush, a third by the end.
    for (int i = 0; i < n / 3; ++i)
        added.push_back(AddMsg(bulk, rows[static_cast<std::size_t>(i)]));
    inserted.clear();
    bulk.BeginBulk();
    for (int i = n / 3; i < n; ++i) {
        if (i == 2 * n / 3) {
            bulk.Flush();
            EXPECT_EQ(reset.size(), 1);
            EXPECT_EQ(bulk.rowCount(), i);
            EXPECT_TRUE(bulk.InBulk());
        }
        const Msg& m = rows[static_cast<std::size_t>(i)];
        SmsData* sms = AddMsg(bulk, m);
        added.push_back(sms);
        EXPECT_EQ(bulk.FindById(m.Id), sms) << "a gathered row is found";
        if (m.Reference != 0) {
            EXPECT_EQ(bulk.FindMultipart(m.Number, m.Reference, m.Date), sms);
        }
        EXPECT_EQ(bulk.RowOf(sms), -1);
    }
    EXPECT_EQ(bulk.rowCount(), 2 * n / 3) << "gathered rows stay out of sight";
    EXPECT_EQ(bulk.Count(), n);
    EXPECT_EQ(inserted.size(), 0);
    bulk.EndBulk();
    EXPECT_FALSE(bulk.InBulk());
    EXPECT_EQ(reset.size(), 2);
    ASSERT_EQ(bulk.rowCount(), n);

    EXPECT_EQ(CaptionsInOrder(bulk), CaptionsInOrder(oneByOne)) << "key " << key;
    for (int i = 0; i < n; ++i) {
        const Msg& m = rows[static_cast<std::size_t>(i)];
        SmsData* sms = added[static_cast<std::size_t>(i)];
        ASSERT_EQ(bulk.FindById(m.Id), sms);
        ASSERT_EQ(bulk.At(bulk.RowOf(sms)), sms);
        if (m.Reference != 0) {
            ASSERT_EQ(bulk.FindMultipart(m.Number, m.Reference, m.Date), sms);
        }
    }

    bulk.BeginBulk();
    bulk.EndBulk();
    EXPECT_EQ(reset.size(), 2) << "an empty load resets nothing";
}

INSTANTIATE_TEST_SUITE_P(FolderModel, BulkLoad, ::testing::Values(-2, 2, 1, -1, 3, -4, 5, 6, -6, 0),
                         [](const auto& info) {
                             const int key = info.param;
                             return (key < 0 ? "Down" : "Up") + std::to_string(std::abs(key));
                         });

TEST(FolderModel, KeyZeroBulkKeepsArrivalOrder)
{
    Checked f(Folder::Outbox);
    const std::vector<Msg> rows = RandomRows(30, 3);
    AddMsg(f.Model, rows[0]);
    f.Model.BeginBulk();
    for (std::size_t i = 1; i < rows.size(); ++i)
        AddMsg(f.Model, rows[i]);
    f.Model.EndBulk();
    QStringList expected;
    for (const Msg& m : rows)
        expected << m.Ids;
    EXPECT_EQ(CaptionsInOrder(f.Model), expected);
}

TEST(FolderModel, MultipartIndexFollowsAddUnit)
{
    Checked f(Folder::Inbox);
    Msg first;
    first.Id = 1;
    first.Number = "+111";
    first.Reference = 5;
    first.PartsTotal = 2;
    first.PartNumber = 1;
    first.Date = "01.02.2024";
    SmsData* sms = AddMsg(f.Model, first);
    EXPECT_EQ(f.Model.FindMultipart("+111", 5, "01.02.2024"), sms);
    EXPECT_EQ(f.Model.FindMultipart("+111", 5, "02.02.2024"), nullptr);
    EXPECT_EQ(f.Model.FindMultipart("+111", 6, "01.02.2024"), nullptr);
    EXPECT_EQ(f.Model.FindMultipart("+112", 5, "01.02.2024"), nullptr);

    // The newest part's number and date become the message's.
    sms->AddUnit(2, "+222", 2, 2, 5, "", "00:00:10", "02.02.2024", "second");
    f.Model.Changed(sms);
    EXPECT_EQ(f.Model.FindMultipart("+111", 5, "01.02.2024"), nullptr);
    EXPECT_EQ(f.Model.FindMultipart("+222", 5, "02.02.2024"), sms);
    EXPECT_EQ(f.Model.FindById(1), sms);
    EXPECT_EQ(f.Model.FindById(2), sms);

    struct Case
    {
        int Reference, PartsTotal;
        bool Indexed;
    };
    const Case cases[] = {{0, 0, false}, {0, 3, true}, {7, 0, true}};
    for (const Case& c : cases) {
        Msg m;
        m.Id = 100 + c.Reference + c.PartsTotal;
        m.Number = "+333";
        m.Reference = c.Reference;
        m.PartsTotal = c.PartsTotal;
        SmsData* row = AddMsg(f.Model, m);
        EXPECT_EQ(f.Model.FindMultipart("+333", c.Reference, m.Date), c.Indexed ? row : nullptr)
            << c.Reference << "/" << c.PartsTotal;
        f.Model.Remove(row);
        EXPECT_EQ(f.Model.FindMultipart("+333", c.Reference, m.Date), nullptr);
    }
}

TEST(FolderModel, MultipartKeySharedByTwoRows)
{
    Checked f(Folder::Inbox);
    Msg m;
    m.Reference = 9;
    m.PartsTotal = 3;
    m.Id = 1;
    SmsData* a = AddMsg(f.Model, m);
    m.Id = 2;
    SmsData* b = AddMsg(f.Model, m);
    m.Id = 3;
    m.Reference = 10;
    SmsData* c = AddMsg(f.Model, m);
    EXPECT_EQ(f.Model.FindMultipart(m.Number, 9, m.Date), a);
    f.Model.Remove(a);
    EXPECT_EQ(f.Model.FindMultipart(m.Number, 9, m.Date), b);

    // c's new part carries b's reference: the key moves, b stays the first.
    c->AddUnit(4, m.Number, 3, 2, 9, "", m.Time, m.Date, "x");
    f.Model.Changed(c);
    EXPECT_EQ(f.Model.FindMultipart(m.Number, 10, m.Date), nullptr);
    EXPECT_EQ(f.Model.FindMultipart(m.Number, 9, m.Date), b);
    f.Model.Remove(b);
    EXPECT_EQ(f.Model.FindMultipart(m.Number, 9, m.Date), c);
    f.Model.Remove(c);
    EXPECT_EQ(f.Model.FindMultipart(m.Number, 9, m.Date), nullptr);
}

TEST(FolderModel, RemoveKeepsFindByIdRight)
{
    Checked f(Folder::Sent);
    Msg m;
    m.Id = 7;
    SmsData* r1 = AddMsg(f.Model, m);
    r1->AddUnit(8, m.Number, 0, 0, 0, "", m.Time, m.Date, "b");
    f.Model.Changed(r1);
    SmsData* r2 = AddMsg(f.Model, m); // shares 7
    m.Id = 9;
    SmsData* r3 = AddMsg(f.Model, m);
    m.Id = 7;
    SmsData* r4 = AddMsg(f.Model, m); // shares 7

    EXPECT_EQ(f.Model.FindById(7), r1);
    EXPECT_EQ(f.Model.FindById(8), r1);
    f.Model.Remove(r2);
    EXPECT_EQ(f.Model.FindById(7), r1) << "removing a later holder keeps the first";
    f.Model.Remove(r1);
    EXPECT_EQ(f.Model.FindById(7), r4) << "the next holder takes over";
    EXPECT_EQ(f.Model.FindById(8), nullptr);
    f.Model.Remove(r4);
    EXPECT_EQ(f.Model.FindById(7), nullptr);
    EXPECT_EQ(f.Model.FindById(9), r3);

    // A part joining a later row does not take the ID from the row that had it first.
    m.Id = 10;
    SmsData* r5 = AddMsg(f.Model, m);
    r5->AddUnit(9, m.Number, 0, 0, 0, "", m.Time, m.Date, "c");
    f.Model.Changed(r5);
    f.Model.Changed(r5);
    EXPECT_EQ(f.Model.FindById(9), r3);
    f.Model.Remove(r3);
    EXPECT_EQ(f.Model.FindById(9), r5);
    f.Model.Remove(r5);
    EXPECT_EQ(f.Model.FindById(9), nullptr);
    EXPECT_EQ(f.Model.FindById(10), nullptr);

    // A message holding the same ID twice holds it once.
    m.Id = 11;
    SmsData* twice = AddMsg(f.Model, m);
    twice->AddUnit(11, m.Number, 0, 0, 0, "", m.Time, m.Date, "again");
    f.Model.Changed(twice);
    m.Id = 11;
    SmsData* other = AddMsg(f.Model, m);
    f.Model.Remove(other);
    EXPECT_EQ(f.Model.FindById(11), twice);
    f.Model.Remove(twice);
    EXPECT_EQ(f.Model.FindById(11), nullptr);
    EXPECT_EQ(f.Model.rowCount(), 0);
}

TEST(FolderModel, GatheredRowsChangeAndGoQuietly)
{
    Checked f(Folder::Inbox);
    Msg m;
    m.Id = 1;
    SmsData* visible = AddMsg(f.Model, m);
    QSignalSpy changed(&f.Model, &FolderModel::dataChanged);
    QSignalSpy removed(&f.Model, &FolderModel::rowsRemoved);
    QSignalSpy reset(&f.Model, &FolderModel::modelReset);
    f.Model.BeginBulk();
    m.Id = 2;
    m.Reference = 3;
    m.PartsTotal = 2;
    SmsData* gathered = AddMsg(f.Model, m, true, ImageUnread);
    gathered->AddUnit(5, "+999", 2, 2, 3, "", m.Time, m.Date, "x");
    f.Model.Changed(gathered);
    f.Model.SetImage(gathered, ImageRead);
    f.Model.SetCaption(gathered, "c");
    EXPECT_EQ(changed.size(), 0);
    EXPECT_EQ(f.Model.FindById(5), gathered);
    EXPECT_EQ(f.Model.FindMultipart("+999", 3, m.Date), gathered);
    EXPECT_EQ(f.Model.FindMultipart(m.Number, 3, m.Date), nullptr);
    EXPECT_EQ(f.Model.Image(gathered), ImageRead);
    EXPECT_EQ(f.Model.UnreadCount(), 0);

    f.Model.SetImage(visible, ImageUnread);
    EXPECT_EQ(changed.size(), 1) << "rows in sight still tell";

    m.Id = 6;
    SmsData* dropped = AddMsg(f.Model, m);
    f.Model.Remove(dropped);
    EXPECT_EQ(removed.size(), 0);
    EXPECT_EQ(f.Model.FindById(6), nullptr);
    EXPECT_EQ(f.Model.Count(), 2);
    f.Model.EndBulk();
    EXPECT_EQ(reset.size(), 1);
    EXPECT_EQ(f.Model.rowCount(), 2);
    EXPECT_EQ(f.Model.Caption(gathered), "c");
    EXPECT_GE(f.Model.RowOf(gathered), 0);
}

TEST(FolderModel, ClearEmptiesIndexes)
{
    Checked f(Folder::Inbox);
    Msg m;
    m.Reference = 2;
    SmsData* a = AddMsg(f.Model, m, true, ImageUnread);
    f.Model.BeginBulk();
    m.Id = 2;
    AddMsg(f.Model, m);
    f.Model.Clear();
    EXPECT_EQ(f.Model.Count(), 0);
    EXPECT_EQ(f.Model.FindById(1), nullptr);
    EXPECT_EQ(f.Model.FindById(2), nullptr);
    EXPECT_EQ(f.Model.FindMultipart(m.Number, 2, m.Date), nullptr);
    EXPECT_EQ(f.Model.RowOf(a), -1);
    EXPECT_EQ(f.Model.Image(a), -1);
    f.Model.EndBulk();
    EXPECT_EQ(f.Model.rowCount(), 0);
}

} // namespace
