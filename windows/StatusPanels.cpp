#include "windows/StatusPanels.h"

#include "windows/Images.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr QSize ImageSize(28, 18);

} // namespace

SignalPanel::SignalPanel(std::function<void()> onDoubleClick, QWidget* parent)
    : QFrame(parent), onDoubleClick_(std::move(onDoubleClick))
{
    setFrameShape(QFrame::StyledPanel);
}

void SignalPanel::Set(int image, const QString& text, bool showText)
{
    if (image == image_ && text == text_ && showText == showText_)
        return;
    image_ = image;
    text_ = text;
    showText_ = showText;
    setToolTip(text);
    update();
}

void SignalPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect();
    const QPixmap picture = Images::Signal(image_).pixmap(ImageSize);
    if (!showText_ || text_.isEmpty()) {
        painter.drawPixmap(area.x() + (area.width() - ImageSize.width()) / 2,
                           area.y() + (area.height() - ImageSize.height()) / 2, picture);
        return;
    }
    const int top = area.y() + (area.height() - ImageSize.height()) / 2;
    painter.drawPixmap(area.x() + 8, top, picture);
    // Small and grey beside the image, its baseline a little below the image's bottom.
    QFont small = font();
    small.setPointSize(7);
    painter.setFont(small);
    painter.setPen(QColor(0xA0, 0xA0, 0xA0));
    const QFontMetrics metrics(small);
    const int baseline = std::min(top + ImageSize.height() + 2 - metrics.descent(), area.bottom() - metrics.descent());
    painter.drawText(area.x() + 8 + ImageSize.width() + 10, baseline, text_);
}

void SignalPanel::mouseDoubleClickEvent(QMouseEvent*)
{
    if (onDoubleClick_)
        onDoubleClick_();
}
