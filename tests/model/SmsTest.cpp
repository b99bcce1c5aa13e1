#include "model/Sms.h"

#include <gtest/gtest.h>

namespace {

void addPart(SmsData& sms, int32_t id, int32_t part, const QString& text, const QString& date = "07.01.2021")
{
    sms.AddUnit(id, "+15550100000", 3, part, 161, "PDU" + QString::number(id), "16:35:02", date, text);
}

QList<int32_t> partNumbers(const SmsData& sms)
{
    QList<int32_t> numbers;
    for (const SmsUnit& u : sms.Units)
        numbers << u.PartNumber;
    return numbers;
}

TEST(SmsData, PartsArriveOutOfOrder)
{
    SmsData sms;
    addPart(sms, 21, 2, "two ");
    addPart(sms, 22, 3, "three");
    addPart(sms, 20, 1, "one ");
    EXPECT_EQ(partNumbers(sms), (QList<int32_t>{1, 2, 3}));
    EXPECT_EQ(sms.Count, 3);
    EXPECT_EQ(sms.ListText(), "one two three");
    EXPECT_EQ(sms.Reference, 161);
    EXPECT_EQ(sms.PartsTotal, 3);
    EXPECT_TRUE(sms.HasUnit(22));
    EXPECT_FALSE(sms.HasUnit(23));
    EXPECT_EQ(sms.UnitPdu(20), "PDU20");
    EXPECT_EQ(sms.UnitPdu(99), "");
}

TEST(SmsData, DuplicatePartsAreMarkedAndLeftOut)
{
    SmsData sms;
    addPart(sms, 1, 2, "B");
    addPart(sms, 2, 2, "b");
    addPart(sms, 3, 1, "A");
    addPart(sms, 4, 2, "beta");
    EXPECT_EQ(partNumbers(sms), (QList<int32_t>{1, 2, 2, 2}));
    EXPECT_EQ(sms.ListText(), "AB") << "the first copy of part 2 stays";
    int marked = 0;
    for (const SmsUnit& u : sms.Units)
        marked += u.Duplicate;
    EXPECT_EQ(marked, 2);
    EXPECT_FALSE(sms.Units[1].Duplicate);
    EXPECT_EQ(sms.Units[1].Id, 1);
}

TEST(SmsData, LineBreaks)
{
    SmsData sms;
    sms.AddUnit(1, "123", 0, 0, 0, "", "10:00:00", "01.01.2024", "first\nsecond");
    EXPECT_EQ(sms.ListText(), "first second");
    EXPECT_EQ(sms.ViewText(), "first\r\nsecond");
    EXPECT_EQ(sms.DateTime(), "01.01.2024 10:00:00");
}

TEST(SmsData, NamesAndIds)
{
    SmsData sms;
    sms.Number = "+15550100000";
    EXPECT_EQ(sms.DisplayName(false), "+15550100000");
    EXPECT_EQ(sms.DisplayName(true), "");
    sms.SetName("Ann");
    EXPECT_EQ(sms.DisplayName(false), "Ann");
    sms.Ids = "5";
    EXPECT_EQ(sms.FirstId(), "5");
    sms.Ids = "5/6";
    EXPECT_EQ(sms.FirstId(), "5");
}

TEST(SmsData, MatchesComparesNumberReferenceAndDate)
{
    SmsData sms;
    addPart(sms, 1, 1, "x", "07.01.2021");
    EXPECT_TRUE(sms.Matches("+15550100000", 161, "07.01.2021"));
    EXPECT_FALSE(sms.Matches("+15550100000", 161, "08.01.2021"));
    EXPECT_FALSE(sms.Matches("+15550100000", 162, "07.01.2021"));
    EXPECT_FALSE(sms.Matches("15550100000", 161, "07.01.2021"));
}

TEST(SmsData, SendStates)
{
    SmsData empty;
    EXPECT_TRUE(empty.AllSent());
    EXPECT_FALSE(empty.AnyFailed());

    struct Case
    {
        QList<int32_t> states;
        bool allSent, anyFailed;
    };
    const Case cases[] = {
        {{SmsUnitSent, SmsUnitSent}, true, false},
        {{SmsUnitSent, SmsUnitWaiting}, false, false},
        {{SmsUnitSent, SmsUnitSubmitted}, false, false},
        {{SmsUnitSent, SmsUnitFailed}, false, true},
    };
    for (const Case& c : cases) {
        SmsData sms;
        for (int i = 0; i < c.states.size(); ++i) {
            addPart(sms, 100 + i, i + 1, "t");
            sms.SetUnitStatus(100 + i, c.states[i]);
        }
        sms.SetUnitStatus(999, SmsUnitFailed); // unknown ID: nothing changes
        EXPECT_EQ(sms.AllSent(), c.allSent);
        EXPECT_EQ(sms.AnyFailed(), c.anyFailed);
    }
}

} // namespace
