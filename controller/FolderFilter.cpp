#include "controller/FolderFilter.h"

#include "controller/MessageFolders.h"

FolderFilter::FolderFilter(FolderModel& folder, QObject* parent) : QSortFilterProxyModel(parent), folder_(folder)
{
    setSourceModel(&folder);
    // The folder keeps its own order; this only leaves rows out.
    setDynamicSortFilter(true);
}

void FolderFilter::SetSearch(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == search_)
        return;
    search_ = trimmed;
    // The mapping made anew: telling the views row by row what left and came back costs far more
    // than the filter itself with many rows.
    invalidate();
}

bool FolderFilter::Matches(const SmsData& data) const
{
    if (search_.isEmpty())
        return true;
    if (data.Number.contains(search_, Qt::CaseInsensitive) || data.Name.contains(search_, Qt::CaseInsensitive))
        return true;
    // One part needs no joined copy; a text may run across the parts of a longer one.
    if (data.Units.size() == 1)
        return data.Units.front().Text.contains(search_, Qt::CaseInsensitive);
    return data.ListText().contains(search_, Qt::CaseInsensitive);
}

bool FolderFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (search_.isEmpty())
        return true;
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
