#pragma once
// The drawing of the Conversations page: the thread's messages as bubbles (received on the left,
// sent on the right, day rows between), and the rows of the conversation list. A bubble's height
// is estimated from its text length, a little generously, until it is first drawn; drawing
// measures it and keeps the measure. A bubble that fits the room it was given is drawn in it, and
// only one that does not asks for a new layout, so a long thread lays out and scrolls without
// measuring every message.

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
    // The model drawn, read directly rather than through item data while laying out.
    void SetThread(const class ConversationThread* thread) { thread_ = thread; }
    int Width() const { return width_; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    // A double click opens the message's text over its bubble, read-only, to select parts of it.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget*, const QModelIndex&) const override { }
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override { }
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // Where a message row's parts are drawn inside its row rectangle.
    struct Geometry
    {
        QRect Bubble;
        QRect Text;
        QRect Footer;
        QRect Retry; // empty unless the message can be sent again
    };
    Geometry Layout(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // Heights measured by drawing (for tests and the benchmark).
    int Measured() const;

Q_SIGNALS:
    // The Retry mark of a failed Outbox message was clicked.
    void RetryClicked(const QModelIndex& index);
    // A bubble drawn needed less room than it was given: a layout at rest would close the gap.
    void Remeasured();

private:
    struct Measure
    {
        int Width = 0;
        int Height = 0;
        bool Exact = false; // drawn once; otherwise estimated from the text's length
    };
    const SmsData* DataOf(const QModelIndex& index) const;
    bool IsDay(const QModelIndex& index) const;
    int TextWidth() const;
    int EstimatedHeight(const SmsData& data, const QFontMetrics& metrics) const;
    int FooterHeight(const QStyleOptionViewItem& option) const;

    int width_ = 400;
    const class ConversationThread* thread_ = nullptr;
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
