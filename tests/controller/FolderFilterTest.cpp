#include "controller/FolderFilter.h"
#include "Rows.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

Msg Message(int id, const QString& number, const QString& text, const QString& name = {},
            const QString& time = "10:00:00")
{
    Msg m;
    m.Id = id;
    m.Number = number;
    m.Text = text;
    m.Name = name;
    m.Time = time;
    return m;
}

// The rows the filter shows, as the folder's messages.
std::vector<const SmsData*> Shown(const FolderFilter& filter, const FolderModel& folder)
{
    std::vector<const SmsData*> shown;
    for (int row = 0; row < filter.rowCount(); ++row)
        shown.push_back(folder.At(filter.SourceRow(row)));
    return shown;
}

// What a search must show: every matching row of the folder, in the folder's order.
std::vector<const SmsData*> Expected(const FolderFilter& filter, const FolderModel& folder)
{
    std::vector<const SmsData*> expected;
    for (int row = 0; row < folder.rowCount(); ++row)
        if (filter.Matches(*folder.At(row)))
            expected.push_back(folder.At(row));
    return expected;
}

struct SearchCase
{
    const char* name;
    const char* search;
    std::vector<int> ids; // of the rows shown, in the folder's order (by ID here)
};

class FolderSearch : public ::testing::TestWithParam<SearchCase>
{ };

TEST_P(FolderSearch, ShowsTheMatchingRowsInOrder)
{
    FolderModel folder(Folder::Inbox);
    folder.SetSortKey(1);
    AddMsg(folder, Message(1, "+15550100111", "Dinner at EIGHT?"));
    AddMsg(folder, Message(2, "+15550100222", "Привет, как дела", "Anna Ng"));
    AddMsg(folder, Message(3, "+4917600000", "line one\nline two"));
    Msg first = Message(4, "+15550100444", "first half ");
    first.PartsTotal = 2;
    first.PartNumber = 1;
    auto joined = MakeSms(first);
    joined->AddUnit(5, "+15550100444", 2, 2, 0, QString(), "10:00:00", "01.02.2024", "second half");
    joined->Ids = "4/5";
    folder.Add(std::move(joined), ImageRead, "4/5", true);
    FolderFilter filter(folder);
    QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::Warning);
    filter.Prepare();
    filter.SetSearch(QString::fromUtf8(GetParam().search));
    std::vector<int> ids;
    for (const SmsData* data : Shown(filter, folder))
        ids.push_back(data->Units.front().Id);
    EXPECT_EQ(ids, GetParam().ids);
}

INSTANTIATE_TEST_SUITE_P(
    Searches, FolderSearch,
    ::testing::Values(SearchCase{"empty", "", {1, 2, 3, 4}}, SearchCase{"blanksOnly", "   ", {1, 2, 3, 4}},
                      SearchCase{"caseOfLatin", "eight", {1}}, SearchCase{"caseOfCyrillic", "ПРИВЕТ", {2}},
                      SearchCase{"numberPart", "0100", {1, 2, 4}}, SearchCase{"contactName", "anna", {2}},
                      SearchCase{"lineBreakAsBlank", "one line", {3}}, SearchCase{"acrossParts", "half second", {4}},
                      SearchCase{"notAcrossRows", "eight?+1555", {}}, SearchCase{"nothing", "zebra", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The filter keeps its rows right while the folder changes under an active search: rows come,
// go, change and are sorted, and after each step the shown rows are exactly the matching ones.
TEST(FolderFilter, FollowsTheFolderWhileASearchIsOn)
{
    FolderModel folder(Folder::Inbox);
    folder.SetSortKey(-2);
    FolderFilter filter(folder);
    QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::Warning);
    QRandomGenerator random(11);
    const char* const words[] = {"apple", "Banana", "cherry", "date"};
    auto text = [&] {
        return QString::fromLatin1(words[random.bounded(4)]) + QLatin1Char(' ') + words[random.bounded(4)];
    };
    for (int i = 1; i <= 40; ++i)
        AddMsg(folder,
               Message(i, "+1555", text(), {}, QStringLiteral("10:%1:00").arg(i % 60, 2, 10, QLatin1Char('0'))));
    filter.SetSearch(QStringLiteral("banana"));
    ASSERT_EQ(Shown(filter, folder), Expected(filter, folder));
    for (int step = 0; step < 200; ++step) {
        switch (random.bounded(5)) {
        case 0:
            AddMsg(folder, Message(100 + step, "+1555", text(), {},
                                   QStringLiteral("09:%1:00").arg(step % 60, 2, 10, QLatin1Char('0'))));
            break;
        case 1:
            if (folder.rowCount() > 0)
                folder.Remove(folder.At(random.bounded(folder.rowCount())));
            break;
        case 2:
            if (folder.rowCount() > 0) {
                SmsData* data = folder.At(random.bounded(folder.rowCount()));
                data->Units.front().Text = text();
                folder.Changed(data);
            }
            break;
        case 3: folder.SortBy(random.bounded(2) ? 4 : -2); break;
        case 4: filter.SetSearch(QString::fromLatin1(words[random.bounded(4)]).toUpper()); break;
        }
        ASSERT_EQ(Shown(filter, folder), Expected(filter, folder)) << "step " << step;
    }
}

} // namespace
