// The templates file: where it is, how it is read, and what a line gives as its code.

#include "ussd/Templates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ussd;

namespace {

struct LineCase
{
    const char* line;
    const char* code;
};

void PrintTo(const LineCase& c, std::ostream* os)
{
    *os << '"' << c.line << '"';
}

class TemplateLineTest : public testing::TestWithParam<LineCase>
{ };

TEST_P(TemplateLineTest, Code)
{
    EXPECT_EQ(TemplateCode(QString::fromUtf8(GetParam().line)), QString::fromUtf8(GetParam().code));
}

INSTANTIATE_TEST_SUITE_P(Ussd, TemplateLineTest,
                         testing::Values(LineCase{"Balance *100#", "*100#"},
                                         LineCase{"*111*2*1# my tariff plan", "*111*2*1#"},
                                         // A "#" in the comment is taken as the end of the code.
                                         LineCase{"*111# plan #2", "*111# plan #"}, LineCase{"--- Recent ---", ""},
                                         LineCase{"Balance *100", ""}, LineCase{"no code at all", ""},
                                         LineCase{"#*", ""}, LineCase{"*#", "*#"}, LineCase{"", ""},
                                         // Without "*" the line's start is taken, one character past the "#".
                                         LineCase{"#12", "#1"}, LineCase{"Код *102# баланс", "*102#"}));

TEST(TemplatesTest, RecentRequestsOnceRegardlessOfCase)
{
    QStringList items = {"Balance *100#", RecentItem};
    EXPECT_TRUE(AddRecentRequest(items, "*101#"));
    EXPECT_FALSE(AddRecentRequest(items, "*101#"));
    EXPECT_FALSE(AddRecentRequest(items, "balance *100#"));
    EXPECT_FALSE(AddRecentRequest(items, "--- RECENT ---"));
    EXPECT_TRUE(AddRecentRequest(items, "*100#"));
    EXPECT_EQ(items, (QStringList{"Balance *100#", RecentItem, "*101#", "*100#"}));
}

TEST(TemplatesTest, LinesWithoutTheirEndsAndBlankLines)
{
    EXPECT_EQ(TemplateLines("Balance *100#\r\n\r\n  \nMenu *101#\nlast"),
              (QStringList{"Balance *100#", "Menu *101#", "last"}));
    EXPECT_TRUE(TemplateLines("").isEmpty());
}

struct EncodingCase
{
    const char* name;
    QByteArray bytes;
};

void PrintTo(const EncodingCase& c, std::ostream* os)
{
    *os << c.name;
}

QByteArray Utf16(const QString& text, bool bigEndian, bool mark)
{
    QByteArray bytes;
    if (mark)
        bytes += bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8), low = static_cast<char>(c.unicode() & 0xFF);
        bytes += bigEndian ? QByteArray{&high, 1} + QByteArray{&low, 1} : QByteArray{&low, 1} + QByteArray{&high, 1};
    }
    return bytes;
}

const QString sample = QString::fromUtf8("Баланс *100#\r\nMenu *101# ä€\r\n");

class TemplateFileTest : public testing::TestWithParam<EncodingCase>
{ };

TEST_P(TemplateFileTest, ReadsTheLines)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("parlowen.ussd"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(GetParam().bytes);
    file.close();
    const auto lines = ReadTemplates(file.fileName());
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(*lines, (QStringList{QString::fromUtf8("Баланс *100#"), QString::fromUtf8("Menu *101# ä€")}));
}

INSTANTIATE_TEST_SUITE_P(Ussd, TemplateFileTest,
                         testing::Values(EncodingCase{"utf8 without a mark", sample.toUtf8()},
                                         EncodingCase{"utf8 with its mark", "\xEF\xBB\xBF" + sample.toUtf8()},
                                         EncodingCase{"utf16 little-endian", Utf16(sample, false, true)},
                                         EncodingCase{"utf16 big-endian", Utf16(sample, true, true)},
                                         EncodingCase{"utf16 odd last byte", Utf16(sample, false, true) + 'x'}));

TEST(TemplatesTest, AMissingFileOrAFolderIsNotRead)
{
    QTemporaryDir dir;
    EXPECT_FALSE(ReadTemplates(dir.filePath("missing.ussd")).has_value());
    EXPECT_FALSE(ReadTemplates(dir.path()).has_value());
}

TEST(TemplatesTest, RandomBytesNeverCrash)
{
    QRandomGenerator random(20240301);
    for (int round = 0; round < 500; ++round) {
        QByteArray bytes(static_cast<qsizetype>(random.bounded(0, 300)), Qt::Uninitialized);
        for (char& b : bytes)
            b = static_cast<char>(random.bounded(256));
        // Every kind of start: each mark, a mark cut short, none.
        static const QByteArray starts[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", "\xFE", "\xEF\xBB"};
        bytes.prepend(starts[round % std::size(starts)]);
        for (const QString& line : TemplateLines(DecodeTemplatesText(bytes))) {
            EXPECT_FALSE(line.trimmed().isEmpty());
            EXPECT_FALSE(line.contains(QLatin1Char('\n')));
            const QString code = TemplateCode(line);
            EXPECT_LE(code.size(), line.size());
            if (!code.isEmpty()) {
                EXPECT_TRUE(code.contains(QLatin1Char('#')));
            }
        }
    }
}

class PathTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
        QDir().mkpath(dir.filePath("bin"));
    }
    void TearDown() override { qputenv("XDG_DATA_HOME", saved); }

    QTemporaryDir dir;
    QByteArray saved;
};

TEST_F(PathTest, BesideTheProgramWhenThere)
{
    QFile beside(dir.filePath("bin/parlowen.ussd"));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    EXPECT_EQ(UssdTemplatesPath(dir.filePath("bin/parlowen")), dir.filePath("bin/parlowen.ussd"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("data/Parlowen")));
}

TEST_F(PathTest, OtherwiseInThePrivateDataFolder)
{
    EXPECT_EQ(UssdTemplatesPath(dir.filePath("bin/parlowen.bin")), dir.filePath("data/Parlowen/parlowen.ussd"));
    const QFileInfo folder(dir.filePath("data/Parlowen"));
    ASSERT_TRUE(folder.isDir());
    EXPECT_EQ(folder.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther |
                                      QFile::ExeGroup | QFile::ExeOther),
              QFileDevice::Permissions());
    // A folder of the same name beside the program is not a file.
    QDir().mkpath(dir.filePath("bin/parlowen.ussd"));
    EXPECT_EQ(UssdTemplatesPath(dir.filePath("bin/parlowen")), dir.filePath("data/Parlowen/parlowen.ussd"));
}

} // namespace
