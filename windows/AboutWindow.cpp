#include "windows/AboutWindow.h"

#include "windows/Images.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>

#ifndef PARLOWEN_PRODUCT_VERSION
#define PARLOWEN_PRODUCT_VERSION ""
#endif
#ifndef PARLOWEN_FILE_VERSION
#define PARLOWEN_FILE_VERSION ""
#endif
#ifndef PARLOWEN_RELEASE_VERSION
#define PARLOWEN_RELEASE_VERSION ""
#endif

const char* const TAboutWindow::ContactAddress = "support@corvaline.example";

namespace {

QLabel* Named(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// The tall picture at the left: the application's icon on the colours of its tray images.
QPixmap SidePicture()
{
    QPixmap picture(162, 271);
    QPainter p(&picture);
    QLinearGradient sky(0, 0, 0, 271);
    sky.setColorAt(0, QColor(0x2f, 0x6d, 0xb5));
    sky.setColorAt(1, QColor(0x17, 0x3a, 0x66));
    p.fillRect(picture.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 40), 2));
    for (int r = 40; r <= 200; r += 32)
        p.drawEllipse(QPointF(81, 250), r, r);
    p.drawPixmap(17, 60, Images::App(0).pixmap(128, 128));
    return picture;
}

// The row of version labels: its layout has placed them by the time it hears of its new size.
class VersionsRow : public QWidget
{
public:
    VersionsRow(std::function<void()> placed, QWidget* parent) : QWidget(parent), placed_(std::move(placed)) { }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        placed_();
    }

private:
    std::function<void()> placed_;
};

} // namespace

TAboutWindow::Versions TAboutWindow::BuildVersions()
{
    return {QString::fromLatin1(PARLOWEN_PRODUCT_VERSION), QString::fromLatin1(PARLOWEN_RELEASE_VERSION),
            QString::fromLatin1(PARLOWEN_FILE_VERSION)};
}

TAboutWindow::TAboutWindow(const QString& title, const Versions& versions, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("About"));
    setObjectName(QStringLiteral("TAboutWindow"));
    setWindowIcon(Images::App(0));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("TopPanel"));
    top->setAutoFillBackground(true);
    QPalette white = top->palette();
    white.setColor(QPalette::Window, Qt::white);
    top->setPalette(white);
    auto* topRow = new QHBoxLayout(top);
    topRow->setContentsMargins(16, 10, 16, 10);
    QLabel* heading = Named(QStringLiteral("About"), "Title", top);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
    heading->setFont(headingFont);
    topRow->addWidget(heading, 1);
    QLabel* img1 = Named(QString(), "IMG001", top);
    img1->setPixmap(Images::App(0).pixmap(24, 24));
    img1->setAccessibleName(QStringLiteral("Program icon"));
    topRow->addWidget(img1);
    outer->addWidget(top);

    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    QLabel* side = Named(QString(), "IMG002", this);
    side->setPixmap(SidePicture());
    side->setAccessibleName(QStringLiteral("Side picture"));
    side->setFixedSize(162, 271);
    side->setAlignment(Qt::AlignTop);
    auto* left = new QWidget(this);
    left->setObjectName(QStringLiteral("LeftPanel"));
    // The picture's own colour below it, down to the bottom strip.
    left->setAutoFillBackground(true);
    QPalette night = left->palette();
    night.setColor(QPalette::Window, QColor(0x17, 0x3a, 0x66));
    left->setPalette(night);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    leftColumn->addWidget(side);
    leftColumn->addStretch(1);
    middle->addWidget(left);

    auto* right = new QWidget(this);
    right->setObjectName(QStringLiteral("RightPanel"));
    right->setAutoFillBackground(true);
    right->setPalette(white);
    auto* page = new QVBoxLayout(right);
    page->setContentsMargins(20, 16, 20, 12);
    auto* nameRow = new QHBoxLayout;
    QLabel* img3 = Named(QString(), "IMG003", right);
    img3->setPixmap(Images::App(0).pixmap(32, 32));
    img3->setAccessibleName(QStringLiteral("Program icon"));
    nameRow->addWidget(img3);
    QLabel* name = Named(title, "AppName", right);
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.6);
    name->setFont(nameFont);
    nameRow->addWidget(name, 1);
    page->addLayout(nameRow);

    // Release sits midway between version and build; it is placed by hand after each resize.
    auto* versionsRow = new VersionsRow([this] { PlaceRelease(); }, right);
    versionsRow->setObjectName(QStringLiteral("Versions"));
    auto* versionsLayout = new QHBoxLayout(versionsRow);
    versionsLayout->setContentsMargins(0, 0, 0, 0);
    product_ = Named(QStringLiteral("Version:"), "ProductVersion", versionsRow);
    build_ = Named(QStringLiteral("Build:"), "BuildVersion", versionsRow);
    versionsLayout->addWidget(product_);
    versionsLayout->addStretch(1);
    versionsLayout->addWidget(build_);
    release_ = Named(QStringLiteral("Release:"), "ReleaseVersion", versionsRow);
    release_->setAlignment(Qt::AlignCenter);
    if (!versions.product.isEmpty())
        product_->setText(QStringLiteral("Version: ") + versions.product);
    if (!versions.file.isEmpty())
        build_->setText(QStringLiteral("Build: ") + versions.file);
    release_->setText(versions.release.isEmpty() ? QString() : QStringLiteral("Release: ") + versions.release);
    page->addWidget(versionsRow);

    const QString address = QString::fromLatin1(ContactAddress);
    QLabel* mail = Named(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(address), "L004", right);
    mail->setCursor(Qt::PointingHandCursor);
    mail->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(mail, &QLabel::linkActivated, this, [this] { MailActionExecute(); });
    page->addWidget(mail);

    auto* notice = new QPlainTextEdit(right);
    notice->setObjectName(QStringLiteral("MB001"));
    notice->setReadOnly(true);
    notice->setAccessibleName(QStringLiteral("About this program"));
    notice->setFrameShape(QFrame::NoFrame);
    notice->setPlainText(
        QStringLiteral("Parlowen sends and receives SMS, runs USSD dialogues and keeps the SIM phonebook through "
                       "MBIM mobile broadband modems.\n\nMessages, templates and contacts are kept in a database of "
                       "your own on this computer; nothing is sent anywhere except through your modem.\n\nThis "
                       "program is provided as is, without warranty of any kind. Charges of your network operator "
                       "for messages and service codes apply."));
    page->addWidget(notice, 1);
    middle->addWidget(right, 1);
    outer->addLayout(middle, 1);

    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("BottomPanel"));
    bottom->setFixedHeight(45);
    auto* bottomRow = new QHBoxLayout(bottom);
    bottomRow->setContentsMargins(12, 0, 12, 0);
    bottomRow->addStretch(1);
    auto* help = new QPushButton(QStringLiteral("Help"), bottom);
    help->setObjectName(QStringLiteral("HelpButton"));
    help->hide();
    bottomRow->addWidget(help);
    close_ = new QPushButton(QStringLiteral("Close"), bottom);
    close_->setObjectName(QStringLiteral("CloseButton"));
    close_->setToolTip(QStringLiteral("Close"));
    close_->setDefault(true);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    bottomRow->addWidget(close_);
    outer->addWidget(bottom);

    setFixedSize(640, 368 + 45);
}

QLabel* TAboutWindow::Label(const QString& name) const
{
    return findChild<QLabel*>(name);
}

void TAboutWindow::MailActionExecute()
{
    // A missing mail program fails quietly.
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(ContactAddress)));
}

void TAboutWindow::PlaceRelease()
{
    if (!release_)
        return;
    release_->adjustSize();
    const int productRight = product_->x() + product_->sizeHint().width();
    const int left = productRight + (build_->x() - productRight - release_->width()) / 2;
    release_->move(left, product_->y());
}
