#include "controller/PrintLayout.h"

#include <gtest/gtest.h>

namespace {

using print_layout::PageGeometry;
using print_layout::Placement;

// Ten dots a character, twenty for a 'W'.
int FakeWidth(const QString& text)
{
    int width = 0;
    for (QChar c : text)
        width += c == QLatin1Char('W') ? 20 : 10;
    return width;
}

struct WrapCase
{
    const char* name;
    QString line;
    int width;
    QStringList lines;
};

class WrapLine : public ::testing::TestWithParam<WrapCase>
{ };

TEST_P(WrapLine, BreaksAtTheLastSpaceOfWhatFits)
{
    const WrapCase& c = GetParam();
    EXPECT_EQ(print_layout::WrapLine(c.line, c.width, FakeWidth), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WrapLine,
    ::testing::Values(WrapCase{"fitsExactly", "ab de", 50, {"ab de"}},
                      WrapCase{"oneTooWideAtTheLastSpace", "ab cdef", 60, {"ab", "cdef"}},
                      WrapCase{"oneTooWideWithoutSpace", "abcdefg", 60, {"abcdef", "g"}},
                      WrapCase{"spaceAsLastCharacterThatFits", "abcde fgh", 60, {"abcde", "fgh"}},
                      WrapCase{"wordEndingAtTheEdgeMovesDown", "ab cd ef", 50, {"ab", "cd ef"}},
                      WrapCase{"spaceJustPastWhatFits", "abcdef gh", 60, {"abcdef", "gh"}},
                      WrapCase{"wordsLongerThanTheBox", "the quick brown fox", 50, {"the", "quick", "brown", "fox"}},
                      WrapCase{"spacesAroundTheRestDropped", "abcd   efgh  ", 50, {"abcd", "efgh"}},
                      WrapCase{"innerSpacesOfALineStay", "a  b  c  d", 50, {"a  b", "c  d"}},
                      WrapCase{"emptyLine", "", 50, {""}}, WrapCase{"onlySpacesThatFit", "   ", 50, {"   "}},
                      WrapCase{"wideCharacters", "WWW i", 50, {"WW", "W i"}},
                      WrapCase{"boxNarrowerThanACharacter", "abc", 5, {"a", "b", "c"}},
                      WrapCase{"longRun", "aaaaaaaaaaaaaaaaaaaaaaa", 100, {"aaaaaaaaaa", "aaaaaaaaaa", "aaa"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WrapLines, KeepsTheOrderOfLinesAndTheirPieces)
{
    EXPECT_EQ(print_layout::WrapLines({"one two three", "", "four"}, 80, FakeWidth),
              QStringList({"one two", "three", "", "four"}));
}

TEST(PageGeometry, MarginsGapsAndBoxFollowEachAxisResolution)
{
    // A4 at 300 x 600 dpi: 2480 x 7016 dots.
    const PageGeometry g = PageGeometry::For(2480, 7016, 300, 600, 100);
    EXPECT_EQ(g.LeftMargin, 177); // 15 mm at 300 dpi
    EXPECT_EQ(g.RightMargin, 177);
    EXPECT_EQ(g.SideGap, 6);        // 0.5 mm at 300 dpi
    EXPECT_EQ(g.TopMargin, 520);    // 22 mm at 600 dpi
    EXPECT_EQ(g.BottomMargin, 425); // 18 mm at 600 dpi
    EXPECT_EQ(g.LineGap, 12);       // 0.5 mm at 600 dpi
    EXPECT_EQ(g.BoxLeft, 177);
    EXPECT_EQ(g.BoxRight, 2303);
    EXPECT_EQ(g.BoxTop, 520);
    EXPECT_EQ(g.BoxBottom, 6591);
    EXPECT_EQ(g.LineHeight, 112);
    EXPECT_EQ(g.LinesPerPage, 54); // 6071 / 112
}

TEST(PageGeometry, ATinyPageStillHoldsOneLine)
{
    const PageGeometry g = PageGeometry::For(100, 100, 72, 72, 200);
    EXPECT_EQ(g.LinesPerPage, 1);
    EXPECT_EQ(print_layout::PageCount(3, g.LinesPerPage), 3);
}

TEST(PaperMillimetres, RoundsAfterAddingAFifth)
{
    EXPECT_EQ(print_layout::PaperMillimetres(4961, 600), 210);
    EXPECT_EQ(print_layout::PaperMillimetres(7016, 600), 297);
    EXPECT_EQ(print_layout::PaperMillimetres(2370, 600), 101); // 100.33 mm
    EXPECT_EQ(print_layout::PaperMillimetres(2358, 600), 100); // 99.82 mm
    EXPECT_EQ(print_layout::PaperMillimetres(100, 0), 0);
}

TEST(PageCount, WholePagesAndOneForTheRest)
{
    const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {54, 1}, {55, 2}, {108, 2}, {109, 3}};
    for (const auto& [lines, pages] : cases)
        EXPECT_EQ(print_layout::PageCount(lines, 54), pages) << lines;
}

PageGeometry Box(int top, int bottom, int lineHeight)
{
    PageGeometry g;
    g.TopMargin = g.BoxTop = top;
    g.BoxBottom = bottom;
    g.LineHeight = lineHeight;
    return g;
}

TEST(PlaceLines, ALineThatWouldReachTheBoxBottomStartsTheNextPage)
{
    // Bottoms at 200, 300, then 400 reaches the bottom.
    EXPECT_EQ(print_layout::PlaceLines(5, Box(100, 400, 100)),
              (std::vector<Placement>{{1, 100}, {1, 200}, {2, 100}, {2, 200}, {3, 100}}));
    // With room to spare the third line fits.
    EXPECT_EQ(print_layout::PlaceLines(4, Box(100, 450, 100)),
              (std::vector<Placement>{{1, 100}, {1, 200}, {1, 300}, {2, 100}}));
}

TEST(PlaceLines, ALineTallerThanTheBoxGetsAPageOfItsOwnAndNoPageStaysEmpty)
{
    EXPECT_EQ(print_layout::PlaceLines(2, Box(100, 150, 100)), (std::vector<Placement>{{1, 100}, {2, 100}}));
    EXPECT_TRUE(print_layout::PlaceLines(0, Box(100, 400, 100)).empty());
}

} // namespace
