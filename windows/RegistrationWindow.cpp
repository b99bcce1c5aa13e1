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
    : TWizardWindow(QStringLiteral("TRegistrationWindow"), NetworkRegistration::Caption(), parent),
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

    Pages()->addWidget(WelcomePage());
    Pages()->addWidget(OperatorPage());
    Pages()->addWidget(DataClassPage());
    Pages()->addWidget(ReviewPage());
    Pages()->addWidget(StatusPage());
    Assemble(nullptr);

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

QWidget* TRegistrationWindow::NewPage(RegistrationPage page, const char* pictureName, const char* icon,
                                      QVBoxLayout*& layout)
{
    return NewFramedPage(static_cast<int>(page), NetworkRegistration::PageTitle(page), pictureName, icon, layout);
}

QWidget* TRegistrationWindow::WelcomePage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(RegistrationPage::Welcome, "ImageA0", "network-wireless", layout);
    QWidget* body = layout->parentWidget();
    layout->addWidget(Heading(QStringLiteral("Welcome to network registration tool."), body));
    layout->addWidget(Wrapped(
        QStringLiteral("This tool will guide you for operator choice and prefered data class selection."), body));
    layout->addStretch(1);
    layout->addWidget(Wrapped(QStringLiteral("To continue please press Next button..."), body));
    return page;
}

QWidget* TRegistrationWindow::OperatorPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(RegistrationPage::Operator, "ImageA1", "system-search", layout);
    QWidget* body = layout->parentWidget();
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
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(RegistrationPage::DataClass, "IMG004", "applications-internet", layout);
    Label(QStringLiteral("IMG004"))->installEventFilter(this);
    QWidget* body = layout->parentWidget();
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
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(RegistrationPage::Review, "ImageA3", "dialog-question", layout);
    QWidget* body = layout->parentWidget();
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
    register_ = AddButton("RegisterButton", QStringLiteral("Register"), body);
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
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(RegistrationPage::Status, "ImageA4", "dialog-information", layout);
    // A double-click on the title reads the status again.
    Label(QStringLiteral("TitleA4"))->installEventFilter(this);
    QWidget* body = layout->parentWidget();
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

void TRegistrationWindow::Refresh()
{
    if (!built_ || !wizard_)
        return;
    const NetworkRegistration& w = *wizard_;
    ShowPage();

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
    ChooseDefault(w.Page() == RegistrationPage::Review && w.RegisterEnabled() && !w.Registering() ? register_
                                                                                                  : nullptr);
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
    TWizardWindow::done(result);
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
    return TWizardWindow::eventFilter(watched, event);
}
