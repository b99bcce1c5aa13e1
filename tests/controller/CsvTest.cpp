#include "controller/Csv.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct SplitCase
{
    const char* name;
    QString line;
    QChar delimiter;
    QStringList fields;
};

class CsvSplit : public ::testing::TestWithParam<SplitCase>
{ };

TEST_P(CsvSplit, GivesTheFields)
{
    const SplitCase& c = GetParam();
    EXPECT_EQ(csv::SplitFields(c.line, c.delimiter), c.fields);
}

INSTANTIATE_TEST_SUITE_P(Lines, CsvSplit,
                         ::testing::Values(SplitCase{"empty", "", ';', {}},
                                           SplitCase{"plain", "1;Ann;;x y", ';', {"1", "Ann", "", "x y"}},
                                           SplitCase{"trailingDelimiter", "a;b;", ';', {"a", "b", ""}},
                                           SplitCase{"onlyDelimiter", ";", ';', {"", ""}},
                                           SplitCase{"quotedDelimiter", "1;\"a;b\";c", ';', {"1", "a;b", "c"}},
                                           SplitCase{"doubledQuote", "\"say \"\"hi\"\"\";x", ';', {"say \"hi\"", "x"}},
                                           SplitCase{"textAfterQuote", "\"ab\"cd;e", ';', {"ab", "cd", "e"}},
                                           SplitCase{"unclosedQuote", "\"abc;d", ';', {"abc;d"}},
                                           SplitCase{"quoteInsidePlain", "a\"b;c", ';', {"a\"b", "c"}},
                                           SplitCase{"tab", "1\tA B\t", '\t', {"1", "A B", ""}},
                                           SplitCase{"space", "1 \"A B\" c", ' ', {"1", "A B", "c"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Csv, QuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(csv::JoinFields({"1", "Smith; John", "", "", "", "", "", ""}, ';'),
              QStringLiteral("1;\"Smith; John\";;;;;;"));
    EXPECT_EQ(csv::JoinFields({"a,b", "c;d", "e\"f"}, ','), QStringLiteral("\"a,b\",c;d,\"e\"\"f\""));
    EXPECT_EQ(csv::JoinFields({" x ", ""}, '\t'), QStringLiteral(" x \t"));
    EXPECT_EQ(csv::JoinFields({"a\nb", "c\rd", "e\r\nf", "g"}, ';'), QStringLiteral("\"a\nb\";\"c\rd\";\"e\r\nf\";g"));
}

TEST(Csv, JoinThenSplitGivesTheFieldsBack)
{
    const QStringList fields{"7", "\"quoted\"", "a;b,c\td e", "", "Ω ünïcode", "end\""};
    for (QChar d : {QChar(';'), QChar(','), QChar('\t'), QChar(' ')})
        EXPECT_EQ(csv::SplitFields(csv::JoinFields(fields, d), d), fields) << int(d.unicode());
}

// Every record of text, as the reader gives them.
std::vector<QStringList> Records(const QString& text, QChar delimiter, std::vector<qsizetype>* lines = nullptr)
{
    csv::RecordReader reader(text, delimiter);
    std::vector<QStringList> records;
    QStringList fields;
    while (reader.Next(&fields)) {
        records.push_back(fields);
        if (lines != nullptr)
            lines->push_back(reader.RecordLine());
    }
    return records;
}

struct RecordCase
{
    const char* name;
    QString text;
    std::vector<QStringList> records;
    std::vector<qsizetype> lines; // where each record begins
};

class CsvRecords : public ::testing::TestWithParam<RecordCase>
{ };

TEST_P(CsvRecords, AreReadAcrossQuotedLineBreaks)
{
    const RecordCase& c = GetParam();
    std::vector<qsizetype> lines;
    EXPECT_EQ(Records(c.text, ';', &lines), c.records);
    EXPECT_EQ(lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CsvRecords,
    ::testing::Values(
        RecordCase{
            "anyLineEnd", "one\r\ntwo\rthree\n\nfour", {{"one"}, {"two"}, {"three"}, {}, {"four"}}, {1, 2, 3, 4, 5}},
        RecordCase{"lastLineEnded", "a;b\r\n", {{"a", "b"}}, {1}},
        RecordCase{"quotedLf", "1;\"a\nb\";c\r\n2;d", {{"1", "a\nb", "c"}, {"2", "d"}}, {1, 3}},
        RecordCase{"quotedCrLfAndCr", "\"x\r\ny\rz\"\n;", {{"x\r\ny\rz"}, {"", ""}}, {1, 4}},
        RecordCase{"quotedEmptyLines", "\"\n\n\";end", {{"\n\n", "end"}}, {1}},
        RecordCase{"doubledQuoteOverLines", "\"say \"\"hi\r\n\"\"\";x", {{"say \"hi\r\n\"", "x"}}, {1}},
        RecordCase{"trailingDelimiterBeforeLineEnd", "a;\r\nb;\n", {{"a", ""}, {"b", ""}}, {1, 2}},
        RecordCase{"textAfterQuoteUpToLineEnd", "\"ab\"cd\ne", {{"ab", "cd"}, {"e"}}, {1, 2}},
        RecordCase{"unclosedQuoteKeepsToItsLine", "1;\"open;x\r\n2;b\r\n", {{"1", "open;x"}, {"2", "b"}}, {1, 2}},
        RecordCase{"unclosedQuoteAtTheEnd", "1;\"open", {{"1", "open"}}, {1}},
        RecordCase{"closedOnALaterLine", "1;\"a\n2;b\";c\n3", {{"1", "a\n2;b", "c"}, {"3"}}, {1, 3}},
        RecordCase{"quoteInsidePlainFieldIsText", "a\"b;c\nd\"", {{"a\"b", "c"}, {"d\""}}, {1, 2}},
        RecordCase{"onlyEmptyLines", "\r\n\n\r", {{}, {}, {}}, {1, 2, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Csv, RecordsWithLineBreaksSurviveWritingAndReading)
{
    const std::vector<QStringList> records{{"1", "Ann", "a\nb"},
                                           {"2", "\r\n", "\"q\"\r\n;,\t "},
                                           {"3", "", "ends with a break\n"},
                                           {"4", "\rstarts with one", ""}};
    for (QChar d : {QChar(';'), QChar(','), QChar('\t'), QChar(' ')}) {
        QTemporaryDir dir;
        csv::Writer writer(d);
        for (const QStringList& r : records)
            writer.AddLine(r);
        const QString path = dir.filePath("out.csv");
        QString error;
        ASSERT_TRUE(writer.Save(path, &error)) << error.toStdString();
        QString text;
        ASSERT_TRUE(csv::ReadText(path, &text, &error)) << error.toStdString();
        EXPECT_EQ(Records(text, d), records) << int(d.unicode());
    }
}

TEST(Csv, WritesBomAndCrLfAndReadsTheTextWithoutTheBom)
{
    QTemporaryDir dir;
    csv::Writer writer(';');
    writer.AddLine({"1", "a"});
    writer.AddLine({"2", "b;c"});
    const QString path = dir.filePath("out.csv");
    QString error;
    ASSERT_TRUE(writer.Save(path, &error)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\xEF\xBB\xBF"
                                         "1;a\r\n2;\"b;c\"\r\n"));

    QFile mixed(dir.filePath("mixed.txt"));
    ASSERT_TRUE(mixed.open(QIODevice::WriteOnly));
    mixed.write("\xEF\xBB\xBFone\r\n\xC3\xBC\xFFx");
    mixed.close();
    QString text;
    ASSERT_TRUE(csv::ReadText(mixed.fileName(), &text, &error));
    EXPECT_EQ(text, QStringLiteral("one\r\n\u00FC\uFFFDx")) << "bad bytes become replacement characters";

    QFile twice(dir.filePath("twice.txt"));
    ASSERT_TRUE(twice.open(QIODevice::WriteOnly));
    twice.write("\xEF\xBB\xBF\xEF\xBB\xBFx");
    twice.close();
    ASSERT_TRUE(csv::ReadText(twice.fileName(), &text, &error));
    EXPECT_EQ(text, QStringLiteral("\uFEFFx")) << "only the first mark is skipped";
}

TEST(Csv, ReportsFilesItCannotUse)
{
    QTemporaryDir dir;
    QString text = "kept";
    QString error;
    EXPECT_FALSE(csv::ReadText(dir.filePath("missing.csv"), &text, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(text, "kept");
    error.clear();
    EXPECT_FALSE(csv::Writer(';').Save(dir.filePath("no/such/folder/x.csv"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
