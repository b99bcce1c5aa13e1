#include "windows/MessagePrinter.h"

#include "controller/PrintLayout.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

#include <exception>

namespace {

constexpr int kPenWidth = 1;

void DrawFrame(QPainter& painter, QPrinter& printer, const print_layout::PageGeometry& g, const QString& title,
               int page, int pages)
{
    painter.setPen(QPen(Qt::black, kPenWidth));
    const int topLine = g.BoxTop - 10 * g.LineGap;
    painter.drawLine(g.BoxLeft, topLine, g.BoxRight, topLine);
    const QFont titleFont = MessagePrinter::TitleFont();
    const QFontMetrics titleMetrics(titleFont, &printer);
    painter.setFont(titleFont);
    const int titleBottom = g.BoxTop - 11 * g.LineGap - kPenWidth;
    painter.drawText(g.LeftMargin, titleBottom - titleMetrics.descent(), title);

    const int bottomLine = g.BoxBottom + g.LineGap;
    painter.drawLine(g.BoxLeft, bottomLine, g.BoxRight, bottomLine);
    const QFont numberFont = MessagePrinter::PageNumberFont();
    const QFontMetrics numberMetrics(numberFont, &printer);
    painter.setFont(numberFont);
    const QString text = QString::asprintf("Page %d of %d", page, pages);
    const int right = g.BoxRight - g.SideGap;
    const int top = g.BoxBottom + 2 * g.LineGap + kPenWidth;
    painter.drawText(right - numberMetrics.horizontalAdvance(text), top + numberMetrics.ascent(), text);
}

} // namespace

MessagePrinter::MessagePrinter(QWidget* parent) : QObject(parent), parent_(parent)
{ }

MessagePrinter::~MessagePrinter() = default;

QFont MessagePrinter::BodyFont()
{
    return QFont(QStringLiteral("Arial"), 10);
}

QFont MessagePrinter::TitleFont()
{
    QFont font(QStringLiteral("Arial"), 10);
    font.setBold(true);
    return font;
}

QFont MessagePrinter::PageNumberFont()
{
    QFont font(QStringLiteral("Arial"), 8);
    font.setItalic(true);
    return font;
}

void MessagePrinter::SmsPrintActionExecute(const QString& documentName, const QString& title, const QStringList& lines,
                                           const LogFunction& log)
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    bool accepted = false;
    if (runner_) {
        accepted = runner_(*printer_);
    } else {
        QPrintDialog dialog(printer_.get(), parent_);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (accepted)
        Print(*printer_, documentName, title, lines, log);
}

bool MessagePrinter::Print(QPrinter& printer, const QString& documentName, const QString& title,
                           const QStringList& lines, const LogFunction& log)
{
    log(QStringLiteral("Messages -> Print"));
    const auto failed = [&log](const QString& message) {
        log(QStringLiteral("Messages -> Print -> Error -> ") + message);
        return false;
    };
    try {
        const int dpiX = printer.logicalDpiX();
        const int dpiY = printer.logicalDpiY();
        log(QStringLiteral("Messages -> Print -> Resolution: %1 x %2 dpi").arg(dpiX).arg(dpiY));
        const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
        log(QStringLiteral("Messages -> Print -> Paper size: %1 x %2 mm")
                .arg(print_layout::PaperMillimetres(paper.width(), dpiX))
                .arg(print_layout::PaperMillimetres(paper.height(), dpiY)));

        const QFont body = BodyFont();
        const QFontMetrics metrics(body, &printer);
        const print_layout::PageGeometry g =
            print_layout::PageGeometry::For(printer.width(), printer.height(), dpiX, dpiY,
                                            metrics.size(Qt::TextSingleLine, QStringLiteral("X")).height());
        const QStringList wrapped = print_layout::WrapLines(
            lines, g.BoxWidth(), [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
        const int pages = print_layout::PageCount(static_cast<int>(wrapped.size()), g.LinesPerPage);
        log(QStringLiteral("Messages -> Print -> Pages: %1").arg(pages));

        printer.setDocName(documentName);
        QPainter painter;
        if (!painter.begin(&printer)) {
            log(QStringLiteral("Messages -> Print -> Device not ready"));
            return false;
        }
        const std::vector<print_layout::Placement> placements =
            print_layout::PlaceLines(static_cast<int>(wrapped.size()), g);
        int page = 1;
        DrawFrame(painter, printer, g, title, page, pages);
        for (qsizetype i = 0; i < wrapped.size(); ++i) {
            const print_layout::Placement& at = placements[static_cast<std::size_t>(i)];
            if (at.Page != page) {
                if (!printer.newPage())
                    return failed(QStringLiteral("The printer could not start a new page"));
                page = at.Page;
                DrawFrame(painter, printer, g, title, page, pages);
            }
            painter.setFont(body);
            painter.drawText(g.LeftMargin, at.Top + metrics.ascent(), wrapped[i]);
        }
        if (!painter.end())
            return failed(QStringLiteral("The printer did not complete the job"));
    } catch (const std::exception& error) {
        return failed(QString::fromLocal8Bit(error.what()));
    }
    log(QStringLiteral("Messages -> Print -> Done"));
    return true;
}
