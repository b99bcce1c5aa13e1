#pragma once
// The drawing of the Conversations page: the thread's messages as bubbles (received on the left,
// sent on the right, day rows between), and the rows of the conversation list. A bubble's height
// is estimated from its text length until it is first drawn; drawing measures it and keeps the
// measure, so a long thread lays out without measuring every message.

#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <functional>

class SmsData;

class BubbleDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit BubbleDelegate(QObject* parent = nullptr);

    // The width rows are laid out for (the thread view's viewport); measures made for another go.
    void SetWidth(int width);
    int Width() const { return width_; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // Where a message row's parts are drawn inside its row rectangle.
    struct Geometry
    {
        QRect Bubble;
        QRect Text;
        QRect Footer;
        QRect Retry; // empty unless the message can be sent again
    };
    Geometry Layout(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // Measured heights kept (for tests and the benchmark).
    int Measured() const { return static_cast<int>(measured_.size()); }

Q_SIGNALS:
    // The Retry mark of a failed Outbox message was clicked.
    void RetryClicked(const QModelIndex& index);

private:
    struct Measure
    {
        int Width = 0;
        int Height = 0;
    };
    int TextWidth() const;
    int EstimatedHeight(const SmsData& data, const QFontMetrics& metrics) const;
    int FooterHeight(const QStyleOptionViewItem& option) const;

    int width_ = 400;
    mutable QHash<const SmsData*, Measure> measured_;
};

// A conversation list row: picture, name, date, the newest message and the unread count.
class ConversationRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using PictureFunction = std::function<QPixmap(const QModelIndex&)>;
    ConversationRowDelegate(PictureFunction picture, QObject* parent = nullptr);

    static constexpr int kPicture = 36;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    PictureFunction picture_;
};
