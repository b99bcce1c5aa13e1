#pragma once
// Status-bar panels that react to a double click: the signal panel, drawn by the window (the
// signal image with its level beside it when asked), and a plain text panel.

#include <QFrame>
#include <QLabel>

#include <functional>

class SignalPanel : public QFrame
{
public:
    explicit SignalPanel(std::function<void()> onDoubleClick, QWidget* parent = nullptr);
    void Set(int image, const QString& text, bool showText);
    int Image() const { return image_; }
    // The text as drawn: empty while it is not shown.
    QString DrawnText() const { return showText_ ? text_ : QString(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::function<void()> onDoubleClick_;
    int image_ = 0;
    QString text_;
    bool showText_ = false;
};

class ClickablePanel : public QLabel
{
public:
    explicit ClickablePanel(std::function<void()> onDoubleClick, QWidget* parent = nullptr)
        : QLabel(parent), onDoubleClick_(std::move(onDoubleClick))
    { }

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override
    {
        if (onDoubleClick_)
            onDoubleClick_();
    }

private:
    std::function<void()> onDoubleClick_;
};
