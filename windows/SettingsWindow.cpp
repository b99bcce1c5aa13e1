#include "windows/SettingsWindow.h"

#include "windows/Images.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using Box = SettingsForm::Box;

// The tree's rows with large buttons.
constexpr int largeRowHeight = 24;
constexpr int iconSize = 32;

QFont Bold(QFont font, int larger = 0)
{
    font.setBold(true);
    if (larger && font.pointSize() > 0)
        font.setPointSize(font.pointSize() + larger);
    return font;
}

QFrame* Rule(QWidget* parent)
{
    auto* rule = new QFrame(parent);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}

QLabel* Wrapped(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

TSettingsWindow::TSettingsWindow(SettingsHost& host, QSettings& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      form_(host, store)
{
    setObjectName(QStringLiteral("TSettingsWindow"));
    setWindowTitle(QStringLiteral("Settings"));
    setWindowIcon(parent ? parent->windowIcon() : QApplication::windowIcon());
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);

    // The header band.
    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("TopPanel"));
    top->setBackgroundRole(QPalette::Base);
    top->setAutoFillBackground(true);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(14, 10, 14, 10);
    auto* title = new QLabel(QStringLiteral("Application settings"), top);
    title->setObjectName(QStringLiteral("Title"));
    title->setFont(Bold(title->font(), 4));
    topLayout->addWidget(title, 1);
    box->addWidget(top);
    box->addWidget(Rule(this));

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(10, 10, 10, 6);
    middle->setSpacing(10);
    tree_ = new QTreeWidget(this);
    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    middle->addWidget(tree_);
    middle->addWidget(pages_, 1);
    box->addLayout(middle, 1);

    // The page of no entry, then the pages by their number.
    QVBoxLayout* body = nullptr;
    QWidget* empty = NewPage(0, QString(), body);
    details_ = empty->findChild<QLabel*>(QStringLiteral("HeadingA0"));
    details_->setObjectName(QStringLiteral("DetailsLabel"));
    body->addWidget(Wrapped(QStringLiteral("No settings available on this page."), empty));
    body->addWidget(Wrapped(QStringLiteral("Please select another menu / submenu from the navigation tree."), empty));
    body->addStretch(1);
    BuildGeneral();
    BuildSms();
    BuildNotifications();
    BuildUssd();
    BuildNetwork();
    BuildAppearance();
    BuildContacts();
    BuildMiscellaneous();

    box->addWidget(Rule(this));
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(10, 8, 10, 10);
    buttons->setSpacing(6);
    auto button = [this](const char* name, const QString& text, const QString& hint) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        return b;
    };
    ok_ = button("OkButton", QStringLiteral("Ok"), QStringLiteral("Save settings and close"));
    apply_ = button("ApplyButton", QStringLiteral("Apply"), QStringLiteral("Apply settings"));
    cancel_ = button("CancelButton", QStringLiteral("Cancel"), QString());
    ok_->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(apply_);
    buttons->addWidget(cancel_);
    box->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &TSettingsWindow::OkClicked);
    connect(apply_, &QPushButton::clicked, this, &TSettingsWindow::ApplyClicked);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    BuildTree();
    resize(620, 440);
    Reload();
}

QWidget* TSettingsWindow::NewPage(int index, const QString& heading, QVBoxLayout*& body)
{
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("A%1").arg(index));
    body = new QVBoxLayout(page);
    body->setContentsMargins(4, 0, 0, 0);
    body->setSpacing(6);
    auto* label = new QLabel(heading, page);
    label->setObjectName(QStringLiteral("HeadingA%1").arg(index));
    label->setFont(Bold(label->font(), 2));
    body->addWidget(label);
    body->addWidget(Rule(page));
    pages_->insertWidget(index, page);
    return page;
}

QCheckBox* TSettingsWindow::AddBox(QVBoxLayout* layout, Box box, const char* name, const QString& caption)
{
    auto* check = new QCheckBox(caption, layout->parentWidget());
    check->setObjectName(QString::fromLatin1(name));
    layout->addWidget(check);
    boxes_[static_cast<std::size_t>(box)] = check;
    connect(check, &QCheckBox::clicked, this, [this, box](bool checked) {
        form_.SetChecked(box, checked);
        Show();
    });
    return check;
}

void TSettingsWindow::BuildGeneral()
{
    QVBoxLayout* body = nullptr;
    NewPage(1, QStringLiteral("General"), body);
    AddBox(body, Box::LargeButtons, "AppLargeButtons", QStringLiteral("Large buttons"));
    AddBox(body, Box::AlwaysOnTop, "AppAlwaysOnTop", QStringLiteral("Always on top"));
    AddBox(body, Box::HideWhenMinimized, "AppHideWhenMin", QStringLiteral("Hide when minimized"));
    AddBox(body, Box::HideWhenClosing, "AppHideWhenClosing", QStringLiteral("Hide when closing"));
    AddBox(body, Box::AutoStart, "AppAutoStart", QStringLiteral("Start on login"));
    AddBox(body, Box::LargeText, "AppLargeText", QStringLiteral("Large text"));
    AddBox(body, Box::LargeRows, "AppLargeRows", QStringLiteral("Expand rows height "));
    AddBox(body, Box::CloseConfirmation, "AppCloseConfirmation", QStringLiteral("Application close confirmation"));
    body->addStretch(1);
}

void TSettingsWindow::BuildSms()
{
    QVBoxLayout* body = nullptr;
    NewPage(2, QStringLiteral("SMS"), body);
    AddBox(body, Box::DeliveryReport, "SmsDeliveryReport", QStringLiteral("Delivery report"));
    AddBox(body, Box::SaveSent, "SmsSaveSent", QStringLiteral("Save copy of sent SMS"));
    AddBox(body, Box::ConfirmationToSend, "SmsConfirmationToSend", QStringLiteral("Confirmation to send"));
    body->addStretch(1);
}

void TSettingsWindow::BuildNotifications()
{
    QVBoxLayout* body = nullptr;
    NewPage(3, QStringLiteral("Notifications"), body);
    AddBox(body, Box::BalloonNotification, "BalloonNotification", QStringLiteral("Balloon notifications"));
    AddBox(body, Box::ToastNotification, "ToastNotification", QStringLiteral("Toast notification"));
    body->addStretch(1);
}

void TSettingsWindow::BuildUssd()
{
    QVBoxLayout* body = nullptr;
    QWidget* page = NewPage(4, QStringLiteral("USSD"), body);
    body->addWidget(new QLabel(QStringLiteral("UCS2 bytes order:"), page));
    auto* order = new QButtonGroup(page);
    bigEndian_ = new QRadioButton(QStringLiteral("Big-Endian"), page);
    bigEndian_->setObjectName(QStringLiteral("UssdBigEndian"));
    littleEndian_ = new QRadioButton(QStringLiteral("Little-Endian"), page);
    littleEndian_->setObjectName(QStringLiteral("UssdLittleEndian"));
    for (QRadioButton* radio : {bigEndian_, littleEndian_}) {
        order->addButton(radio);
        auto* row = new QHBoxLayout;
        row->setContentsMargins(16, 0, 0, 0);
        row->addWidget(radio);
        body->addLayout(row);
    }
    connect(bigEndian_, &QRadioButton::clicked, this, [this] {
        form_.SetBigEndian(true);
        Show();
    });
    connect(littleEndian_, &QRadioButton::clicked, this, [this] {
        form_.SetBigEndian(false);
        Show();
    });
    body->addSpacing(6);

    auto* edit = new QPushButton(QStringLiteral("Edit templates"), page);
    edit->setObjectName(QStringLiteral("UssdEditButton"));
    edit->setToolTip(QStringLiteral("USSD templates"));
    edit->setAutoDefault(false);
    connect(edit, &QPushButton::clicked, this, [this] { form_.EditUssdTemplates(); });
    auto* row = new QHBoxLayout;
    row->addWidget(edit);
    row->addStretch(1);
    body->addLayout(row);
    body->addSpacing(6);
    AddBox(body, Box::UssdKeyboard, "UssdKeyboard", QStringLiteral("Show virtual keyboard"));
    body->addStretch(1);
}

void TSettingsWindow::BuildNetwork()
{
    QVBoxLayout* body = nullptr;
    NewPage(5, QStringLiteral("Network"), body);
    AddBox(body, Box::ShowDataClassIcon, "NetShowDataClassIcon", QStringLiteral("Data class icon in system tray"));
    AddBox(body, Box::ShowDataClassNotification, "NetShowDataClassNotification",
           QStringLiteral("Notification of data class changes"));
    AddBox(body, Box::ShowSignalStrength, "NetShowSignalStrength", QStringLiteral("Show signal strength"));
    AddBox(body, Box::ShowNetworkRegistration, "NetShowNetworkRegistration",
           QStringLiteral("Network registration button in toolbar"));
    body->addStretch(1);
}

QRadioButton* TSettingsWindow::AddIcon(QWidget* parent, QButtonGroup* group, const QString& name, int tag,
                                       const QIcon& icon)
{
    auto* radio = new QRadioButton(parent);
    radio->setObjectName(name);
    radio->setIcon(icon);
    radio->setIconSize(QSize(iconSize, iconSize));
    group->addButton(radio, tag);
    return radio;
}

void TSettingsWindow::BuildAppearance()
{
    QVBoxLayout* body = nullptr;
    QWidget* page = NewPage(6, QStringLiteral("Appearance"), body);
    auto* icons = new QGroupBox(QStringLiteral("Application icons"), page);
    auto* columns = new QHBoxLayout(icons);
    columns->setSpacing(24);
    appIconGroup_ = new QButtonGroup(icons);
    eventIconGroup_ = new QButtonGroup(icons);

    // Three a row, under their caption.
    auto column = [&](const QString& caption, QButtonGroup* group, const char* prefix, auto& radios, auto iconOf) {
        auto* layout = new QVBoxLayout;
        layout->addWidget(new QLabel(caption, icons));
        auto* grid = new QGridLayout;
        grid->setContentsMargins(8, 0, 0, 0);
        grid->setHorizontalSpacing(12);
        for (int n = 0; n < SettingsForm::IconCount; ++n) {
            radios[static_cast<std::size_t>(n)] =
                AddIcon(icons, group, QStringLiteral("%1%2").arg(prefix).arg(n), n, iconOf(n));
            grid->addWidget(radios[static_cast<std::size_t>(n)], n / 3, n % 3);
        }
        layout->addLayout(grid);
        layout->addStretch(1);
        columns->addLayout(layout);
    };
    column(QStringLiteral("Main icon"), appIconGroup_, "AppIcon", appIcons_, [](int n) { return Images::App(n); });
    // Event icon 0 keeps the shipped "something waits" tray image; the others show that icon.
    column(QStringLiteral("Event icon "), eventIconGroup_, "EventIcon", eventIcons_,
           [](int n) { return n == 0 ? Images::Tray(1) : Images::App(n); });
    columns->addStretch(1);
    connect(appIconGroup_, &QButtonGroup::idClicked, this, [this](int tag) {
        form_.ChooseApplicationIcon(tag);
        Show();
    });
    connect(eventIconGroup_, &QButtonGroup::idClicked, this, [this](int tag) {
        form_.ChooseEventIcon(tag);
        Show();
    });
    body->addWidget(icons);
    body->addStretch(1);
}

void TSettingsWindow::BuildContacts()
{
    QVBoxLayout* body = nullptr;
    NewPage(7, QStringLiteral("Contacts"), body);
    AddBox(body, Box::Contacts, "AppContacts", QStringLiteral("Enable contacts"));
    body->addStretch(1);
}

void TSettingsWindow::BuildMiscellaneous()
{
    QVBoxLayout* body = nullptr;
    QWidget* page = NewPage(8, QStringLiteral("Miscellaneous"), body);

    auto* csv = new QGroupBox(QStringLiteral("Import / export"), page);
    auto* csvLayout = new QHBoxLayout(csv);
    csvLayout->addWidget(new QLabel(QStringLiteral("CSV delimiter:"), csv));
    delimiter_ = new QComboBox(csv);
    delimiter_->setObjectName(QStringLiteral("AppCsvDelimiter"));
    delimiter_->addItems(
        {QStringLiteral("Semicolon"), QStringLiteral("Comma"), QStringLiteral("Tab"), QStringLiteral("Space")});
    csvLayout->addWidget(delimiter_);
    csvLayout->addStretch(1);
    connect(delimiter_, &QComboBox::activated, this, [this](int index) {
        form_.ChooseCsvDelimiter(index);
        Show();
    });
    body->addWidget(csv);

    auto* receiving = new QGroupBox(QStringLiteral("SMS receiving"), page);
    auto* receivingLayout = new QVBoxLayout(receiving);
    AddBox(receivingLayout, Box::ReceiveTimer, "SmsReceiveTimer", QStringLiteral("Timer to receive (*)"));
    receivingLayout->addWidget(Wrapped(
        QStringLiteral("* Required only if the device driver does not provide notification of new SMS"), receiving));
    body->addWidget(receiving);
    body->addStretch(1);
}

void TSettingsWindow::BuildTree()
{
    tree_->setObjectName(QStringLiteral("NavigationTree"));
    tree_->setAccessibleName(QStringLiteral("Settings pages"));
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setIndentation(35);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setUniformRowHeights(true);
    tree_->installEventFilter(this);
    struct Entry
    {
        const char* text;
        int page;
        const char* icon;
    };
    static const Entry entries[] = {
        {"General", 1, "preferences-system"},
        {"SMS", 2, "mail-message-new"},
        {"USSD", 4, "phone"},
        {"Contacts", 7, "x-office-address-book"},
        {"Network", 5, "network-wireless"},
        {"Notifications", 3, "audio-volume-high"},
        {"Appearance", 6, "preferences-desktop-theme"},
        {"Miscellaneous", 8, "applications-other"},
    };
    int widest = 0;
    for (const Entry& entry : entries) {
        auto* item = new QTreeWidgetItem(tree_, {QString::fromLatin1(entry.text)});
        item->setData(0, Qt::UserRole, entry.page);
        item->setIcon(0, Images::Theme(entry.icon));
        widest = std::max(widest, tree_->fontMetrics().horizontalAdvance(item->text(0)));
    }
    tree_->setFixedWidth(widest + tree_->iconSize().width() + 48);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            ShowPage(item->data(0, Qt::UserRole).toInt(), item->text(0));
    });
    pages_->setCurrentIndex(0);
    tree_->setCurrentItem(tree_->topLevelItem(0));
    tree_->setFocus();
}

void TSettingsWindow::ShowPage(int index, const QString& text)
{
    if (index < 0 || index >= pages_->count())
        return;
    if (index == 0)
        details_->setText(text);
    pages_->setCurrentIndex(index);
}

void TSettingsWindow::SetTreeRows(bool large)
{
    const QSize hint = large ? QSize(0, largeRowHeight) : QSize();
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        tree_->topLevelItem(i)->setSizeHint(0, hint);
}

int TSettingsWindow::TreeRowHeight() const
{
    return tree_->visualItemRect(tree_->topLevelItem(0)).height();
}

void TSettingsWindow::SetProgramPath(const QString& program)
{
    form_.SetProgramPath(program);
    Reload();
}

void TSettingsWindow::SetAutostartFolder(const QString& folder)
{
    form_.SetAutostartFolder(folder);
    Reload();
}

void TSettingsWindow::Reload()
{
    form_.Load();
    SetTreeRows(form_.Checked(Box::LargeButtons));
    Show();
}

void TSettingsWindow::Show()
{
    for (int i = 0; i < SettingsForm::BoxCount; ++i) {
        const auto box = static_cast<Box>(i);
        boxes_[static_cast<std::size_t>(i)]->setChecked(form_.Checked(box));
        boxes_[static_cast<std::size_t>(i)]->setEnabled(form_.Enabled(box));
    }
    // A stored number without a button leaves every button unchecked.
    auto check = [](QButtonGroup* group, int id) {
        group->setExclusive(false);
        for (QAbstractButton* button : group->buttons())
            button->setChecked(group->id(button) == id);
        group->setExclusive(true);
    };
    check(appIconGroup_, form_.CheckedApplicationIcon());
    check(eventIconGroup_, form_.CheckedEventIcon());
    bigEndian_->setChecked(form_.BigEndian());
    littleEndian_->setChecked(!form_.BigEndian());
    delimiter_->setCurrentIndex(form_.CsvDelimiter());
    apply_->setEnabled(form_.ApplyEnabled());
}

void TSettingsWindow::ApplyClicked()
{
    form_.Apply();
    SetTreeRows(form_.Checked(Box::LargeButtons));
    Show();
}

void TSettingsWindow::OkClicked()
{
    form_.Ok();
    accept();
}

bool TSettingsWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Escape in the tree does not close the window.
    if (watched == tree_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        return true;
    return QDialog::eventFilter(watched, event);
}
