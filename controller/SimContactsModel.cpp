#include "controller/SimContactsModel.h"

int SimContactsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int SimContactsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SimContactsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const SimContactRow& row = At(index.row());
    if (role == StateRole)
        return static_cast<int>(row.State);
    if (role == Qt::ToolTipRole && index.column() == StateColumn)
        return row.Status;
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case IdColumn: return QString::number(row.EntryIndex);
    case NameColumn: return row.Name;
    case NumberColumn: return row.Number;
    case StatusColumn: return row.Status;
    default: return {};
    }
}

QVariant SimContactsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case IdColumn: return QStringLiteral("ID");
    case NameColumn: return QStringLiteral("Name");
    case NumberColumn: return QStringLiteral("Number");
    case StatusColumn: return QStringLiteral("Status");
    default: return QString();
    }
}

void SimContactsModel::Clear()
{
    if (rows_.empty())
        return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void SimContactsModel::Add(const SimContactRow& row)
{
    beginInsertRows({}, Count(), Count());
    rows_.push_back(row);
    endInsertRows();
}

void SimContactsModel::Toggle(int row)
{
    if (row < 0 || row >= Count())
        return;
    SimRowState& state = rows_[static_cast<std::size_t>(row)].State;
    if (state == SimRowState::Exists)
        return;
    state = state == SimRowState::Selected ? SimRowState::NotSelected : SimRowState::Selected;
    RowChanged(row);
}

void SimContactsModel::SelectAll()
{
    Change(SimRowState::NotSelected, SimRowState::Selected);
}

void SimContactsModel::UnselectAll()
{
    Change(SimRowState::Selected, SimRowState::NotSelected);
}

void SimContactsModel::Change(SimRowState from, SimRowState to)
{
    for (int i = 0; i < Count(); ++i)
        if (rows_[static_cast<std::size_t>(i)].State == from) {
            rows_[static_cast<std::size_t>(i)].State = to;
            RowChanged(i);
        }
}

void SimContactsModel::RowChanged(int row)
{
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}
