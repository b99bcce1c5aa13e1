#include "controller/Csv.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
}

TEST(Csv, JoinThenSplitGivesTheFieldsBack)
{
    const QStringList fields{"7", "\"quoted\"", "a;b,c\td e", "", "Ω ünïcode", "end\""};
    for (QChar d : {QChar(';'), QChar(','), QChar('\t'), QChar(' ')})
        EXPECT_EQ(csv::SplitFields(csv::JoinFields(fields, d), d), fields) << int(d.unicode());
}

TEST(Csv, WritesBomAndCrLfAndReadsAnyLineEnd)
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
    mixed.write("\xEF\xBB\xBFone\r\ntwo\rthree\n\nfour");
    mixed.close();
    QStringList lines;
    ASSERT_TRUE(csv::ReadLines(mixed.fileName(), &lines, &error));
    EXPECT_EQ(lines, (QStringList{"one", "two", "three", "", "four"}));
}

TEST(Csv, ReportsFilesItCannotUse)
{
    QTemporaryDir dir;
    QStringList lines{"kept"};
    QString error;
    EXPECT_FALSE(csv::ReadLines(dir.filePath("missing.csv"), &lines, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(lines, QStringList{"kept"});
    error.clear();
    EXPECT_FALSE(csv::Writer(';').Save(dir.filePath("no/such/folder/x.csv"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
