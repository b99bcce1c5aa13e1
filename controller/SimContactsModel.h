#pragma once
// The SIM entries of the phonebook window as a list model: each row's state (not selected,
// selected, or already among the contacts and not selectable), its SIM index, name, number and
// status text.

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <vector>

enum class SimRowState { NotSelected = 1, Selected = 2, Exists = 3 };

struct SimContactRow
{
    SimRowState State = SimRowState::NotSelected;
    std::uint32_t EntryIndex = 0;
    QString Name;
    QString Number;
    QString Status;
};

class SimContactsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { StateColumn = 0, IdColumn, NameColumn, NumberColumn, StatusColumn, ColumnCount };
    // The row's state as an int (1, 2 or 3) for the view's state images.
    static constexpr int StateRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Clear();
    void Add(const SimContactRow& row);
    // 1 becomes 2 and 2 becomes 1; a row already among the contacts stays as it is.
    void Toggle(int row);
    void SelectAll();
    void UnselectAll();

    int Count() const { return static_cast<int>(rows_.size()); }
    const SimContactRow& At(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    const std::vector<SimContactRow>& Rows() const { return rows_; }

private:
    void Change(SimRowState from, SimRowState to);
    void RowChanged(int row);

    std::vector<SimContactRow> rows_;
};
