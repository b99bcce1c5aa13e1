#include "windows/RegistrationWindow.h"

#include "app/Settings.h"
#include "windows/Images.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString warningKey = QStringLiteral("Settings/ShowDataClassWarning");

// The box names in the order of their row.
const char* const boxNames[DataClassBoxCount] = {
    "CHK_DATA_CLASS_NONE",   "CHK_DATA_CLASS_GPRS",  "CHK_DATA_CLASS_EDGE",
    "CHK_DATA_CLASS_UMTS",   "CHK_DATA_CLASS_HSUPA", "CHK_DATA_CLASS_HSDPA",
    "CHK_DATA_CLASS_CUSTOM", "CHK_DATA_CLASS_LTE",   "CHK_DATA_CLASS_5G"};

// The progress panel's top below the top of the operator list.
constexpr int progressPanelOffset = 39;
// The data-class boxes share the row's width equally but never touch; the window widens instead.
constexpr int minimumBoxGap = 4;

QFont Bold(QFont font)
{
    font.setBold(true);
    return font;
}

QLabel* Wrapped(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QFrame* Rule(QWidget* parent)
{
    auto* rule = new QFrame(parent);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}

QProgressBar* Marquee(const char* name, QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setTextVisible(false);
    bar->setRange(0, 1);
    return bar;
}

// A busy bar moves only while it runs.
void SetRunning(QProgressBar* bar, bool running)
{
    bar->setVisible(running);
    if (running)
        bar->setRange(0, 0);
    else
        bar->setRange(0, 1);
}

} // namespace

TRegistrationWindow::TRegistrationWindow(StatusWriter writeStatus, BroadbandService* service,
                                         const std::string& interfaceId, QSettings* store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      writeStatus_(std::move(writeStatus)),
      store_(store)
{
    wizard_ = std::make_unique<NetworkRegistration>(
        [this](const QString& text) {
            if (writeStatus_)
                writeStatus_(text);
        },
        this, service, interfaceId);
    wizard_->SetChangedHandler([this] { Refresh(); });
    if (store_)
        if (const auto show = SettingsStore::ReadDword(*store_, warningKey))
            wizard_->SetShowDataClassWarning(*show != 0);

    setObjectName(QStringLiteral("TRegistrationWindow"));
    setWindowTitle(NetworkRegistration::Caption());
    setWindowIcon(parent ? parent->windowIcon() : QApplication::windowIcon());
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);

    // The pages without tabs.
    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    pages_->addWidget(WelcomePage());
    pages_->addWidget(OperatorPage());
    pages_->addWidget(DataClassPage());
    pages_->addWidget(ReviewPage());
    pages_->addWidget(StatusPage());
    box->addWidget(pages_, 1);

    box->addWidget(Rule(this));
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 10, 12, 12);
    buttons->setSpacing(6);
    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    back_ = button("BackButton", QStringLiteral("< Back"));
    next_ = button("NextButton", QStringLiteral("Next >"));
    close_ = button("CloseButton", QStringLiteral("Close"));
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addSpacing(12);
    buttons->addWidget(close_);
    box->addLayout(buttons);

    connect(back_, &QPushButton::clicked, this, [this] { Run(&NetworkRegistration::Back); });
    connect(next_, &QPushButton::clicked, this, [this] { Run(&NetworkRegistration::Next); });
    connect(close_, &QPushButton::clicked, this, [this] {
        if (wizard_->CloseEnabled())
            done(QDialog::Rejected);
    });

    // The layout sets the smallest width, so that no text is cut.
    setMinimumHeight(360);
    resize(560, 420);
    built_ = true;
    LayOutBoxes();
    Run(&NetworkRegistration::Start);
}

TRegistrationWindow::~TRegistrationWindow()
{
    // The wizard says goodbye through this window's log while everything still stands.
    wizard_.reset();
}

QWidget* TRegistrationWindow::NewPage(RegistrationPage page, const char* pictureName, const char* icon, QWidget*& body)
{
    const int index = static_cast<int>(page);
    auto* widget = new QWidget(pages_);
    widget->setObjectName(QStringLiteral("A%1").arg(index));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The band above the page: its title and picture.
    auto* header = new QWidget(widget);
    header->setBackgroundRole(QPalette::Base);
    header->setAutoFillBackground(true);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(18, 10, 14, 10);
    QLabel* title = AddLabel(header, "", NetworkRegistration::PageTitle(page));
    title->setObjectName(QStringLiteral("TitleA%1").arg(index));
    QFont titleFont = Bold(title->font());
    titleFont.setPointSize(titleFont.pointSize() + 4);
    title->setFont(titleFont);
    QLabel* picture = AddLabel(header, pictureName);
    picture->setPixmap(Images::Theme(icon).pixmap(40, 40));
    picture->setAccessibleName(title->text());
    headerLayout->addWidget(title, 1);
    headerLayout->addWidget(picture);
    layout->addWidget(header);
    layout->addWidget(Rule(widget));

    body = new QWidget(widget);
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(18, 12, 18, 10);
    bodyLayout->setSpacing(6);
    layout->addWidget(body, 1);
    return widget;
}

QWidget* TRegistrationWindow::WelcomePage()
{
    QWidget* body = nullptr;
    QWidget* page = NewPage(RegistrationPage::Welcome, "ImageA0", "network-wireless", body);
    auto* layout = static_cast<QVBoxLayout*>(body->layout());
    QLabel* welcome = Wrapped(QStringLiteral("Welcome to network registration tool."), body);
    welcome->setFont(Bold(welcome->font()));
    layout->addWidget(welcome);
    layout->addWidget(Wrapped(
        QStringLiteral("This tool will guide you for operator choice and prefered data class selection."), body));
    layout->addStretch(1);
    layout->addWidget(Wrapped(QStringLiteral("To continue please press Next button..."), body));
    return page;
}

QWidget* TRegistrationWindow::OperatorPage()
{
    QWidget* body = nullptr;
    QWidget* page = NewPage(RegistrationPage::Operator, "ImageA1", "system-search", body);
    auto* layout = static_cast<QVBoxLayout*>(body->layout());
    auto* choice = new QHBoxLayout;
    choice->setSpacing(18);
    operatorAuto_ = new QRadioButton(QStringLiteral("Automatic"), body);
    operatorAuto_->setObjectName(QStringLiteral("OperatorAuto"));
    operatorAuto_->setChecked(true);
    operatorManual_ = new QRadioButton(QStringLiteral("Manual"), body);
    operatorManual_->setObjectName(QStringLiteral("OperatorManual"));
    choice->addWidget(operatorAuto_);
    choice->addWidget(operatorManual_);
    choice->addStretch(1);
    layout->addLayout(choice);

    operatorList_ = new QTreeWidget(body);
    operatorList_->setObjectName(QStringLiteral("OperatorListView"));
    operatorList_->setAccessibleName(QStringLiteral("Operators"));
    operatorList_->setColumnCount(4);
    operatorList_->setHeaderLabels({QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("State"),
                                    QStringLiteral("Available data class")});
    operatorList_->setRootIsDecorated(false);
    operatorList_->setUniformRowHeights(true);
    operatorList_->setAllColumnsShowFocus(true);
    operatorList_->setSelectionMode(QAbstractItemView::SingleSelection);
    operatorList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView* header = operatorList_->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(true);
    header->setMinimumSectionSize(40);
    header->resizeSection(0, 60);
    header->resizeSection(1, 110);
    header->resizeSection(2, 150);
    operatorList_->setEnabled(false);
    operatorList_->installEventFilter(this);
    layout->addWidget(operatorList_, 1);

    // Over the list while a scan runs.
    auto* panel = new QFrame(page);
    panel->setObjectName(QStringLiteral("ProgressPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(16, 12, 16, 12);
    panelLayout->setSpacing(8);
    panelLayout->addWidget(
        AddLabel(panel, "ProgressLabel1", QStringLiteral("Network scan in progress. Please wait...")), 0,
        Qt::AlignHCenter);
    progressBar1_ = Marquee("ProgressBar1", panel);
    panelLayout->addWidget(progressBar1_);
    panel->hide();
    progressPanel_ = panel;

    connect(operatorAuto_, &QRadioButton::clicked, this, [this] { Run(&NetworkRegistration::ChooseOperatorAuto); });
    connect(operatorManual_, &QRadioButton::clicked, this, [this] { Run(&NetworkRegistration::ChooseOperatorManual); });
    connect(operatorList_, &QTreeWidget::itemSelectionChanged, this, &TRegistrationWindow::OperatorSelected);
    return page;
}

QWidget* TRegistrationWindow::DataClassPage()
{
    QWidget* body = nullptr;
    QWidget* page = NewPage(RegistrationPage::DataClass, "IMG004", "applications-internet", body);
    Label(QStringLiteral("IMG004"))->installEventFilter(this);
    auto* layout = static_cast<QVBoxLayout*>(body->layout());
    auto* choice = new QHBoxLayout;
    choice->setSpacing(18);
    dataClassAuto_ = new QRadioButton(QStringLiteral("Automatic"), body);
    dataClassAuto_->setObjectName(QStringLiteral("DataClassAuto"));
    dataClassAuto_->setChecked(true);
    dataClassManual_ = new QRadioButton(QStringLiteral("Manual"), body);
    dataClassManual_->setObjectName(QStringLiteral("DataClassManual"));
    choice->addWidget(dataClassAuto_);
    choice->addWidget(dataClassManual_);
    choice->addStretch(1);
    layout->addLayout(choice);
    layout->addSpacing(6);

    // One row from 24 pixels on the left to 18 on the right, with equal gaps.
    boxRow_ = new QHBoxLayout;
    boxRow_->setContentsMargins(6, 0, 0, 0);
    boxRow_->setSpacing(0);
    for (int i = 0; i < DataClassBoxCount; ++i) {
        const auto which = static_cast<DataClassBox>(i);
        auto* check = new QCheckBox(wizard_->BoxCaption(which), body);
        check->setObjectName(QString::fromLatin1(boxNames[i]));
        check->setEnabled(false);
        check->setVisible(wizard_->BoxVisible(which));
        connect(check, &QCheckBox::clicked, this, [this, which](bool checked) {
            wizard_->SetDataClassChecked(which, checked);
            Refresh();
        });
        boxes_[static_cast<std::size_t>(i)] = check;
    }
    layout->addLayout(boxRow_);
    layout->addSpacing(12);

    auto* panel = new QFrame(body);
    panel->setObjectName(QStringLiteral("DataClassWarningPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(12, 10, 12, 10);
    panelLayout->setSpacing(4);
    QLabel* first = Wrapped(
        QStringLiteral("Warning: with manual data classes the device uses only the chosen technologies."), panel);
    first->setFont(Bold(first->font()));
    panelLayout->addWidget(first);
    panelLayout->addWidget(
        Wrapped(QStringLiteral("Where the network offers none of them, the device may stay without service."), panel));
    panelLayout->addWidget(
        Wrapped(QStringLiteral("Choose Automatic unless you know which classes your network supports."), panel));
    panelLayout->addSpacing(4);
    warningCheck_ = new QCheckBox(QStringLiteral("Do not show me this warning again"), panel);
    warningCheck_->setObjectName(QStringLiteral("DataClassWarningCheckBox"));
    panelLayout->addWidget(warningCheck_);
    panel->hide();
    warningPanel_ = panel;
    layout->addWidget(panel);
    layout->addStretch(1);

    connect(dataClassAuto_, &QRadioButton::clicked, this, [this] { Run(&NetworkRegistration::ChooseDataClassAuto); });
    connect(dataClassManual_, &QRadioButton::clicked, this,
            [this] { Run(&NetworkRegistration::ChooseDataClassManual); });
    connect(warningCheck_, &QCheckBox::clicked, this, [this](bool checked) {
        wizard_->SetWarningChecked(checked);
        Refresh();
    });
    return page;
}

QWidget* TRegistrationWindow::ReviewPage()
{
    QWidget* body = nullptr;
    QWidget* page = NewPage(RegistrationPage::Review, "ImageA3", "dialog-question", body);
    auto* layout = static_cast<QVBoxLayout*>(body->layout());
    QLabel* ready = AddLabel(body, "LabelA31");
    ready->setFont(Bold(ready->font()));
    ready->setWordWrap(true);
    layout->addWidget(ready);
    AddLabel(body, "LabelA32")->setWordWrap(true);
    layout->addWidget(Label(QStringLiteral("LabelA32")));
    layout->addSpacing(12);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(12, 0, 0, 0);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(6);
    grid->addWidget(new QLabel(QStringLiteral("Operator name:"), body), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Prefered data class:"), body), 1, 0);
    const char* const values[] = {"VerifyOperator", "VerifyDataClass"};
    for (int row = 0; row < 2; ++row) {
        QLabel* value = AddLabel(body, values[row]);
        value->setFont(Bold(value->font()));
        value->setWordWrap(true);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, row, 1);
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addSpacing(18);

    // The button, or the progress of its request in the same place.
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    register_ = new QPushButton(QStringLiteral("Register"), body);
    register_->setObjectName(QStringLiteral("RegisterButton"));
    register_->setAutoDefault(false);
    register_->setEnabled(false);
    row->addWidget(register_);
    progressLabel2_ =
        AddLabel(body, "ProgressLabel2", QStringLiteral("Registration request in progress. Please wait..."));
    progressLabel2_->hide();
    row->addWidget(progressLabel2_);
    progressBar2_ = Marquee("ProgressBar2", body);
    progressBar2_->setMaximumWidth(160);
    progressBar2_->hide();
    row->addWidget(progressBar2_);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);

    connect(register_, &QPushButton::clicked, this, [this] { Run(&NetworkRegistration::Register); });
    return page;
}

QWidget* TRegistrationWindow::StatusPage()
{
    QWidget* body = nullptr;
    QWidget* page = NewPage(RegistrationPage::Status, "ImageA4", "dialog-information", body);
    // A double-click on the title reads the status again.
    Label(QStringLiteral("TitleA4"))->installEventFilter(this);
    auto* layout = static_cast<QVBoxLayout*>(body->layout());
    QLabel* result = AddLabel(body, "LabelA41");
    result->setFont(Bold(result->font()));
    result->setWordWrap(true);
    layout->addWidget(result);
    AddLabel(body, "LabelA42")->setWordWrap(true);
    layout->addWidget(Label(QStringLiteral("LabelA42")));
    statusInfo_ = new QPlainTextEdit(body);
    statusInfo_->setObjectName(QStringLiteral("StatusInfo"));
    statusInfo_->setReadOnly(true);
    statusInfo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(statusInfo_, 1);
    layout->addWidget(Wrapped(QStringLiteral("To finish please press Close button..."), body));
    return page;
}

QLabel* TRegistrationWindow::AddLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLabel* TRegistrationWindow::Label(const QString& name) const
{
    return findChild<QLabel*>(name);
}

void TRegistrationWindow::Run(void (NetworkRegistration::*action)())
{
    ((*wizard_).*action)();
    Refresh();
}

void TRegistrationWindow::Refresh()
{
    if (!built_ || !wizard_)
        return;
    const NetworkRegistration& w = *wizard_;
    pages_->setCurrentIndex(static_cast<int>(w.Page()));
    back_->setEnabled(w.BackEnabled());
    next_->setEnabled(w.NextEnabled());
    close_->setEnabled(w.CloseEnabled());

    operatorAuto_->setChecked(!w.OperatorManual());
    operatorManual_->setChecked(w.OperatorManual());
    operatorAuto_->setEnabled(w.OperatorChoiceEnabled());
    operatorManual_->setEnabled(w.OperatorChoiceEnabled());
    operatorList_->setEnabled(w.OperatorListEnabled());
    if (shownOperators_ != w.OperatorsVersion())
        FillOperators();
    if (progressPanel_->isHidden() == w.Scanning()) {
        progressPanel_->setVisible(w.Scanning());
        SetRunning(progressBar1_, w.Scanning());
        PlaceProgressPanel();
    }

    dataClassAuto_->setChecked(!w.DataClassManual());
    dataClassManual_->setChecked(w.DataClassManual());
    for (int i = 0; i < DataClassBoxCount; ++i) {
        const auto which = static_cast<DataClassBox>(i);
        QCheckBox* check = boxes_[static_cast<std::size_t>(i)];
        check->setText(w.BoxCaption(which));
        check->setEnabled(w.BoxesEnabled());
        check->setChecked(w.BoxChecked(which));
    }
    LayOutBoxes();
    warningPanel_->setVisible(w.WarningPanelVisible());
    warningCheck_->setChecked(!w.ShowDataClassWarning());

    Label(QStringLiteral("LabelA31"))->setText(w.LabelA31());
    Label(QStringLiteral("LabelA32"))->setText(w.LabelA32());
    Label(QStringLiteral("VerifyOperator"))->setText(w.VerifyOperator());
    Label(QStringLiteral("VerifyDataClass"))->setText(w.VerifyDataClass());
    register_->setEnabled(w.RegisterEnabled());
    register_->setVisible(!w.Registering());
    progressLabel2_->setVisible(w.Registering());
    if (progressBar2_->isHidden() == w.Registering())
        SetRunning(progressBar2_, w.Registering());

    Label(QStringLiteral("LabelA41"))->setText(w.LabelA41());
    Label(QStringLiteral("LabelA42"))->setText(w.LabelA42());
    const QString status = w.StatusLines().join(QLatin1Char('\n'));
    if (statusInfo_->toPlainText() != status)
        statusInfo_->setPlainText(status);

    // The default button follows the way on.
    if (w.Page() == RegistrationPage::Review && w.RegisterEnabled() && !w.Registering())
        register_->setDefault(true);
    else if (w.NextEnabled())
        next_->setDefault(true);
    else
        close_->setDefault(true);
}

void TRegistrationWindow::FillOperators()
{
    const NetworkRegistration& w = *wizard_;
    filling_ = true;
    operatorList_->clear();
    const QIcon home = Images::Theme("go-home");
    QTreeWidgetItem* selected = nullptr;
    int row = 0;
    for (const RegistrationOperator& o : w.Operators()) {
        auto* item = new QTreeWidgetItem(operatorList_, {o.Id, o.Name, o.State, o.DataClass});
        if (o.Home)
            item->setIcon(0, home);
        if (row++ == w.SelectedOperator())
            selected = item;
    }
    if (!w.Operators().empty()) {
        // The ID column keeps its width unless an ID with the home image needs more.
        operatorList_->resizeColumnToContents(0);
        operatorList_->header()->resizeSection(0, std::max(60, operatorList_->header()->sectionSize(0)));
        operatorList_->resizeColumnToContents(2);
        if (w.WideDataClassColumn())
            operatorList_->resizeColumnToContents(3);
    }
    if (selected) {
        operatorList_->setCurrentItem(selected);
        selected->setSelected(true);
        operatorList_->scrollToItem(selected);
    }
    shownOperators_ = w.OperatorsVersion();
    filling_ = false;
}

void TRegistrationWindow::OperatorSelected()
{
    if (filling_)
        return;
    const QList<QTreeWidgetItem*> items = operatorList_->selectedItems();
    wizard_->SelectOperator(items.isEmpty() ? -1 : operatorList_->indexOfTopLevelItem(items.first()));
}

void TRegistrationWindow::LayOutBoxes()
{
    std::array<bool, DataClassBoxCount> visible{};
    for (int i = 0; i < DataClassBoxCount; ++i)
        visible[static_cast<std::size_t>(i)] = wizard_->BoxVisible(static_cast<DataClassBox>(i));
    if (visible == laidOut_ && boxRow_->count() > 0)
        return;
    // Gaps only between visible boxes, so a hidden box leaves no wider gap.
    while (QLayoutItem* item = boxRow_->takeAt(0))
        delete item;
    bool first = true;
    for (int i = 0; i < DataClassBoxCount; ++i) {
        QCheckBox* check = boxes_[static_cast<std::size_t>(i)];
        check->setVisible(visible[static_cast<std::size_t>(i)]);
        if (!visible[static_cast<std::size_t>(i)])
            continue;
        if (!first)
            boxRow_->addSpacerItem(new QSpacerItem(minimumBoxGap, 0, QSizePolicy::MinimumExpanding));
        boxRow_->addWidget(check);
        first = false;
    }
    laidOut_ = visible;
}

void TRegistrationWindow::PlaceProgressPanel()
{
    // Centred over the list, a little below its header.
    const QRect list = operatorList_->geometry();
    const QPoint topLeft = operatorList_->parentWidget()->mapTo(progressPanel_->parentWidget(), list.topLeft());
    const QSize size = progressPanel_->sizeHint().expandedTo(QSize(300, 0)).boundedTo(list.size());
    progressPanel_->setGeometry(topLeft.x() + (list.width() - size.width()) / 2, topLeft.y() + progressPanelOffset,
                                size.width(), size.height());
    progressPanel_->raise();
}

void TRegistrationWindow::done(int result)
{
    if (store_)
        store_->setValue(warningKey, wizard_->ShowDataClassWarning() ? 1 : 0);
    QDialog::done(result);
}

void TRegistrationWindow::reject()
{
    // Escape closes the window only while Close may be used.
    if (wizard_->CloseEnabled())
        done(QDialog::Rejected);
}

bool TRegistrationWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == Label(QStringLiteral("IMG004"))) {
            Run(&NetworkRegistration::ShowAllDataClasses);
            return true;
        }
        if (watched == Label(QStringLiteral("TitleA4"))) {
            Run(&NetworkRegistration::RefreshStatus);
            return true;
        }
    }
    if (watched == operatorList_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move) &&
        progressPanel_ && progressPanel_->isVisible())
        PlaceProgressPanel();
    return QDialog::eventFilter(watched, event);
}
