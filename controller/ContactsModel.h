#pragma once
// The contact list as a table model over the database's contact index: the rows are fetched by
// position when a view asks for them, never all loaded, and a few recent ones are kept. The main
// window's list and the composer's contact page share one model, so they sort alike.

#include "app/Messages.h"

#include <QAbstractTableModel>
#include <QHash>

#include <cstdint>

class QDatabase;

// Extra roles of ContactsModel::data.
enum ContactRole : int {
    ContactImageRole = Qt::UserRole + 1, // int, column 0: the row's state image
    ContactIdRole,                       // qint64, every column: the contact's ID
};

class ContactsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumns = 8;
    static constexpr int kImage = 16;

    explicit ContactsModel(QDatabase& database, QObject* parent = nullptr);
    // The ID column shows the IDs only when asked to.
    void SetShowIds(bool show);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The contact at a row; false when there is none.
    bool ContactAt(int row, DATABASE_CONTACTS_DATA& contact) const;
    std::int64_t IdAt(int row) const;

    // The list's sort: 0 by ID; +k ascending, -k descending by the column with tag k (1 to 7).
    int SortTag() const { return tag_; }
    void SetSortTag(int tag);
    // A click on a column: that column ascending, or descending when it was already ascending.
    void ColumnClicked(int column);
    static int ClickedTag(int current, int clicked);

    // After any change of the contacts: the index is read again and every row shown anew.
    void Refresh();

Q_SIGNALS:
    void SortChanged(int tag);

private:
    const DATABASE_CONTACTS_DATA* Fetch(int row) const;

    QDatabase& database_;
    bool showIds_ = false;
    int count_ = 0;
    int tag_ = 0;
    mutable QHash<int, DATABASE_CONTACTS_DATA> cache_;
};
