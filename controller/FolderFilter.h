#pragma once
// The search over a folder's list: the rows whose number, contact name or text holds the typed
// text, without regard to case, in the folder's own order. The folder's sort and counters stay as
// they are; an empty search shows every row.
//
// While a search is on, the folded texts of all rows are kept in one buffer, so that each key
// press scans contiguous memory instead of every message; what rows match is kept by row and
// follows the folder's changes.

#include <QSortFilterProxyModel>

#include <vector>

class FolderModel;
class SmsData;

class FolderFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit FolderFilter(FolderModel& folder, QObject* parent = nullptr);

    void SetSearch(const QString& text);
    // Makes the folded texts ready before the first key press (when the search box gets the focus).
    void Prepare();
    const QString& Search() const { return search_; }
    bool Matches(const SmsData& data) const;

    // Rows of the folder model and of this filter, -1 / invalid when not shown.
    int SourceRow(int row) const;
    int RowOfSource(int sourceRow) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    void BuildHaystack();
    static void Fold(QString& text);
    void MatchAll();
    void Forget();

    FolderModel& folder_;
    QString search_;
    QString folded_; // the search, case-folded
    // Folded "number \x1f name \x1f text \x1e" of every row in order, and where each row starts.
    QString haystack_;
    std::vector<qsizetype> starts_;
    bool haystackValid_ = false;
    // Whether each row of the folder matches the search; follows inserts, removals and sorts.
    std::vector<char> matched_;
    bool matchedValid_ = false;
    std::vector<const SmsData*> heldMatches_; // across a sort
};
