#include "controller/DeliveryStates.h"

#include "controller/MessageFolders.h"
#include "storage/Database.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kNumber = QStringLiteral("+15550100123");

class DeliveryStatesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(db.Open(dir.filePath(QStringLiteral("parlowen.db"))));
    }
    // A Sent row of these part IDs, as the replay lists it.
    SmsData* SentRow(std::initializer_list<std::int32_t> ids)
    {
        auto data = std::make_unique<SmsData>();
        int part = 1;
        for (std::int32_t id : ids)
            data->AddUnit(id, kNumber, ids.size() > 1 ? static_cast<int>(ids.size()) : 0, ids.size() > 1 ? part++ : 0,
                          ids.size() > 1 ? 42 : 0, QString(), QStringLiteral("10:00:00"), QStringLiteral("01.02.2024"),
                          QStringLiteral("text"));
        return sent.Add(std::move(data), ImageRead, QString(), true);
    }
    QString Tip(const SmsData* data) const
    {
        return sent.data(sent.index(sent.RowOf(data), 0), Qt::ToolTipRole).toString();
    }

    QTemporaryDir dir;
    QDatabase db{nullptr};
    FolderModel sent{Folder::Sent};
    DeliveryStates states{db, sent};
};

} // namespace

TEST(DeliveryStateOf, FollowsTheClassesOfTheStatusOctet)
{
    const struct
    {
        unsigned status;
        DeliveryState state;
    } cases[] = {
        {0x00, DeliveryDelivered},                                                  // received by the recipient
        {0x01, DeliveryDelivered},                                                  // forwarded, delivery not confirmed
        {0x02, DeliveryDelivered},                                                  // replaced by the centre
        {0x1F, DeliveryDelivered},                                                  // centre specific, completed
        {0x20, DeliveryPending},                                                    // congestion, still trying
        {0x25, DeliveryPending},   {0x3F, DeliveryPending}, {0x40, DeliveryFailed}, // permanent errors
        {0x46, DeliveryFailed},                                                     // validity period expired
        {0x5F, DeliveryFailed},    {0x60, DeliveryFailed}, // temporary errors no longer retried
        {0x62, DeliveryFailed},    {0x7F, DeliveryFailed},  {0x80, DeliveryFailed}, // reserved
        {0xFF, DeliveryFailed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeliveryStateOf(c.status), c.state) << std::hex << c.status;
}

TEST(DeliveryNumberKey, IgnoresPrefixesButTellsNumbersApart)
{
    EXPECT_EQ(DeliveryNumberKey(QStringLiteral("+4917112345678")), DeliveryNumberKey(QStringLiteral("017112345678")));
    EXPECT_EQ(DeliveryNumberKey(QStringLiteral("+15550100123")), DeliveryNumberKey(QStringLiteral("15550100123")));
    EXPECT_EQ(DeliveryNumberKey(QStringLiteral("+1 555 010-0123")), DeliveryNumberKey(QStringLiteral("+15550100123")));
    EXPECT_NE(DeliveryNumberKey(QStringLiteral("+15550100123")), DeliveryNumberKey(QStringLiteral("+15550100124")));
    EXPECT_EQ(DeliveryNumberKey(QStringLiteral("12345")), QStringLiteral("12345"));
    EXPECT_NE(DeliveryNumberKey(QStringLiteral("12345")), DeliveryNumberKey(QStringLiteral("112345")));
}

TEST_F(DeliveryStatesTest, AReportGoesToTheLatestPartOfItsNumberAndReferenceSentBeforeIt)
{
    states.Sent(5, 0, 7, kNumber);
    states.Sent(9, 0, 7, kNumber); // the reference came round again
    states.Sent(11, 0, 8, kNumber);
    states.Sent(12, 0, 7, QStringLiteral("+15550100999"));

    const struct
    {
        const char* what;
        QString number;
        unsigned reference;
        std::int64_t reportId;
        std::int64_t part;
    } cases[] = {
        {"stored between the two sends", kNumber, 7, 7, 5},
        {"stored after both", kNumber, 7, 20, 9},
        {"not stored: the latest", kNumber, 7, 0, 9},
        {"before any send", kNumber, 7, 3, 0},
        {"the number as dialled", QStringLiteral("5550100123"), 8, 21, 11},
        {"the reference in a wider field", kNumber, 0x108, 22, 11},
        {"another number", QStringLiteral("+15550100124"), 7, 23, 0},
        {"another reference", kNumber, 9, 24, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(states.Report(c.number, c.reference, 0x00, c.reportId), c.part) << c.what;
    EXPECT_EQ(states.StateOf(5), DeliveryDelivered);
    EXPECT_EQ(states.StateOf(12), DeliveryPending) << "a report of another number left it alone";
    EXPECT_EQ(states.StateOf(99), -1);
}

TEST_F(DeliveryStatesTest, StatesFollowTheReportsAndSurviveAReload)
{
    states.Sent(5, 0, 1, kNumber);
    states.Sent(6, 0, 2, kNumber);
    states.Sent(7, 0, 3, kNumber);
    states.Sent(8, 0, 4, kNumber);
    EXPECT_EQ(states.Report(kNumber, 1, 0x20, 10), 5); // still trying
    EXPECT_EQ(states.StateOf(5), DeliveryPending);
    EXPECT_EQ(states.Report(kNumber, 1, 0x00, 11), 5);
    EXPECT_EQ(states.StateOf(5), DeliveryDelivered);
    EXPECT_EQ(states.Report(kNumber, 2, 0x00, 12), 6);
    EXPECT_EQ(states.Report(kNumber, 2, 0x25, 13), 6) << "an old 'still trying' read late";
    EXPECT_EQ(states.StateOf(6), DeliveryDelivered);
    EXPECT_EQ(states.Report(kNumber, 3, 0x46, 14), 7);
    EXPECT_EQ(states.StateOf(7), DeliveryFailed);
    EXPECT_EQ(states.Report(kNumber, 4, 0x45, 15), 8);
    EXPECT_EQ(states.Report(kNumber, 4, 0x00, 16), 8) << "the later final word counts";
    EXPECT_EQ(states.StateOf(8), DeliveryDelivered);

    // The next run: the replay lists the Sent rows and the reports again.
    FolderModel sentAgain(Folder::Sent);
    DeliveryStates again(db, sentAgain);
    again.Load();
    EXPECT_EQ(again.StateOf(5), DeliveryDelivered);
    EXPECT_EQ(again.StateOf(6), DeliveryDelivered);
    EXPECT_EQ(again.StateOf(7), DeliveryFailed);
    // The replayed reports in their stored order change nothing.
    const struct
    {
        unsigned reference, status;
        std::int64_t reportId, part;
    } replay[] = {{1, 0x20, 10, 5}, {1, 0x00, 11, 5}, {2, 0x00, 12, 6}, {2, 0x25, 13, 6},
                  {3, 0x46, 14, 7}, {4, 0x45, 15, 8}, {4, 0x00, 16, 8}};
    for (const auto& r : replay)
        EXPECT_EQ(again.Report(kNumber, r.reference, r.status, r.reportId), r.part) << r.reportId;
    EXPECT_EQ(again.StateOf(5), DeliveryDelivered);
    EXPECT_EQ(again.StateOf(6), DeliveryDelivered);
    EXPECT_EQ(again.StateOf(7), DeliveryFailed);
    EXPECT_EQ(again.StateOf(8), DeliveryDelivered) << "the older failure does not come back";
    // A report stored while its state could not be kept is applied when it comes back.
    ASSERT_TRUE(db.UpdateDeliveryState(6, DeliveryPending, 0));
    DeliveryStates third(db, sentAgain);
    third.Load();
    EXPECT_EQ(third.StateOf(6), DeliveryPending);
    EXPECT_EQ(third.Report(kNumber, 2, 0x00, 12), 6);
    EXPECT_EQ(third.StateOf(6), DeliveryDelivered);
}

TEST_F(DeliveryStatesTest, ASentRowShowsWhatItsPartsTell)
{
    SmsData* single = SentRow({3});
    SmsData* plain = SentRow({4}); // sent without a report request
    SmsData* pair = SentRow({5, 6});
    states.Sent(3, 0, 1, kNumber);
    EXPECT_EQ(sent.Image(single), ImageDeliveryPending);
    EXPECT_EQ(Tip(single), QStringLiteral("Delivery pending"));
    states.Sent(5, 1, 2, kNumber);
    EXPECT_EQ(sent.Image(pair), ImageDeliveryPending);
    EXPECT_EQ(states.Report(kNumber, 2, 0x00, 20), 5);
    EXPECT_EQ(sent.Image(pair), ImageDeliveryPending) << "the second part is not confirmed";
    states.Sent(6, 2, 3, kNumber);
    EXPECT_EQ(states.Report(kNumber, 3, 0x00, 21), 6);
    EXPECT_EQ(sent.Image(pair), ImageDelivered);
    EXPECT_EQ(Tip(pair), QStringLiteral("Delivered"));
    EXPECT_EQ(states.Report(kNumber, 1, 0x41, 22), 3);
    EXPECT_EQ(sent.Image(single), ImageDeliveryFailed);
    EXPECT_EQ(Tip(single), QStringLiteral("Not delivered"));

    states.Refresh(4);
    EXPECT_EQ(sent.Image(plain), ImageRead);
    EXPECT_TRUE(Tip(plain).isEmpty());

    // A failed part marks the whole message, whatever the others say.
    SmsData* mixed = SentRow({30, 31});
    states.Sent(30, 1, 30, kNumber);
    states.Sent(31, 2, 31, kNumber);
    states.Report(kNumber, 30, 0x00, 40);
    states.Report(kNumber, 31, 0x62, 41);
    EXPECT_EQ(sent.Image(mixed), ImageDeliveryFailed);
}

TEST_F(DeliveryStatesTest, AReportThatCameBeforeItsCompletionWaitsForItsPart)
{
    SmsData* row = SentRow({20});
    EXPECT_EQ(states.Report(kNumber, 5, 0x00, 19), 0) << "no part of that reference yet";
    states.Sent(20, 0, 5, kNumber);
    EXPECT_EQ(states.StateOf(20), DeliveryDelivered);
    EXPECT_EQ(sent.Image(row), ImageDelivered);

    // The replay gives the report before its part: the table knows which part it set.
    DeliveryStates again(db, sent);
    again.Load();
    EXPECT_EQ(again.Report(kNumber, 5, 0x00, 19), 20);
    EXPECT_EQ(again.StateOf(20), DeliveryDelivered);

    // A final word waiting is not undone by a later "still trying".
    EXPECT_EQ(states.Report(kNumber, 6, 0x45, 30), 0);
    EXPECT_EQ(states.Report(kNumber, 6, 0x20, 31), 0);
    states.Sent(32, 0, 6, kNumber);
    EXPECT_EQ(states.StateOf(32), DeliveryFailed);
}

TEST_F(DeliveryStatesTest, AnUnmatchedReportIsForgottenAfterAFewSendsAndNeverKeptFromAReplay)
{
    EXPECT_EQ(states.Report(kNumber, 5, 0x00, 10), 0);
    for (std::int64_t id = 100; id < 100 + static_cast<std::int64_t>(DeliveryStates::kEarlyReportSends); ++id)
        states.Sent(id, 0, static_cast<std::uint32_t>(id), kNumber);
    states.Sent(200, 0, 5, kNumber);
    EXPECT_EQ(states.StateOf(200), DeliveryPending) << "a report for a part sent elsewhere, long ago";

    sent.BeginBulk();
    EXPECT_EQ(states.Report(kNumber, 7, 0x00, 11), 0);
    sent.EndBulk();
    states.Sent(201, 0, 7, kNumber);
    EXPECT_EQ(states.StateOf(201), DeliveryPending);
}
