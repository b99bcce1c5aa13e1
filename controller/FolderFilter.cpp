#include "controller/FolderFilter.h"

#include "controller/MessageFolders.h"

#include <QSet>

#include <algorithm>

FolderFilter::FolderFilter(FolderModel& folder, QObject* parent) : QSortFilterProxyModel(parent), folder_(folder)
{
    // Connected before the source is set, so that these run before the filter's own handling,
    // which asks filterAcceptsRow about the changed rows.
    connect(&folder, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        haystackValid_ = false;
        if (!matchedValid_)
            return;
        std::vector<char> added;
        for (int row = first; row <= last; ++row)
            added.push_back(Matches(*folder_.At(row)) ? 1 : 0);
        matched_.insert(matched_.begin() + first, added.begin(), added.end());
    });
    connect(&folder, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex&, int first, int last) {
        haystackValid_ = false;
        if (matchedValid_)
            matched_.erase(matched_.begin() + first, matched_.begin() + last + 1);
    });
    connect(&folder, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from, const QModelIndex& to) {
        haystackValid_ = false;
        if (matchedValid_)
            for (int row = from.row(); row <= to.row() && row < static_cast<int>(matched_.size()); ++row)
                matched_[static_cast<std::size_t>(row)] = Matches(*folder_.At(row)) ? 1 : 0;
    });
    connect(&folder, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] {
        heldMatches_.clear();
        if (!matchedValid_)
            return;
        for (std::size_t row = 0; row < matched_.size(); ++row)
            if (matched_[row])
                heldMatches_.push_back(folder_.At(static_cast<int>(row)));
    });
    connect(&folder, &QAbstractItemModel::layoutChanged, this, [this] {
        haystackValid_ = false;
        if (!matchedValid_)
            return;
        // The same messages match in their new places.
        const QSet<const SmsData*> held(heldMatches_.begin(), heldMatches_.end());
        heldMatches_.clear();
        matched_.assign(static_cast<std::size_t>(folder_.rowCount()), 0);
        for (int row = 0; row < folder_.rowCount(); ++row)
            matched_[static_cast<std::size_t>(row)] = held.contains(folder_.At(row)) ? 1 : 0;
    });
    connect(&folder, &QAbstractItemModel::modelReset, this, [this] {
        haystackValid_ = false;
        matchedValid_ = false;
        if (!search_.isEmpty())
            MatchAll();
    });
    setSourceModel(&folder);
    setDynamicSortFilter(true); // the folder keeps its own order; this only leaves rows out
}

void FolderFilter::SetSearch(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == search_)
        return;
    search_ = trimmed;
    folded_ = trimmed;
    Fold(folded_);
    if (search_.isEmpty())
        Forget();
    else
        MatchAll();
    // The mapping made anew: telling the views row by row what left and came back costs far more
    // than the search itself with many rows.
    invalidate();
}

void FolderFilter::Prepare()
{
    if (!haystackValid_)
        BuildHaystack();
}

void FolderFilter::Forget()
{
    haystack_ = QString();
    starts_ = {};
    matched_ = {};
    haystackValid_ = false;
    matchedValid_ = false;
}

void FolderFilter::BuildHaystack()
{
    const int rows = folder_.rowCount();
    qsizetype size = 0;
    for (int row = 0; row < rows; ++row) {
        const SmsData& data = *folder_.At(row);
        size += data.Number.size() + data.Name.size() + 3;
        for (const SmsUnit& unit : data.Units)
            size += unit.Text.size();
    }
    haystack_.clear();
    haystack_.reserve(size);
    starts_.clear();
    starts_.reserve(static_cast<std::size_t>(rows) + 1);
    for (int row = 0; row < rows; ++row) {
        const SmsData& data = *folder_.At(row);
        starts_.push_back(haystack_.size());
        haystack_ += data.Number;
        haystack_ += QChar(0x1f);
        haystack_ += data.Name;
        haystack_ += QChar(0x1f);
        for (const SmsUnit& unit : data.Units)
            if (!unit.Duplicate)
                haystack_ += unit.Text;
        haystack_ += QChar(0x1e);
    }
    starts_.push_back(haystack_.size());
    Fold(haystack_);
    haystackValid_ = true;
}

void FolderFilter::Fold(QString& text)
{
    // Simple case folding, one unit for one, as the case-insensitive comparisons of QString do;
    // the list shows line breaks as blanks, and so the search sees them.
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if (u >= 'A' && u <= 'Z')
                c = QChar(u + ('a' - 'A'));
            else if (u == '\n')
                c = QLatin1Char(' ');
        } else {
            c = c.toCaseFolded();
        }
    }
}

void FolderFilter::MatchAll()
{
    if (!haystackValid_)
        BuildHaystack();
    const auto rows = static_cast<std::size_t>(folder_.rowCount());
    matched_.assign(rows, 0);
    const QStringView hay(haystack_);
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = hay.indexOf(folded_, from);
        if (at < 0)
            break;
        // The row holding the hit; its other hits need no search.
        const auto next = std::upper_bound(starts_.begin(), starts_.end(), at);
        const auto row = static_cast<std::size_t>(next - starts_.begin()) - 1;
        if (row < rows)
            matched_[row] = 1;
        if (next == starts_.end())
            break;
        from = *next;
    }
    matchedValid_ = true;
}

bool FolderFilter::Matches(const SmsData& data) const
{
    if (search_.isEmpty())
        return true;
    if (data.Number.contains(search_, Qt::CaseInsensitive) || data.Name.contains(search_, Qt::CaseInsensitive))
        return true;
    return data.ListText().contains(search_, Qt::CaseInsensitive);
}

bool FolderFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (search_.isEmpty())
        return true;
    if (matchedValid_ && sourceRow >= 0 && sourceRow < static_cast<int>(matched_.size()))
        return matched_[static_cast<std::size_t>(sourceRow)] != 0;
    const SmsData* data = folder_.At(sourceRow);
    return data != nullptr && Matches(*data);
}

int FolderFilter::SourceRow(int row) const
{
    const QModelIndex source = mapToSource(index(row, 0));
    return source.isValid() ? source.row() : -1;
}

int FolderFilter::RowOfSource(int sourceRow) const
{
    const QModelIndex shown = mapFromSource(folder_.index(sourceRow, 0));
    return shown.isValid() ? shown.row() : -1;
}
