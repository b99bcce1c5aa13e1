#pragma once
// The geometry of a printed message and the breaking of its lines, in the printer's dots. Text
// widths come from a function, so the rules hold for any font and are testable without one.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace print_layout {

// Width of a text in dots.
using MeasureFunction = std::function<int(const QString&)>;

// Millimetres to dots at a resolution, rounded.
int Dots(double mm, int dpi);
// A paper side in whole millimetres from its dots, as the log reports it.
int PaperMillimetres(int dots, int dpi);

struct PageGeometry
{
    int TopMargin = 0;
    int BottomMargin = 0;
    int LeftMargin = 0;
    int RightMargin = 0;
    int LineGap = 0;
    int SideGap = 0;
    // The printable box: from the left margin to the page width less the right margin, from the
    // top margin to the page height less the bottom margin.
    int BoxLeft = 0;
    int BoxTop = 0;
    int BoxRight = 0;
    int BoxBottom = 0;
    int LineHeight = 0;
    int LinesPerPage = 0;

    int BoxWidth() const { return BoxRight - BoxLeft; }
    int BoxHeight() const { return BoxBottom - BoxTop; }

    // pageWidth and pageHeight in dots; textHeight is the height of a body line's text.
    static PageGeometry For(int pageWidth, int pageHeight, int dpiX, int dpiY, int textHeight);
};

// Pages for this many lines: whole pages plus one for a remainder.
int PageCount(int lines, int linesPerPage);

// Breaks a line wider than width: the longest leading part that fits (at least one character)
// ends at its last space, which is dropped, or, without a space, where it stops fitting; the rest
// loses its surrounding spaces and is broken the same way. A line that fits stays whole.
QStringList WrapLine(const QString& line, int width, const MeasureFunction& measure);
QStringList WrapLines(const QStringList& lines, int width, const MeasureFunction& measure);

// Where a line is drawn: its page (from 1) and the top of its text.
struct Placement
{
    int Page = 1;
    int Top = 0;
    bool operator==(const Placement&) const = default;
};
// Lines go down from the top margin one line height apart; a line whose bottom would reach the
// box bottom starts the next page, unless it is the first of its page.
std::vector<Placement> PlaceLines(int count, const PageGeometry& geometry);

} // namespace print_layout
