#include "windows/BubbleDelegate.h"

#include "controller/ConversationThread.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>

#include <algorithm>

namespace {

constexpr int kMargin = 10; // from the view's sides
constexpr int kGap = 3;     // above and below a bubble
constexpr int kPad = 8;     // inside a bubble
constexpr double kShare = 0.72;

const QColor kReceived(0xE9, 0xEB, 0xEE);
const QColor kSent(0xCF, 0xE6, 0xFF);
const QColor kQueued(0xFF, 0xF3, 0xCC);
const QColor kFailed(0xC6, 0x28, 0x28);
const QColor kFlash(0xEF, 0x8A, 0x00);
const QColor kInk(0x1B, 0x1B, 0x1F);
const QColor kQuiet(0x5F, 0x63, 0x68);

QFont Small(const QFont& font)
{
    QFont small = font;
    small.setPointSizeF(std::max(6.0, font.pointSizeF() * 0.85));
    return small;
}

QString FooterText(const QModelIndex& index)
{
    QStringList parts;
    const QString time = index.data(ThreadTimeRole).toString();
    if (!time.isEmpty())
        parts << time;
    const int count = index.data(ThreadPartsRole).toInt();
    if (count > 1)
        parts << QStringLiteral("%1 parts").arg(count);
    if (index.data(ThreadFlashRole).toBool())
        parts << QStringLiteral("Flash");
    const QString state = index.data(ThreadStateRole).toString();
    if (!state.isEmpty())
        parts << state;
    return parts.join(QStringLiteral("  \u00B7  "));
}

const QString kRetry = QStringLiteral("Retry");

QFont LinkFont(const QFont& small)
{
    QFont link = small;
    link.setUnderline(true);
    link.setBold(true);
    return link;
}

} // namespace

BubbleDelegate::BubbleDelegate(QObject* parent) : QStyledItemDelegate(parent)
{ }

void BubbleDelegate::SetWidth(int width)
{
    width_ = std::max(120, width);
}

int BubbleDelegate::TextWidth() const
{
    return std::max(80, static_cast<int>(width_ * kShare) - 2 * kPad);
}

int BubbleDelegate::FooterHeight(const QStyleOptionViewItem& option) const
{
    return QFontMetrics(Small(option.font)).height() + 2;
}

const SmsData* BubbleDelegate::DataOf(const QModelIndex& index) const
{
    if (thread_ && index.model() == thread_)
        return thread_->DataAt(index.row());
    return index.data(ThreadDataRole).value<SmsData*>();
}

bool BubbleDelegate::IsDay(const QModelIndex& index) const
{
    if (thread_ && index.model() == thread_)
        return thread_->KindAt(index.row()) == ConversationThread::DayKind;
    return index.data(ThreadKindRole).toInt() == ConversationThread::DayKind;
}

int BubbleDelegate::Measured() const
{
    return static_cast<int>(
        std::count_if(measured_.cbegin(), measured_.cend(), [](const Measure& m) { return m.Exact; }));
}

int BubbleDelegate::EstimatedHeight(const SmsData& data, const QFontMetrics& metrics) const
{
    // Counted from the parts themselves: joining the text would cost more than the estimate saves.
    qsizetype characters = 0;
    int breaks = 0;
    for (const SmsUnit& unit : data.Units) {
        if (unit.Duplicate)
            continue;
        characters += unit.Text.size();
        breaks += static_cast<int>(unit.Text.count(QLatin1Char('\n')));
    }
    // Lines break at words, so a wrapped line holds less than the width: counted a fifth short.
    const int perLine = std::max(1, TextWidth() * 4 / 5 / std::max(1, metrics.averageCharWidth()));
    const int lines = 1 + breaks + static_cast<int>(characters / perLine);
    return lines * metrics.lineSpacing();
}

QSize BubbleDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (IsDay(index))
        return QSize(width_, option.fontMetrics.height() + 16);
    const SmsData* data = DataOf(index);
    if (!data)
        return QSize(width_, option.fontMetrics.height());
    auto known = measured_.find(data);
    if (known == measured_.end() || known->Width != TextWidth())
        known = measured_.insert(data, Measure{TextWidth(), EstimatedHeight(*data, option.fontMetrics), false});
    return QSize(width_, known->Height + 2 * kPad + FooterHeight(option) + 2 * kGap);
}

BubbleDelegate::Geometry BubbleDelegate::Layout(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    Geometry g;
    const int kind = index.data(ThreadKindRole).toInt();
    const QRect row = option.rect.adjusted(kMargin, kGap, -kMargin, -kGap);
    const QRect bounds =
        option.fontMetrics.boundingRect(QRect(0, 0, TextWidth(), 1 << 20), Qt::TextWordWrap, index.data().toString());
    const QFontMetrics small(Small(option.font));
    const bool retry = index.data(ThreadRetryRole).toBool();
    const int retryWidth = retry ? QFontMetrics(LinkFont(Small(option.font))).horizontalAdvance(kRetry) + 12 : 0;
    // A few dots spare: widths are rounded, and an elided state would hide what went wrong.
    const int footerWidth = small.horizontalAdvance(FooterText(index)) + retryWidth + 6;
    const int inner = std::clamp(std::max(bounds.width(), footerWidth), 40, std::max(40, TextWidth()));
    const int width = inner + 2 * kPad;
    const int x = kind == ConversationThread::ReceivedKind ? row.left() : row.right() - width + 1;
    const int footer = FooterHeight(option);
    // Drawn in the room it was given when it fits there; a bubble that does not asks for more.
    const int needed = bounds.height() + 2 * kPad + footer;
    g.Bubble = QRect(x, row.top(), width, std::min(needed, row.height()));
    g.Text = QRect(x + kPad, row.top() + kPad, inner, std::min(bounds.height(), row.height() - 2 * kPad - footer));
    g.Footer = QRect(x + kPad, g.Bubble.bottom() - kPad - footer + 1, inner, footer);
    if (retry)
        g.Retry = QRect(g.Footer.right() - retryWidth + 1, g.Footer.top(), retryWidth, footer);
    if (const SmsData* data = DataOf(index)) {
        Measure& measure = measured_[data];
        const bool known = measure.Exact && measure.Width == TextWidth() && measure.Height == bounds.height();
        measure = Measure{TextWidth(), bounds.height(), true};
        if (!known && needed > row.height())
            Q_EMIT const_cast<BubbleDelegate*>(this)->sizeHintChanged(index);
        else if (!known && needed < row.height())
            Q_EMIT const_cast<BubbleDelegate*>(this)->Remeasured();
    }
    return g;
}

void BubbleDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const int kind = index.data(ThreadKindRole).toInt();
    if (kind == ConversationThread::DayKind) {
        const QString day = index.data().toString();
        const QFont font = Small(option.font);
        const int width = QFontMetrics(font).horizontalAdvance(day) + 20;
        const QRect pill(option.rect.center().x() - width / 2, option.rect.top() + 4, width, option.rect.height() - 8);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0xDD, 0xE1, 0xE6));
        painter->drawRoundedRect(pill, pill.height() / 2.0, pill.height() / 2.0);
        painter->setPen(kQuiet);
        painter->setFont(font);
        painter->drawText(pill, Qt::AlignCenter, day);
        painter->restore();
        return;
    }
    const Geometry g = Layout(option, index);
    const bool failed = index.data(ThreadFailedRole).toBool();
    const bool flash = index.data(ThreadFlashRole).toBool();
    const QColor fill = kind == ConversationThread::ReceivedKind ? kReceived
                        : kind == ConversationThread::SentKind   ? kSent
                                                                 : kQueued;
    QPen border(Qt::NoPen);
    if (option.state & QStyle::State_Selected)
        border = QPen(option.palette.color(QPalette::Highlight), 2);
    else if (failed)
        border = QPen(kFailed, 1.2);
    else if (flash)
        border = QPen(kFlash, 1.5);
    painter->setPen(border);
    painter->setBrush(fill);
    painter->drawRoundedRect(QRectF(g.Bubble).adjusted(1, 1, -1, -1), 10, 10);
    if (index.data(ThreadUnreadRole).toBool()) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(kFailed);
        painter->drawEllipse(QPoint(g.Bubble.right() + 6, g.Bubble.top() + 10), 3, 3);
    }

    painter->setPen(kInk);
    painter->setFont(option.font);
    painter->drawText(g.Text, Qt::TextWordWrap, index.data().toString());

    const QFont small = Small(option.font);
    painter->setFont(small);
    painter->setPen(failed ? kFailed : kQuiet);
    const QRect footer = g.Retry.isEmpty() ? g.Footer : g.Footer.adjusted(0, 0, -g.Retry.width(), 0);
    const Qt::Alignment side = kind == ConversationThread::ReceivedKind ? Qt::AlignLeft : Qt::AlignRight;
    painter->drawText(footer, side | Qt::AlignVCenter,
                      QFontMetrics(small).elidedText(FooterText(index), Qt::ElideMiddle, footer.width()));
    if (!g.Retry.isEmpty()) {
        painter->setFont(LinkFont(small));
        painter->setPen(option.palette.color(QPalette::Link));
        painter->drawText(g.Retry, Qt::AlignRight | Qt::AlignVCenter, kRetry);
    }
    painter->restore();
}

bool BubbleDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                 const QModelIndex& index)
{
    if (event->type() == QEvent::MouseButtonRelease && index.data(ThreadRetryRole).toBool()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (Layout(option, index).Retry.contains(mouse->position().toPoint())) {
            Q_EMIT RetryClicked(index);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

QWidget* BubbleDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    if (!DataOf(index))
        return nullptr;
    auto* text = new QPlainTextEdit(parent);
    text->setObjectName(QStringLiteral("BubbleText"));
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setFrameShape(QFrame::NoFrame);
    text->setFont(option.font);
    text->document()->setDocumentMargin(0);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setPlainText(index.data().toString());
    return text;
}

void BubbleDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const
{
    const Geometry g = Layout(option, index);
    editor->setGeometry(g.Text.adjusted(-1, -1, 1, 1));
}

ConversationRowDelegate::ConversationRowDelegate(PictureFunction picture, QObject* parent)
    : QStyledItemDelegate(parent), picture_(std::move(picture))
{ }

QSize ConversationRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), std::max(kPicture + 12, 2 * option.fontMetrics.lineSpacing() + 14));
}

void ConversationRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    QStyleOptionViewItem panel = option;
    initStyleOption(&panel, index);
    panel.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, widget);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = option.state & QStyle::State_Selected;
    const QRect r = option.rect.adjusted(6, 0, -8, 0);
    const QRect picture(r.left(), r.center().y() - kPicture / 2, kPicture, kPicture);
    const QPixmap pixmap = picture_ ? picture_(index) : QPixmap();
    const QString title = index.data().toString();
    if (!pixmap.isNull()) {
        QPainterPath clip;
        clip.addEllipse(QRectF(picture));
        painter->setClipPath(clip);
        painter->drawPixmap(picture,
                            pixmap.scaled(picture.size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation));
        painter->setClipping(false);
    } else {
        const QString key = index.data(ConversationKeyRole).toString();
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor::fromHsv(static_cast<int>(qHash(key) % 360), 90, 200));
        painter->drawEllipse(picture);
        painter->setPen(Qt::white);
        QFont initial = option.font;
        initial.setBold(true);
        painter->setFont(initial);
        const QChar first = title.isEmpty() ? QLatin1Char('?') : title.at(0).toUpper();
        painter->drawText(picture, Qt::AlignCenter, first == QLatin1Char('+') ? QStringLiteral("#") : QString(first));
    }

    const int unread = index.data(ConversationUnreadRole).toInt();
    const int left = picture.right() + 10;
    const int line = option.fontMetrics.lineSpacing();
    const int top = r.center().y() - line - 1;
    const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    const QFont small = Small(option.font);
    const QString when = index.data(ConversationDateTimeRole).toString();
    const int whenWidth = QFontMetrics(small).horizontalAdvance(when);
    painter->setFont(small);
    painter->setPen(selected ? text : kQuiet);
    painter->drawText(QRect(r.right() - whenWidth, top, whenWidth, line), Qt::AlignRight | Qt::AlignVCenter, when);

    QFont name = option.font;
    name.setBold(true);
    painter->setFont(name);
    painter->setPen(text);
    const int nameWidth = r.right() - whenWidth - 8 - left;
    painter->drawText(QRect(left, top, nameWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(name).elidedText(title, Qt::ElideRight, nameWidth));

    QString badge;
    int badgeWidth = 0;
    if (unread > 0) {
        badge = QString::number(unread);
        badgeWidth = std::max(line, QFontMetrics(small).horizontalAdvance(badge) + 10);
        const QRect pill(r.right() - badgeWidth, top + line + 3, badgeWidth, line - 2);
        painter->setPen(Qt::NoPen);
        painter->setBrush(kFailed);
        painter->drawRoundedRect(pill, pill.height() / 2.0, pill.height() / 2.0);
        painter->setPen(Qt::white);
        painter->setFont(small);
        painter->drawText(pill, Qt::AlignCenter, badge);
    }
    QFont preview = option.font;
    preview.setBold(unread > 0);
    painter->setFont(preview);
    painter->setPen(selected ? text : (unread > 0 ? kInk : kQuiet));
    const int previewWidth = r.right() - left - (badgeWidth ? badgeWidth + 8 : 0);
    painter->drawText(
        QRect(left, top + line + 2, previewWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(preview).elidedText(index.data(ConversationPreviewRole).toString(), Qt::ElideRight, previewWidth));
    painter->restore();
}
