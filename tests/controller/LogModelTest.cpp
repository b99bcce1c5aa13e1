#include "controller/LogModel.h"
#include "support/Fakes.h"
#include "support/Wait.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace {

struct Inserted
{
    int first;
    int last;
    bool operator==(const Inserted&) const = default;
};

// Records every row insertion of the model, in order.
struct InsertLog
{
    explicit InsertLog(LogModel& model)
    {
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, &model,
                         [this](const QModelIndex&, int first, int last) {
                             batches.push_back({first, last});
                         });
    }
    std::vector<Inserted> batches;
};

TEST(LogModel, LinesBecomeRowsOnlyAtFlushInOneBatch)
{
    LogModel model;
    InsertLog inserts(model);
    QSignalSpy appended(&model, &LogModel::Appended);
    model.Append("one");
    model.Append("two");
    model.Append("three");
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.PendingCount(), 3);
    EXPECT_EQ(model.LineAt(2), "three"); // pending lines are readable already
    model.Flush();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.PendingCount(), 0);
    model.Append("four");
    model.Append("five");
    model.Flush();
    model.Flush(); // nothing pending: no empty batch
    EXPECT_EQ(inserts.batches, (std::vector<Inserted>{{0, 2}, {3, 4}}));
    EXPECT_EQ(appended.count(), 2);
    EXPECT_EQ(model.data(model.index(4)).toString(), "five");
}

TEST(LogModel, TheTimerShowsALoneLineAndBatchesABurst)
{
    LogModel model;
    InsertLog inserts(model);
    model.Append("alone");
    ASSERT_TRUE(testsupport::WaitFor([&] { return model.rowCount() == 1; }, 5000));

    // A burst of 400 ms with the event loop turning between lines: rows must show during the
    // burst (not only at its end), but in batches, not one per line.
    inserts.batches.clear();
    QElapsedTimer burst;
    burst.start();
    int written = 0;
    int visibleDuringBurst = 0;
    while (burst.elapsed() < 400) {
        for (int i = 0; i < 20; ++i)
            model.Append(QString::number(written++));
        QCoreApplication::processEvents();
        visibleDuringBurst = model.rowCount();
    }
    EXPECT_GT(visibleDuringBurst, 1);
    EXPECT_GE(inserts.batches.size(), 3u);
    EXPECT_LE(inserts.batches.size(), 400u / LogModel::FlushIntervalMs + 3);
    ASSERT_TRUE(testsupport::WaitFor([&] { return model.rowCount() == written + 1; }, 5000));
    // Batches are contiguous and in order.
    int next = 1;
    for (const Inserted& b : inserts.batches) {
        EXPECT_EQ(b.first, next);
        next = b.last + 1;
    }
    EXPECT_EQ(next, written + 1);
}

// Lines of all kinds and sizes, many chunks' worth, come back exactly and in order.
TEST(LogModel, KeepsEveryLineExactlyAndInOrder)
{
    LogModel model;
    const QString longLine = QString(300000, QChar(u'Ж')); // larger than a chunk on its own
    std::vector<QString> expected = {
        "",
        "Application started",
        QString::fromUtf8("Кириллица и ελληνικά"),
        QString::fromUtf8("emoji \xF0\x9F\x93\xB1 outside the BMP"),
        longLine,
        "after the long line",
        QString(1, QChar(0xD800)), // a lone surrogate: stored as the replacement character
        "tab\tand\nnewline",
    };
    for (int i = 0; i < 60000; ++i)
        expected.push_back(QString("line %1 ").arg(i) + QString(i % 97, QChar(u'a' + i % 26)));
    expected.push_back(longLine + "x");
    expected.push_back("last");

    for (const QString& line : expected)
        model.Append(line);
    model.Flush();
    ASSERT_EQ(model.rowCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < model.rowCount(); ++i) {
        const QString want = i == 6 ? QString(QChar(QChar::ReplacementCharacter)) : expected[i];
        ASSERT_EQ(model.LineAt(i), want) << "line " << i;
        ASSERT_EQ(model.data(model.index(i)).toString(), want) << "line " << i;
    }
    EXPECT_EQ(model.LineAt(-1), QString());
    EXPECT_EQ(model.LineAt(model.rowCount()), QString());
    EXPECT_FALSE(model.data(model.index(0), Qt::EditRole).isValid());
}

TEST(LogModel, ClearDropsPendingLinesToo)
{
    LogModel model;
    InsertLog inserts(model);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    model.Append("shown");
    model.Flush();
    model.Append("pending 1");
    model.Append("pending 2");
    model.Clear();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.LineCount(), 0);
    // The flush that was due must not bring anything back.
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 3 * LogModel::FlushIntervalMs)
        QCoreApplication::processEvents();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(inserts.batches, (std::vector<Inserted>{{0, 0}}));

    model.Append("after clear");
    model.Flush();
    EXPECT_EQ(inserts.batches.back(), (Inserted{0, 0}));
    EXPECT_EQ(model.LineAt(0), "after clear");
}

struct PrefixCase
{
    QDateTime when;
    QString text;
    QString line;
};

void PrintTo(const PrefixCase& c, std::ostream* os)
{
    *os << c.line.toStdString();
}

class LogModelPrefix : public ::testing::TestWithParam<PrefixCase>
{ };

TEST_P(LogModelPrefix, LocalTimeTwoSpacesThenText)
{
    const PrefixCase& c = GetParam();
    LogModel model;
    model.AppendTimestamped(c.text, c.when);
    testsupport::ManualClock clock(c.when);
    LogModel clocked(nullptr, &clock);
    clocked.AppendTimestamped(c.text);
    EXPECT_EQ(model.LineAt(0), c.line);
    EXPECT_EQ(clocked.LineAt(0), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, LogModelPrefix,
    ::testing::Values(PrefixCase{QDateTime(QDate(2021, 2, 3), QTime(14, 5, 9)), "Application started",
                                 "03.02.2021 14:05:09  Application started"},
                      PrefixCase{QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59)), "", "31.12.1999 23:59:59  "},
                      PrefixCase{QDateTime(QDate(2030, 1, 1), QTime(0, 0, 0)), "x", "01.01.2030 00:00:00  x"},
                      PrefixCase{QDateTime(QDate(2024, 10, 27), QTime(9, 30, 0, 999)), QString::fromUtf8("Привет"),
                                 QString::fromUtf8("27.10.2024 09:30:00  Привет")}),
    [](const ::testing::TestParamInfo<PrefixCase>& info) {
        return info.param.when.toString("yyyyMMdd_HHmmss").toStdString();
    });

// The prefix is cached per second: a new second, or the same time on another day, must show.
TEST(LogModel, CachedPrefixFollowsTheClock)
{
    testsupport::ManualClock clock;
    LogModel model(nullptr, &clock);
    const QDateTime start(QDate(2021, 2, 3), QTime(14, 5, 9, 100));
    const std::vector<std::pair<QDateTime, QString>> steps = {
        {start, "03.02.2021 14:05:09  a"},
        {start.addMSecs(800), "03.02.2021 14:05:09  a"},
        {start.addMSecs(900), "03.02.2021 14:05:10  a"},
        {start.addDays(1).addMSecs(900), "04.02.2021 14:05:10  a"},
        {start, "03.02.2021 14:05:09  a"},
    };
    for (const auto& [when, line] : steps) {
        clock.Set(when);
        model.AppendTimestamped("a");
    }
    for (int i = 0; i < static_cast<int>(steps.size()); ++i)
        EXPECT_EQ(model.LineAt(i), steps[i].second) << "step " << i;

    // An explicit time after clock lines, then the clock again: no stale prefix either way.
    model.AppendTimestamped("b", QDateTime(QDate(2022, 5, 6), QTime(7, 8, 9)));
    model.AppendTimestamped("c");
    EXPECT_EQ(model.LineAt(5), "06.05.2022 07:08:09  b");
    EXPECT_EQ(model.LineAt(6), "03.02.2021 14:05:09  c");
}

TEST(LogModel, SystemTimePrefixIsNow)
{
    LogModel model;
    const QDateTime before = QDateTime::currentDateTime();
    model.AppendTimestamped("now");
    model.AppendTimestamped("explicit", QDateTime(QDate(2021, 2, 3), QTime(14, 5, 9)));
    model.AppendTimestamped("now again");
    const QDateTime after = QDateTime::currentDateTime();
    const QRegularExpression form("^(\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d)  (.*)$");
    for (int i : {0, 2}) {
        const auto match = form.match(model.LineAt(i));
        ASSERT_TRUE(match.hasMatch()) << model.LineAt(i).toStdString();
        const QDateTime stamp = QDateTime::fromString(match.captured(1), "dd.MM.yyyy HH:mm:ss");
        EXPECT_GE(stamp, before.addMSecs(-before.time().msec()));
        EXPECT_LE(stamp, after);
        EXPECT_EQ(match.captured(2), i == 0 ? "now" : "now again");
    }
}

// Qt's model checker watching appends, batches and clears.
TEST(LogModel, PassesTheModelTester)
{
    QStringList complaints;
    static QStringList* sink = nullptr;
    sink = &complaints;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
            if (type != QtDebugMsg && type != QtInfoMsg)
                sink->append(m);
        });
    {
        LogModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < 500; ++i)
                model.AppendTimestamped(QString("round %1 line %2").arg(round).arg(i));
            model.Flush();
            model.Append("pending");
            testsupport::WaitFor([&] { return model.PendingCount() == 0; }, 5000);
        }
        model.Append("before clear");
        model.Clear();
        model.Append("after clear");
        model.Flush();
        EXPECT_EQ(model.rowCount(), 1);
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(complaints.isEmpty()) << complaints.join('\n').toStdString();
}

} // namespace
