#include "windows/ContactsView.h"

#include "controller/ContactsModel.h"
#include "windows/Images.h"

#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QMouseEvent>

namespace {

// The row image, and an ID column that shows only the image in the composer.
class ContactsViewModel : public QIdentityProxyModel
{
public:
    ContactsViewModel(bool imageOnly, QObject* parent) : QIdentityProxyModel(parent), imageOnly_(imageOnly) { }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (index.column() == 0) {
            if (role == Qt::DecorationRole)
                return Images::State(QIdentityProxyModel::data(index, ContactImageRole).toInt());
            if (imageOnly_ && role == Qt::DisplayRole)
                return QString();
        }
        return QIdentityProxyModel::data(index, role);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (imageOnly_ && section == 0 && role == Qt::DisplayRole)
            return QString();
        return QIdentityProxyModel::headerData(section, orientation, role);
    }

private:
    bool imageOnly_;
};

} // namespace

ContactsView::ContactsView(ContactsModel& model, Columns columns, QWidget* parent) : QTreeView(parent), model_(model)
{
    setObjectName(QStringLiteral("ContactsListView"));
    setAccessibleName(QStringLiteral("Contacts"));
    auto* proxy = new ContactsViewModel(columns == Columns::Composer, this);
    proxy->setSourceModel(&model);
    setModel(proxy);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView* head = header();
    head->setSectionsClickable(true);
    head->setSectionsMovable(false);
    head->setStretchLastSection(true);
    if (columns == Columns::Composer) {
        setColumnWidth(0, 35);
        for (int hidden : {2, 3, 4})
            setColumnHidden(hidden, true);
        // Narrow enough for the composer: Notes takes what is left, never a scroll bar's worth more.
        head->setMinimumSectionSize(30);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setColumnWidth(1, 125);
        setColumnWidth(5, 115);
        setColumnWidth(6, 70);
    } else {
        setColumnWidth(0, 65);
        for (int column = 1; column < ContactsModel::kColumns - 1; ++column)
            setColumnWidth(column, 115);
    }
    connect(head, &QHeaderView::sectionClicked, this, [this](int section) { model_.ColumnClicked(section); });
    connect(&model_, &ContactsModel::SortChanged, this, &ContactsView::ShowSortTag);
    // A reset drops the selection without a selection signal.
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] { Q_EMIT SelectionChanged(false); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { Q_EMIT SelectionChanged(SelectedRow() >= 0); });
    ShowSortTag(model_.SortTag());
}

void ContactsView::ShowSortTag(int tag)
{
    // The ID column never shows an arrow. Qt draws its ascending order as the downward arrow, so
    // an ascending sort, shown by the upward arrow, is Qt's descending indicator.
    header()->setSortIndicatorShown(tag != 0);
    if (tag != 0)
        header()->setSortIndicator(std::abs(tag), tag > 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

int ContactsView::SelectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

std::int64_t ContactsView::SelectedId() const
{
    const int row = SelectedRow();
    return row < 0 ? 0 : model_.IdAt(row);
}

void ContactsView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && selectionModel()->isRowSelected(index.row(), {}))
        Q_EMIT RowActivated(index.row());
}
