#include "controller/PrintLayout.h"

#include <algorithm>
#include <cmath>

namespace print_layout {

int Dots(double mm, int dpi)
{
    return static_cast<int>(std::lround(mm / 25.4 * dpi));
}

int PaperMillimetres(int dots, int dpi)
{
    if (dpi <= 0)
        return 0;
    return static_cast<int>(std::lround(dots * 25.4 / dpi + 0.2));
}

PageGeometry PageGeometry::For(int pageWidth, int pageHeight, int dpiX, int dpiY, int textHeight)
{
    PageGeometry g;
    g.TopMargin = Dots(22, dpiY);
    g.BottomMargin = Dots(18, dpiY);
    g.LeftMargin = Dots(15, dpiX);
    g.RightMargin = Dots(15, dpiX);
    g.LineGap = Dots(0.5, dpiY);
    g.SideGap = Dots(0.5, dpiX);
    g.BoxLeft = g.LeftMargin;
    g.BoxTop = g.TopMargin;
    g.BoxRight = pageWidth - g.RightMargin;
    g.BoxBottom = pageHeight - g.BottomMargin;
    // At least one dot and one line, so that a tiny page still prints and counts its pages.
    g.LineHeight = std::max(1, textHeight + g.LineGap);
    g.LinesPerPage = std::max(1, g.BoxHeight() / g.LineHeight);
    return g;
}

int PageCount(int lines, int linesPerPage)
{
    if (linesPerPage <= 0)
        linesPerPage = 1;
    return lines / linesPerPage + (lines % linesPerPage != 0 ? 1 : 0);
}

namespace {

// The length of the longest leading part of text no wider than width; at least 1.
qsizetype FittingLength(const QString& text, int width, const MeasureFunction& measure)
{
    qsizetype low = 1; // fits, or is taken anyway
    qsizetype high = text.size() - 1;
    while (low < high) {
        const qsizetype mid = low + (high - low + 1) / 2;
        if (measure(text.left(mid)) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

QString TrimSpaces(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

} // namespace

QStringList WrapLine(const QString& line, int width, const MeasureFunction& measure)
{
    QStringList out;
    QString rest = line;
    while (!rest.isEmpty() && measure(rest) > width) {
        const qsizetype fit = FittingLength(rest, width, measure);
        const qsizetype space = rest.lastIndexOf(QLatin1Char(' '), fit - 1);
        if (space >= 0) {
            out << rest.left(space);
            rest = rest.mid(space + 1);
        } else {
            out << rest.left(fit);
            rest = rest.mid(fit);
        }
        rest = TrimSpaces(rest);
    }
    // A remainder of nothing but spaces is dropped; an empty line stays a line.
    if (!rest.isEmpty() || out.isEmpty())
        out << rest;
    return out;
}

QStringList WrapLines(const QStringList& lines, int width, const MeasureFunction& measure)
{
    QStringList out;
    for (const QString& line : lines)
        out << WrapLine(line, width, measure);
    return out;
}

std::vector<Placement> PlaceLines(int count, const PageGeometry& geometry)
{
    std::vector<Placement> placements;
    placements.reserve(static_cast<std::size_t>(std::max(0, count)));
    int page = 1;
    int top = geometry.TopMargin;
    for (int i = 0; i < count; ++i) {
        if (top != geometry.TopMargin && top + geometry.LineHeight >= geometry.BoxBottom) {
            ++page;
            top = geometry.TopMargin;
        }
        placements.push_back({page, top});
        top += geometry.LineHeight;
    }
    return placements;
}

} // namespace print_layout
