#include "windows/WizardWindow.h"

#include "windows/Images.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

TWizardWindow::TWizardWindow(const QString& objectName, const QString& caption, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setWindowIcon(parent ? parent->windowIcon() : QApplication::windowIcon());
    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
}

TWizardWindow::~TWizardWindow()
{
    while (waitCursors_ > 0)
        SetWaitCursor(false);
}

void TWizardWindow::Assemble(QWidget* band, std::initializer_list<QPushButton*> leading)
{
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    if (band) {
        box->addWidget(band);
        box->addWidget(Rule(this));
    }
    box->addWidget(pages_, 1);
    box->addWidget(Rule(this));

    // Made after the pages, so that Tab reaches them last.
    back_ = AddButton("BackButton", QStringLiteral("< Back"));
    next_ = AddButton("NextButton", QStringLiteral("Next >"));
    close_ = AddButton("CloseButton", QStringLiteral("Close"));
    connect(back_, &QPushButton::clicked, this, [this] { Run(&WizardPages::Back); });
    connect(next_, &QPushButton::clicked, this, [this] { Run(&WizardPages::Next); });
    connect(close_, &QPushButton::clicked, this, [this] {
        if (Wizard().CloseEnabled())
            Finish();
    });
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 10, 12, 12);
    buttons->setSpacing(6);
    for (QPushButton* button : leading)
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addSpacing(12);
    buttons->addWidget(close_);
    box->addLayout(buttons);
}

QPushButton* TWizardWindow::AddButton(const char* name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent ? parent : this);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QWidget* TWizardWindow::Band(QWidget* parent, const QString& titleName, const QString& title,
                             const QString& pictureName, const char* icon)
{
    auto* band = new QWidget(parent);
    band->setBackgroundRole(QPalette::Base);
    band->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(band);
    layout->setContentsMargins(18, 10, 14, 10);
    QLabel* titleLabel = AddLabel(band, titleName, title);
    QFont titleFont = Bold(titleLabel->font());
    titleFont.setPointSize(titleFont.pointSize() + 4);
    titleLabel->setFont(titleFont);
    QLabel* picture = AddLabel(band, pictureName);
    picture->setPixmap(Images::Theme(icon).pixmap(40, 40));
    // A screen reader names the picture by what the band is about.
    picture->setAccessibleName(title.isEmpty() ? windowTitle() : title);
    layout->addWidget(titleLabel, 1);
    layout->addWidget(picture);
    return band;
}

QWidget* TWizardWindow::NewPage(int index, QVBoxLayout*& layout)
{
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("A%1").arg(index));
    layout = new QVBoxLayout(page);
    layout->setContentsMargins(18, 14, 18, 10);
    layout->setSpacing(6);
    return page;
}

QWidget* TWizardWindow::NewFramedPage(int index, const QString& title, const char* pictureName, const char* icon,
                                      QVBoxLayout*& layout)
{
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("A%1").arg(index));
    auto* frame = new QVBoxLayout(page);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    frame->addWidget(Band(page, QStringLiteral("TitleA%1").arg(index), title, QString::fromLatin1(pictureName), icon));
    frame->addWidget(Rule(page));
    auto* body = new QWidget(page);
    layout = new QVBoxLayout(body);
    layout->setContentsMargins(18, 12, 18, 10);
    layout->setSpacing(6);
    frame->addWidget(body, 1);
    return page;
}

QLabel* TWizardWindow::AddLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLabel* TWizardWindow::Label(const QString& name) const
{
    return findChild<QLabel*>(name);
}

bool TWizardWindow::ShowPage()
{
    const WizardPages& w = const_cast<TWizardWindow*>(this)->Wizard();
    const bool changed = pages_->currentIndex() != w.PageIndex();
    pages_->setCurrentIndex(w.PageIndex());
    back_->setEnabled(w.BackEnabled());
    next_->setEnabled(w.NextEnabled());
    close_->setEnabled(w.CloseEnabled());
    return changed;
}

void TWizardWindow::ChooseDefault(QPushButton* action)
{
    if (action)
        action->setDefault(true);
    else if (Wizard().NextEnabled())
        next_->setDefault(true);
    else
        close_->setDefault(true);
}

void TWizardWindow::SetWaitCursor(bool on)
{
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++waitCursors_;
    } else if (waitCursors_ > 0) {
        QApplication::restoreOverrideCursor();
        --waitCursors_;
    }
}

void TWizardWindow::Finish()
{
    if (finishing_)
        return;
    finishing_ = true;
    done(Accepted() ? QDialog::Accepted : QDialog::Rejected);
    finishing_ = false;
}

void TWizardWindow::reject()
{
    // Escape closes the window only while Close may be used.
    if (Wizard().CloseEnabled())
        Finish();
}

QFont TWizardWindow::Bold(QFont font)
{
    font.setBold(true);
    return font;
}

QLabel* TWizardWindow::Wrapped(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLabel* TWizardWindow::Heading(const QString& text, QWidget* parent)
{
    QLabel* label = Wrapped(text, parent);
    label->setFont(Bold(label->font()));
    return label;
}

QFrame* TWizardWindow::Rule(QWidget* parent)
{
    auto* rule = new QFrame(parent);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}
