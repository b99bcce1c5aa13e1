#include "windows/SimDataWindow.h"

#include "windows/Images.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const char* const pageTitles[SimPageCount] = {"Welcome", "Memory status", "Contacts", "Ready", "Status"};

// The state images of the rows: the style's own check box, clear, checked, or checked and greyed
// for an entry that is already among the contacts.
QIcon StateImage(const QWidget* widget, int state)
{
    const int size = widget->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
    const qreal ratio = widget->devicePixelRatioF();
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QStyleOptionButton option;
    option.initFrom(widget);
    option.rect = QRect(0, 0, size, size);
    option.state =
        (state == 1 ? QStyle::State_Off : QStyle::State_On) | (state == 3 ? QStyle::State_None : QStyle::State_Enabled);
    if (state == 3)
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    QPainter painter(&pixmap);
    widget->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, widget);
    return QIcon(pixmap);
}

// Shows the rows' states as images in the first column.
class StateImages : public QIdentityProxyModel
{
public:
    StateImages(const QWidget* view, QObject* parent) : QIdentityProxyModel(parent)
    {
        for (int state = 1; state <= 3; ++state)
            images_[static_cast<std::size_t>(state - 1)] = StateImage(view, state);
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DecorationRole && index.column() == SimContactsModel::StateColumn) {
            const int state = QIdentityProxyModel::data(index, SimContactsModel::StateRole).toInt();
            if (state >= 1 && state <= 3)
                return images_[static_cast<std::size_t>(state - 1)];
        }
        return QIdentityProxyModel::data(index, role);
    }

private:
    std::array<QIcon, 3> images_;
};

} // namespace

TSimDataWindow::TSimDataWindow(StatusWriter writeStatus, UserPrompts& prompts, BroadbandService* service,
                               const std::string& interfaceId, QDatabase& database, QWidget* parent)
    : TWizardWindow(QStringLiteral("TSimDataWindow"), SimPhonebook::Caption(), parent),
      writeStatus_(std::move(writeStatus)),
      prompts_(prompts)
{
    SimPhonebookHost& host = *this;
    wizard_ = std::make_unique<SimPhonebook>(host, this, service, interfaceId, database);

    // The pages without tabs.
    Pages()->addWidget(WelcomePage());
    Pages()->addWidget(MemoryPage());
    Pages()->addWidget(ContactsPage());
    Pages()->addWidget(ReadyPage());
    Pages()->addWidget(StatusPage());

    // The band above the pages: the page's title and the wizard's picture.
    QWidget* band = Band(this, QStringLiteral("Title"), QString(), QString(), "media-flash");
    band->setObjectName(QStringLiteral("TopPanel"));
    title_ = Label(QStringLiteral("Title"));
    select_ = AddButton("SelectButton", QStringLiteral("Select All"));
    unselect_ = AddButton("UnselectButton", QStringLiteral("Unselect All"));
    reload_ = AddButton("ReloadButton", QStringLiteral("Reload"));
    Assemble(band, {select_, unselect_, reload_});
    NextButton()->setDefault(true);

    connect(select_, &QPushButton::clicked, this, [this] { Run(&SimPhonebook::SelectAll); });
    connect(unselect_, &QPushButton::clicked, this, [this] { Run(&SimPhonebook::UnselectAll); });
    connect(reload_, &QPushButton::clicked, this, [this] { Run(&SimPhonebook::Reload); });
    connect(import_, &QPushButton::clicked, this, [this] { Run(&SimPhonebook::Import); });

    resize(600, 460);
    setMinimumSize(520, 400);
    built_ = true;
    Run(&SimPhonebook::Start);
}

TSimDataWindow::~TSimDataWindow()
{
    // The wizard says goodbye through this window's log while everything still stands.
    wizard_.reset();
}

QWidget* TSimDataWindow::WelcomePage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(0, layout);
    layout->addWidget(Heading(QStringLiteral("Welcome to SIM card contacts tool."), page));
    layout->addWidget(
        Wrapped(QStringLiteral("This tool will guide you for importing contact data from SIM card."), page));
    layout->addSpacing(12);
    QLabel* statusA =
        AddLabel(page, QStringLiteral("WelcomeStatusA"),
                 QStringLiteral("Unfortunately your device does not support management of contacts on the SIM card."));
    QLabel* statusB =
        AddLabel(page, QStringLiteral("WelcomeStatusB"), QStringLiteral("The import process cannot be continued."));
    for (QLabel* label : {statusA, statusB}) {
        label->setWordWrap(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(0xb0, 0x1c, 0x1c));
        label->setPalette(palette);
        layout->addWidget(label);
    }
    layout->addStretch(1);
    // One of the two stands in the same place.
    layout->addWidget(
        AddLabel(page, QStringLiteral("WelcomeNextA"), QStringLiteral("To continue please press Next button...")));
    layout->addWidget(
        AddLabel(page, QStringLiteral("WelcomeNextB"), QStringLiteral("To exit please press Close button...")));
    return page;
}

QWidget* TSimDataWindow::MemoryPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(1, layout);
    layout->addWidget(
        Wrapped(QStringLiteral("Below you can find information about current status of SIM card memory."), page));
    layout->addWidget(Wrapped(QStringLiteral("This status depends on capabilities of the device and SIM card."), page));
    layout->addSpacing(12);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(12, 0, 0, 0);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(6);
    const char* const captions[] = {
        "Memory status:", "Total entries:", "Used entries:", "Max number length:", "Max name length:"};
    for (int i = 0; i < 5; ++i) {
        grid->addWidget(new QLabel(QString::fromLatin1(captions[i]), page), i, 0);
        QLabel* value = AddLabel(page, QStringLiteral("InfoA1%1").arg(i + 1), QStringLiteral("-"));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont font = value->font();
        font.setBold(true);
        value->setFont(font);
        grid->addWidget(value, i, 1);
    }
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    return page;
}

QWidget* TSimDataWindow::ContactsPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(2, layout);
    contactsList_ = new QTreeView(page);
    contactsList_->setObjectName(QStringLiteral("ContactsListView"));
    contactsList_->setAccessibleName(QStringLiteral("SIM contacts"));
    contactsList_->setModel(new StateImages(contactsList_, contactsList_));
    static_cast<QIdentityProxyModel*>(contactsList_->model())->setSourceModel(&wizard_->Contacts());
    contactsList_->setRootIsDecorated(false);
    contactsList_->setUniformRowHeights(true);
    contactsList_->setAllColumnsShowFocus(true);
    contactsList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    contactsList_->setSelectionMode(QAbstractItemView::SingleSelection);
    contactsList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    contactsList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QHeaderView* header = contactsList_->header();
    header->setSectionsMovable(false);
    header->setSectionsClickable(false);
    header->setStretchLastSection(true);
    header->setMinimumSectionSize(24);
    const int widths[] = {30, 45, 110, 110};
    for (int i = 0; i < 4; ++i)
        header->resizeSection(i, widths[i]);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    contactsList_->installEventFilter(this);
    // A click on the state image or a double-click anywhere on the row changes the choice.
    connect(contactsList_, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == SimContactsModel::StateColumn)
            wizard_->Toggle(index.row());
    });
    connect(contactsList_, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { wizard_->Toggle(index.row()); });
    layout->addWidget(contactsList_, 1);
    return page;
}

QWidget* TSimDataWindow::ReadyPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(3, layout);
    layout->addWidget(Heading(QStringLiteral("Now you are ready to import contacts from SIM card."), page));
    layout->addWidget(Wrapped(
        QStringLiteral("Please review your choice and then press Import button to complete importing process."), page));
    importList_ = new QTreeWidget(page);
    importList_->setObjectName(QStringLiteral("ImportListView"));
    importList_->setColumnCount(4);
    importList_->setHeaderLabels({QStringLiteral("#"), QStringLiteral("Name"), QStringLiteral("Number"), QString()});
    importList_->setRootIsDecorated(false);
    importList_->setUniformRowHeights(true);
    importList_->setAllColumnsShowFocus(true);
    importList_->setSelectionMode(QAbstractItemView::SingleSelection);
    importList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    importList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    importList_->header()->setSectionsClickable(false);
    importList_->header()->setStretchLastSection(true);
    importList_->header()->setMinimumSectionSize(24);
    const int widths[] = {30, 110, 110};
    for (int i = 0; i < 3; ++i)
        importList_->header()->resizeSection(i, widths[i]);
    layout->addWidget(importList_, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    import_ = AddButton("ImportButton", QStringLiteral("Import"), page);
    import_->setEnabled(false);
    row->addWidget(import_);
    layout->addLayout(row);
    return page;
}

QWidget* TSimDataWindow::StatusPage()
{
    QVBoxLayout* layout = nullptr;
    QWidget* page = NewPage(4, layout);
    QLabel* title = AddLabel(page, QStringLiteral("InfoA41"), QString());
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setWordWrap(true);
    layout->addWidget(title);
    QLabel* text = AddLabel(page, QStringLiteral("InfoA42"), QString());
    text->setWordWrap(true);
    layout->addWidget(text);
    layout->addSpacing(12);
    countsPanel_ = new QWidget(page);
    auto* grid = new QGridLayout(countsPanel_);
    grid->setContentsMargins(12, 0, 0, 0);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(6);
    grid->addWidget(new QLabel(QStringLiteral("Contacts imported:"), countsPanel_), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Contacts skipped:"), countsPanel_), 1, 0);
    for (int i = 0; i < 2; ++i) {
        QLabel* value =
            AddLabel(countsPanel_, i == 0 ? QStringLiteral("InfoA44") : QStringLiteral("InfoA46"), QString());
        value->setFont(bold);
        grid->addWidget(value, i, 1);
    }
    grid->setColumnStretch(2, 1);
    layout->addWidget(countsPanel_);
    layout->addStretch(1);
    layout->addWidget(new QLabel(QStringLiteral("To finish please press Close button..."), page));
    return page;
}

void TSimDataWindow::Refresh()
{
    if (!built_ || !wizard_)
        return;
    const SimPhonebook& w = *wizard_;
    if (ShowPage() && w.Page() == SimPage::Ready)
        FillImportList();
    title_->setText(QString::fromLatin1(pageTitles[w.PageIndex()]));
    import_->setEnabled(w.ImportEnabled());
    const bool onContacts = w.Page() == SimPage::Contacts;
    select_->setVisible(onContacts);
    unselect_->setVisible(onContacts);
    reload_->setVisible(onContacts && w.ReloadVisible());

    Label(QStringLiteral("WelcomeStatusA"))->setVisible(w.WelcomeStatusVisible());
    Label(QStringLiteral("WelcomeStatusB"))->setVisible(w.WelcomeStatusVisible());
    Label(QStringLiteral("WelcomeNextA"))->setVisible(w.Available());
    Label(QStringLiteral("WelcomeNextB"))->setVisible(!w.Available());
    for (int i = 0; i < 5; ++i)
        Label(QStringLiteral("InfoA1%1").arg(i + 1))->setText(w.MemoryInfo(i));
    Label(QStringLiteral("InfoA41"))->setText(w.ResultTitle());
    Label(QStringLiteral("InfoA42"))->setText(w.ResultText());
    Label(QStringLiteral("InfoA44"))->setText(w.ImportedText());
    Label(QStringLiteral("InfoA46"))->setText(w.SkippedText());
    countsPanel_->setVisible(w.ResultCountsVisible());
    // The default button follows the way on.
    ChooseDefault(w.Page() == SimPage::Ready && w.ImportEnabled() ? import_ : nullptr);
}

void TSimDataWindow::FillImportList()
{
    importList_->clear();
    for (const SimImportRow& row : wizard_->ImportRows())
        new QTreeWidgetItem(importList_, {QString::number(row.Position), row.Name, row.Number, QString()});
}

void TSimDataWindow::WriteStatus(const QString& text)
{
    if (writeStatus_)
        writeStatus_(text);
}

bool TSimDataWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Space changes the choice of the current row, as a click on its image does.
    if (watched == contactsList_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        const QModelIndex current = contactsList_->currentIndex();
        if (current.isValid())
            wizard_->Toggle(current.row());
        return true;
    }
    return TWizardWindow::eventFilter(watched, event);
}
