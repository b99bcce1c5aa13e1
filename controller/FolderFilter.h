#pragma once
// The search over a folder's list: the rows whose number, contact name or text holds the typed
// text, without regard to case, in the folder's own order. The folder's sort and counters stay as
// they are; an empty search shows every row.

#include <QSortFilterProxyModel>

class FolderModel;
class SmsData;

class FolderFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit FolderFilter(FolderModel& folder, QObject* parent = nullptr);

    void SetSearch(const QString& text);
    const QString& Search() const { return search_; }
    bool Matches(const SmsData& data) const;

    // Rows of the folder model and of this filter, -1 / invalid when not shown.
    int SourceRow(int row) const;
    int RowOfSource(int sourceRow) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    FolderModel& folder_;
    QString search_;
};
