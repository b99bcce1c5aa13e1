#include "controller/ContactsModel.h"

#include "storage/Database.h"

namespace {

// Enough for a few screens of rows; a view asks for each cell and role separately.
constexpr int kCacheRows = 512;

const char* const kCaptions[ContactsModel::kColumns] = {"ID",          "Contact", "First name", "Middle name",
                                                        "Family name", "Number",  "Group",      "Notes"};

const QString& Field(const DATABASE_CONTACTS_DATA& c, int column)
{
    switch (column) {
    case 1: return c.Contact;
    case 2: return c.FirstName;
    case 3: return c.MiddleName;
    case 4: return c.FamilyName;
    case 5: return c.Number;
    case 6: return c.Group;
    default: return c.Notes;
    }
}

} // namespace

ContactsModel::ContactsModel(QDatabase& database, QObject* parent) : QAbstractTableModel(parent), database_(database)
{
    count_ = database_.ContactIndexCount();
}

void ContactsModel::SetShowIds(bool show)
{
    if (show == showIds_)
        return;
    showIds_ = show;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, 0);
    if (count_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(count_ - 1, 0));
}

int ContactsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_;
}

int ContactsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

const DATABASE_CONTACTS_DATA* ContactsModel::Fetch(int row) const
{
    if (row < 0 || row >= count_)
        return nullptr;
    auto it = cache_.constFind(row);
    if (it != cache_.cend())
        return &*it;
    DATABASE_CONTACTS_DATA contact;
    if (!database_.GetContactAt(row, contact))
        return nullptr;
    if (cache_.size() >= kCacheRows)
        cache_.clear();
    return &*cache_.insert(row, contact);
}

QVariant ContactsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() < 0 || index.column() >= kColumns)
        return {};
    if (role != Qt::DisplayRole && role != ContactImageRole && role != ContactIdRole)
        return {};
    const DATABASE_CONTACTS_DATA* contact = Fetch(index.row());
    if (contact == nullptr)
        return {};
    switch (role) {
    case ContactImageRole: return index.column() == 0 ? QVariant(kImage) : QVariant();
    case ContactIdRole: return QVariant::fromValue(static_cast<qint64>(contact->ID));
    default:
        if (index.column() == 0)
            return showIds_ ? QString::number(contact->ID) : QString();
        return Field(*contact, index.column());
    }
}

QVariant ContactsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns)
        return {};
    if (section == 0 && !showIds_)
        return QString();
    return QString::fromLatin1(kCaptions[section]);
}

bool ContactsModel::ContactAt(int row, DATABASE_CONTACTS_DATA& contact) const
{
    const DATABASE_CONTACTS_DATA* found = Fetch(row);
    if (found == nullptr)
        return false;
    contact = *found;
    return true;
}

std::int64_t ContactsModel::IdAt(int row) const
{
    const DATABASE_CONTACTS_DATA* found = Fetch(row);
    return found ? found->ID : 0;
}

int ContactsModel::ClickedTag(int current, int clicked)
{
    if (clicked + current != 0 && clicked == current)
        return -clicked;
    return clicked;
}

void ContactsModel::ColumnClicked(int column)
{
    if (column < 0 || column >= kColumns)
        return;
    SetSortTag(ClickedTag(tag_, column));
}

void ContactsModel::SetSortTag(int tag)
{
    if (tag < -(kColumns - 1) || tag > kColumns - 1)
        tag = 0;
    tag_ = tag;
    beginResetModel();
    cache_.clear();
    database_.SetContactOrder(tag); // reads the index again only for a new column
    count_ = database_.ContactIndexCount();
    endResetModel();
    Q_EMIT SortChanged(tag_);
}

void ContactsModel::Refresh()
{
    beginResetModel();
    cache_.clear();
    count_ = database_.BuildContactIndex();
    endResetModel();
}
