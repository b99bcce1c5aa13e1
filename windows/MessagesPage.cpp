#include "windows/MessagesPage.h"

#include "controller/FolderFilter.h"
#include "windows/Images.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Shows a folder model's image numbers as icons and unread rows in bold red.
class FolderViewModel : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role == Qt::DecorationRole && index.column() == 0)
            return Images::State(QIdentityProxyModel::data(index, ImageRole).toInt());
        if (role == Qt::FontRole || role == Qt::ForegroundRole) {
            if (!QIdentityProxyModel::data(index, UnreadRole).toBool())
                return {};
            if (role == Qt::ForegroundRole)
                return QColor(Qt::red);
            QFont font;
            font.setBold(true);
            return font;
        }
        return QIdentityProxyModel::data(index, role);
    }
};

const char* const kNodeIcons[FolderCount] = {
    "mail-unread", "mail-send", "document-send", "accessories-text-editor", "document-new", "mail-mark-important"};

// What a screen reader calls each folder's list.
const char* const kListNames[FolderCount] = {"Inbox", "Sent Items", "Outbox", "Drafts", "Templates", "Reports"};

} // namespace

MessagesPage::MessagesPage(MessageFolders& folders, QWidget* parent) : QWidget(parent), folders_(folders)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* horizontal = new QSplitter(Qt::Horizontal, this);
    horizontal->setObjectName(QStringLiteral("PanelCategories"));
    horizontal_ = horizontal;
    layout->addWidget(horizontal);

    tree_ = new QTreeWidget(horizontal);
    tree_->setObjectName(QStringLiteral("MesagesTreeView"));
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);
    tree_->setIconSize(QSize(24, 24));
    tree_->setAccessibleName(QStringLiteral("Folders"));
    for (int i = 0; i < FolderCount; ++i) {
        auto* item = new QTreeWidgetItem(tree_);
        item->setIcon(0, Images::Theme(kNodeIcons[i]));
    }
    // The folder panel: the folders, and under them the entry of a USSD session put aside.
    auto* folderPanel = new QWidget(horizontal);
    auto* folderColumn = new QVBoxLayout(folderPanel);
    folderColumn->setContentsMargins(0, 0, 0, 0);
    folderColumn->setSpacing(2);
    folderColumn->addWidget(tree_, 1);
    activity_ = new QTreeWidget(folderPanel);
    activity_->setObjectName(QStringLiteral("ActivityTreeView"));
    activity_->setHeaderHidden(true);
    activity_->setRootIsDecorated(false);
    activity_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    activity_->setFixedHeight(21);
    auto* session = new QTreeWidgetItem(activity_, {QStringLiteral("USSD Session")});
    session->setIcon(0, Images::Theme("phone"));
    activity_->hide();
    connect(activity_, &QTreeWidget::itemClicked, this, [this] { Q_EMIT ActivityClicked(); });
    folderColumn->addWidget(activity_);
    horizontal->addWidget(folderPanel);

    vertical_ = new QSplitter(Qt::Vertical, horizontal);
    auto* listPane = new QWidget(vertical_);
    auto* listLayout = new QVBoxLayout(listPane);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(3);
    search_ = new QLineEdit(listPane);
    search_->setObjectName(QStringLiteral("SearchBox"));
    search_->setPlaceholderText(QStringLiteral("Search number, name or text"));
    search_->setClearButtonEnabled(true);
    search_->setAccessibleName(QStringLiteral("Search messages"));
    if (QIcon::hasThemeIcon(QStringLiteral("edit-find")))
        search_->addAction(Images::Theme("edit-find"), QLineEdit::LeadingPosition);
    search_->installEventFilter(this);
    listLayout->addWidget(search_);
    stack_ = new QStackedWidget(listPane);
    listLayout->addWidget(stack_, 1);
    for (int i = 0; i < FolderCount; ++i) {
        FolderModel& model = folders_.Model(static_cast<Folder>(i));
        auto* view = new QTreeView(stack_);
        auto* filter = new FolderFilter(model, view);
        filters_[static_cast<size_t>(i)] = filter;
        auto* proxy = new FolderViewModel(view);
        proxy->setSourceModel(filter);
        view->setModel(proxy);
        view->setRootIsDecorated(false);
        view->setUniformRowHeights(true);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setAllColumnsShowFocus(true);
        view->installEventFilter(this);
        view->header()->setStretchLastSection(true);
        // Newest first in Inbox, Sent and Reports.
        if (model.SortKey() == -2) {
            view->header()->setSortIndicatorShown(true);
            // Qt draws the downward arrow for its ascending order.
            view->header()->setSortIndicator(static_cast<Folder>(i) == Folder::Reports ? 2 : 1, Qt::AscendingOrder);
        }
        const auto folder = static_cast<Folder>(i);
        // Selection, not the current mark: when a row goes, the view hands the current mark to a
        // neighbour without selecting it, and that must not mark the neighbour read.
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, folder, view] {
            const QModelIndexList rows = view->selectionModel()->selectedRows();
            Q_EMIT Selected(folder, rows.isEmpty() ? nullptr : RowData(folder, rows.constFirst().row()));
        });
        connect(view, &QTreeView::doubleClicked, this, [this, folder] { Q_EMIT Activated(folder); });
        view->header()->setSectionsClickable(true);
        connect(view->header(), &QHeaderView::sectionClicked, this,
                [this, folder](int section) { ColumnClicked(folder, section); });
        view->setAccessibleName(QString::fromLatin1(kListNames[i]));
        lists_[static_cast<size_t>(i)] = view;
        stack_->addWidget(view);
    }
    vertical_->addWidget(listPane);
    // The search narrows the shown folder as it is typed; another folder starts unfiltered.
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        QTreeView* list = List(shown_);
        const SmsData* focused = Focused();
        Filter(shown_).SetSearch(text);
        if (focused && Filter(shown_).Matches(*focused)) {
            SelectRow(shown_, focused);
        } else if (focused) {
            // The shown message left the list: the view and the actions let go of it.
            list->selectionModel()->clear();
            Q_EMIT Selected(shown_, nullptr);
        }
    });

    auto* viewer = new QWidget(vertical_);
    auto* viewerLayout = new QVBoxLayout(viewer);
    viewerLayout->setContentsMargins(6, 4, 6, 4);
    infoPanel_ = new QWidget(viewer);
    infoPanel_->setObjectName(QStringLiteral("MessageInfoPanel"));
    auto* infoRow = new QHBoxLayout(infoPanel_);
    infoRow->setContentsMargins(0, 0, 0, 0);
    const char* const infoIcons[4] = {"call-start", "contact-new", "appointment-new", "x-office-calendar"};
    const char* const infoNames[4] = {"Number", "Contact", "Time", "Date"};
    for (int i = 0; i < 4; ++i) {
        auto* image = new QLabel(infoPanel_);
        image->setPixmap(Images::Theme(infoIcons[i]).pixmap(16, 16));
        image->setObjectName(QStringLiteral("MessageInfo%1X").arg(QChar(u'A' + i)));
        image->setAccessibleName(QString::fromLatin1(infoNames[i]));
        infoImages_[static_cast<size_t>(i)] = image;
        info_[static_cast<size_t>(i)] = new QLabel(infoPanel_);
        info_[static_cast<size_t>(i)]->setObjectName(QStringLiteral("MessageInfo%1").arg(QChar(u'A' + i)));
        info_[static_cast<size_t>(i)]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (i < 2)
            info_[static_cast<size_t>(i)]->installEventFilter(this); // number and name: double click
        infoRow->addWidget(image);
        infoRow->addWidget(info_[static_cast<size_t>(i)]);
        infoRow->addSpacing(6);
    }
    infoRow->addStretch(1);
    viewerLayout->addWidget(infoPanel_);
    text_ = new QTextEdit(viewer);
    text_->setObjectName(QStringLiteral("MessageText"));
    text_->setReadOnly(true);
    text_->setAccessibleName(QStringLiteral("Message text"));
    viewerLayout->addWidget(text_);
    vertical_->addWidget(viewer);
    vertical_->setStretchFactor(0, 3);
    vertical_->setStretchFactor(1, 1);

    horizontal->addWidget(vertical_);
    horizontal->setStretchFactor(1, 1);
    horizontal->setSizes({170, 630});

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item)
            return;
        const auto folder = static_cast<Folder>(tree_->indexOfTopLevelItem(item));
        ShowFolder(folder);
        Q_EMIT FolderChosen(folder);
    });
    connect(&folders_, &MessageFolders::NodesChanged, this, &MessagesPage::UpdateNodes);
    FitColumns();
    UpdateNodes();
    DisplayMessage(nullptr);
}

void MessagesPage::FitColumns()
{
    for (int i = 0; i < FolderCount; ++i) {
        QTreeView* view = lists_[static_cast<size_t>(i)];
        const QStringList captions = folders_.Model(static_cast<Folder>(i)).Captions();
        // The designed widths, widened where this font needs more for a full date or number.
        // Unread rows are bold: measure with the bold face.
        QFont bold = view->font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        const int dateWidth = std::max(127, metrics.horizontalAdvance(QStringLiteral("00.00.0000 00:00:00")) + 16);
        const int numberWidth = std::max(100, metrics.horizontalAdvance(QStringLiteral("+000000000000")) + 16);
        for (int c = 0; c + 1 < captions.size(); ++c) {
            const QString& caption = captions[c];
            const bool number = caption == QLatin1String("To") || caption == QLatin1String("From") ||
                                caption == QLatin1String("Number");
            view->setColumnWidth(c, c == 0 ? idColumnWidth_ : (number ? numberWidth : dateWidth));
        }
    }
}

void MessagesPage::SetRowIconSize(int size)
{
    for (QTreeView* view : lists_)
        view->setIconSize(QSize(size, size));
}

void MessagesPage::SetTreeIconSize(int size)
{
    tree_->setIconSize(QSize(size, size));
    activity_->setIconSize(QSize(size, size));
    activity_->setFixedHeight(size > 16 ? 38 : 21);
}

void MessagesPage::SetActivityVisible(bool visible)
{
    activity_->setVisible(visible);
}

bool MessagesPage::ActivityVisible() const
{
    return !activity_->isHidden();
}

int MessagesPage::FolderPanelWidth() const
{
    return horizontal_->sizes().value(0);
}

int MessagesPage::FolderPanelNeeds() const
{
    int widest = 0;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        widest = std::max(widest, tree_->fontMetrics().horizontalAdvance(tree_->topLevelItem(i)->text(0)));
    // A count that grows, the picture, the indentation and the frame.
    widest += tree_->fontMetrics().horizontalAdvance(QStringLiteral(" (0000)"));
    return std::max(widest + tree_->iconSize().width() + tree_->indentation() + 24, tree_->minimumSizeHint().width());
}

void MessagesPage::SetInfoVisible(bool visible)
{
    infoPanel_->setVisible(visible);
}

void MessagesPage::SetIdColumnWidth(int width)
{
    idColumnWidth_ = width;
    FitColumns();
}

void MessagesPage::SetFolderPanelWidth(int width)
{
    const QList<int> sizes = horizontal_->sizes();
    const int total = std::max(sizes.value(0) + sizes.value(1), width + 100);
    horizontal_->setSizes({width, total - width});
}

void MessagesPage::ColumnClicked(Folder folder, int column)
{
    FolderModel& model = folders_.Model(folder);
    const QStringList captions = model.Captions();
    if (column < 0 || column >= captions.size())
        return;
    const int key = FolderModel::KeyOfCaption(captions[column], contactNames_);
    const int tag = FolderModel::ClickedKey(model.SortKey(), key);
    QHeaderView* header = List(folder)->header();
    header->setSortIndicatorShown(key != 0);
    if (key == 0) {
        model.SetSortKey(tag);
        return;
    }
    // Qt draws its ascending order as the downward arrow: the newest-first "down" arrow.
    header->setSortIndicator(column, tag <= 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    model.SortBy(tag);
    if (List(folder)->currentIndex().isValid())
        List(folder)->scrollTo(List(folder)->currentIndex());
}

void MessagesPage::UpdateNodes()
{
    for (int i = 0; i < FolderCount; ++i) {
        QTreeWidgetItem* item = tree_->topLevelItem(i);
        const auto folder = static_cast<Folder>(i);
        item->setText(0, folders_.NodeText(folder));
        QFont font = item->font(0);
        font.setBold(folders_.NodeBold(folder));
        item->setFont(0, font);
    }
}

void MessagesPage::ShowFolder(Folder folder)
{
    DisplayMessage(nullptr);
    if (folder != shown_ && !search_->text().isEmpty()) {
        Filter(shown_).SetSearch(QString());
        search_->clear();
    }
    shown_ = folder;
    QTreeView* list = List(folder);
    list->clearSelection();
    stack_->setCurrentWidget(list);
    if (tree_->currentItem() != tree_->topLevelItem(static_cast<int>(folder)))
        tree_->setCurrentItem(tree_->topLevelItem(static_cast<int>(folder)));
    if (folder == Folder::Reports)
        folders_.SetReportsSeen(true);
}

SmsData* MessagesPage::Focused() const
{
    QTreeView* list = List(shown_);
    const QModelIndex current = list->currentIndex();
    if (!current.isValid() || !list->selectionModel()->isRowSelected(current.row(), {}))
        return nullptr;
    return RowData(shown_, current.row());
}

SmsData* MessagesPage::RowData(Folder folder, int row) const
{
    const int source = Filter(folder).SourceRow(row);
    return source < 0 ? nullptr : folders_.Model(folder).At(source);
}

int MessagesPage::ViewRow(Folder folder, const SmsData* data) const
{
    const int source = folders_.Model(folder).RowOf(data);
    return source < 0 ? -1 : Filter(folder).RowOfSource(source);
}

void MessagesPage::SelectRow(Folder folder, const SmsData* data)
{
    const int row = ViewRow(folder, data);
    if (row < 0)
        return;
    QTreeView* list = List(folder);
    const QModelIndex index = list->model()->index(row, 0);
    list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->scrollTo(index);
}

void MessagesPage::ReleaseRow(Folder folder, const SmsData* data)
{
    QTreeView* list = List(folder);
    const QModelIndex current = list->currentIndex();
    if (!current.isValid() || RowData(folder, current.row()) != data)
        return;
    list->selectionModel()->clear(); // the current mark too
}

void MessagesPage::EnsureVisible(Folder folder, const SmsData* data)
{
    const int row = ViewRow(folder, data);
    if (row >= 0)
        List(folder)->scrollTo(List(folder)->model()->index(row, 0));
}

void MessagesPage::DisplayMessage(const SmsData* data)
{
    displayed_ = data;
    QStringList texts(4);
    if (data) {
        text_->setPlainText(QString(data->ViewText()).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        texts[0] = data->GetNumber();
        texts[1] = data->DisplayName(true);
        texts[2] = data->AnyFailed() ? QStringLiteral("Error sending message") : data->GetTime();
        texts[3] = data->GetDate();
    } else {
        text_->clear();
    }
    for (int i = 0; i < 4; ++i) {
        info_[static_cast<size_t>(i)]->setText(texts[i]);
        const bool shown = !texts[i].isEmpty();
        info_[static_cast<size_t>(i)]->setVisible(shown);
        infoImages_[static_cast<size_t>(i)]->setVisible(shown);
    }
    Q_EMIT MessageShown(!texts[1].isEmpty());
}

QString MessagesPage::InfoText(int label) const
{
    return info_[static_cast<size_t>(label)]->text();
}

QString MessagesPage::ViewText() const
{
    return text_->toPlainText();
}

bool MessagesPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == search_ && event->type() == QEvent::FocusIn)
        Filter(shown_).Prepare();
    if (event->type() == QEvent::MouseButtonDblClick && (watched == info_[0] || watched == info_[1])) {
        Q_EMIT InfoActivated();
        return true;
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        for (QTreeView* list : lists_) {
            if (list == watched) {
                Q_EMIT DeleteKey();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
