#include "controller/Composer.h"
#include "controller/DeviceState.h"

#include <gtest/gtest.h>

namespace {

struct PreviewCase
{
    const char* name;
    QString text;
    bool flash;
    const char* encoding;
    const char* symbols;
    const char* parts;
};

QString Repeat(const QString& piece, int times)
{
    QString out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

class PreviewTable : public ::testing::TestWithParam<PreviewCase>
{ };

TEST_P(PreviewTable, ShowsWhatTheEncoderSends)
{
    const PreviewCase& c = GetParam();
    const ComposerPreview preview = Composer::Preview(c.text, c.flash);
    EXPECT_EQ(preview.Encoding, QLatin1String(c.encoding));
    EXPECT_EQ(preview.Symbols, QLatin1String(c.symbols));
    EXPECT_EQ(preview.Parts, QLatin1String(c.parts));
}

// Part counts come from the splitter: 160 septets alone, 152 a part, extension characters two
// septets, and anything outside the GSM alphabet as UCS2 (70 alone, 67 a part).
INSTANTIATE_TEST_SUITE_P(
    Composer, PreviewTable,
    ::testing::Values(PreviewCase{"Empty", QString(), false, "GSM", "0", "1"},
                      PreviewCase{"Latin160", Repeat(QStringLiteral("a"), 160), false, "GSM", "160", "1"},
                      PreviewCase{"Latin161", Repeat(QStringLiteral("a"), 161), false, "GSM", "161", "2"},
                      PreviewCase{"Euro80IsTwoSeptetsEach", Repeat(QStringLiteral("\u20AC"), 81), false, "GSM", "81",
                                  "2"},
                      PreviewCase{"Cyrillic70", Repeat(QStringLiteral("\u0436"), 70), false, "UCS2", "70", "1"},
                      PreviewCase{"Cyrillic71", Repeat(QStringLiteral("\u0436"), 71), false, "UCS2", "71", "2"},
                      PreviewCase{"ACharacterOutsideGsm", QStringLiteral("A\u0100"), false, "UCS2", "2", "1"},
                      PreviewCase{"TrailingBlanksDoNotCount", QStringLiteral("Hi  \r\n\r\n "), false, "GSM", "2", "1"},
                      PreviewCase{"FlashShort", QStringLiteral("Hello"), true, "GSM", "5/70", "-"},
                      PreviewCase{"FlashLongIsCut", Repeat(QStringLiteral("b"), 100), true, "GSM", "70/70", "-"}),
    [](const ::testing::TestParamInfo<PreviewCase>& info) { return std::string(info.param.name); });

TEST(Composer, FlashCutKeepsTheFirstSeventyCharacters)
{
    const ComposerPreview preview = Composer::Preview(Repeat(QStringLiteral("0123456789"), 10), true);
    ASSERT_TRUE(preview.Cut);
    EXPECT_EQ(preview.CutText, Repeat(QStringLiteral("0123456789"), 7));
    EXPECT_FALSE(Composer::Preview(Repeat(QStringLiteral("x"), 70), true).Cut);
}

TEST(Composer, NormalisedTextUsesLineFeedsAndDropsTrailingWhiteSpace)
{
    EXPECT_EQ(Composer::NormalisedText(QStringLiteral("a\r\nb \r\n\r\n\t ")), QStringLiteral("a\nb"));
    EXPECT_EQ(Composer::NormalisedText(QStringLiteral("  lead")), QStringLiteral("  lead"));
}

struct KeyCase
{
    const char* current;
    int cursor;
    int selection;
    char key;
    bool allowed;
};

class NumberKeys : public ::testing::TestWithParam<KeyCase>
{ };

TEST_P(NumberKeys, FollowTheNumberRules)
{
    const KeyCase& c = GetParam();
    EXPECT_EQ(Composer::NumberKeyAllowed(QString::fromLatin1(c.current), c.cursor, c.selection, QLatin1Char(c.key)),
              c.allowed)
        << "'" << c.current << "' at " << c.cursor << " key " << c.key;
}

INSTANTIATE_TEST_SUITE_P(Composer, NumberKeys,
                         ::testing::Values(KeyCase{"", 0, 0, '5', true}, KeyCase{"", 0, 0, '+', true},
                                           KeyCase{"1", 1, 0, '+', false},  // "+" only first
                                           KeyCase{"+1", 2, 0, '+', false}, // and only once
                                           KeyCase{"+1", 0, 0, '2', false}, // nothing before the "+"
                                           KeyCase{"+1", 0, 2, '3', true},  // a selection lifts both
                                           KeyCase{"12", 0, 2, '+', true}, KeyCase{"12", 2, 0, 'a', false},
                                           KeyCase{"12", 2, 0, '\b', true}, KeyCase{"+", 1, 0, ' ', false}));

TEST(Composer, FlashCutNeverHalvesACharacterOfTwoUnits)
{
    // 69 letters and an emoji: the emoji's two units are the 70th and 71st.
    const QString text = Repeat(QStringLiteral("a"), 69) + QString::fromUtf16(u"\U0001F600") + QStringLiteral("tail");
    const ComposerPreview preview = Composer::Preview(text, true);
    ASSERT_TRUE(preview.Cut);
    EXPECT_EQ(preview.CutText, Repeat(QStringLiteral("a"), 69));
    for (const QChar c : preview.CutText)
        EXPECT_FALSE(c.isSurrogate());
    // Ending exactly at 70 units, the emoji stays whole.
    const QString fits = Repeat(QStringLiteral("a"), 68) + QString::fromUtf16(u"\U0001F600") + QStringLiteral("tail");
    EXPECT_TRUE(Composer::Preview(fits, true).CutText.endsWith(QString::fromUtf16(u"\U0001F600")));
}

TEST(Composer, FlashTextStopsAtSeventy)
{
    EXPECT_TRUE(Composer::FlashKeyAllowed(Repeat(QStringLiteral("x"), 69)));
    EXPECT_FALSE(Composer::FlashKeyAllowed(Repeat(QStringLiteral("x"), 70)));
    EXPECT_TRUE(Composer::FlashKeyAllowed(Repeat(QStringLiteral("x"), 69) + QStringLiteral("   ")));
}

TEST(DeviceState, SignalTable)
{
    const struct
    {
        std::uint32_t strength;
        int image;
        const char* text;
    } rows[] = {{0, 0, "-113 dBm"}, {1, 1, "-111 dBm"}, {3, 1, "-107 dBm"}, {4, 2, "-105 dBm"},
                {7, 2, "-99 dBm"},  {8, 3, "-97 dBm"},  {12, 3, "-89 dBm"}, {13, 4, "-87 dBm"},
                {16, 4, "-81 dBm"}, {17, 5, "-79 dBm"}, {31, 5, "-51 dBm"}};
    for (const auto& row : rows) {
        EXPECT_EQ(DeviceState::SignalImageOf(row.strength), row.image) << row.strength;
        EXPECT_EQ(DeviceState::SignalTextOf(row.strength), QLatin1String(row.text)) << row.strength;
    }
}

TEST(DeviceState, DataClassTableLowestListedBitWins)
{
    const struct
    {
        std::uint32_t flags;
        const char* custom;
        const char* text;
        int image;
    } rows[] = {{0, "", "", 2},           {0x1, "", "GPRS", 3},          {0x2, "", "EDGE", 4},
                {0x4, "", "UMTS", 5},     {0x8, "", "HSPA", 6},          {0x10, "", "HSPA", 6},
                {0x20, "", "LTE", 7},     {0x24, "", "UMTS", 5},         {0x40, "", "5G", 9},
                {0x80, "", "5G", 9},      {0x10000, "", "1XRTT", 2},     {0x20000, "", "IXEV-DO", 2},
                {0x400000, "", "UMB", 2}, {0x80000000, "", "CUSTOM", 8}, {0x80000000, "Sat", "Sat", 8},
                {0x800, "", "", 2}};
    for (const auto& row : rows) {
        int image = -1;
        EXPECT_EQ(DeviceState::DataClassText(row.flags, QLatin1String(row.custom), &image), QLatin1String(row.text))
            << std::hex << row.flags;
        EXPECT_EQ(image, row.image) << std::hex << row.flags;
    }
}

} // namespace
