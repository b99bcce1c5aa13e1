#pragma once
// A view of the contact list: the main window's Contacts page and the composer's contact page
// both show the one ContactsModel through it. A header click sorts the model, and the header's
// arrow follows the model's sort, whichever view it was clicked in.

#include <QTreeView>

#include <cstdint>

class ContactsModel;

class ContactsView : public QTreeView
{
    Q_OBJECT
public:
    enum class Columns { All, Composer };
    ContactsView(ContactsModel& model, Columns columns, QWidget* parent = nullptr);

    ContactsModel& Contacts() const { return model_; }
    // The selected row, or -1.
    int SelectedRow() const;
    std::int64_t SelectedId() const;

Q_SIGNALS:
    // The selection changed: whether a row is selected now.
    void SelectionChanged(bool selected);
    // A double click on a selected row.
    void RowActivated(int row);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ShowSortTag(int tag);

    ContactsModel& model_;
};
