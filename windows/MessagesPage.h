#pragma once
// The Messages page: the folder tree, one list per folder and the message view under them.

#include "controller/MessageFolders.h"

#include <QWidget>

#include <array>

class FolderFilter;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QTextEdit;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QSplitter;

class MessagesPage : public QWidget
{
    Q_OBJECT
public:
    MessagesPage(MessageFolders& folders, QWidget* parent = nullptr);

    Folder Shown() const { return shown_; }
    void ShowFolder(Folder folder);
    QTreeView* List(Folder folder) const { return lists_[static_cast<int>(folder)]; }
    // The focused row's message of the shown folder, or null.
    SmsData* Focused() const;
    void DisplayMessage(const SmsData* data);
    const SmsData* Displayed() const { return displayed_; }
    void SelectRow(Folder folder, const SmsData* data);
    // A row is about to go: when it is the current one the list lets go of it first, or the view
    // would hand the current mark to a neighbour, and selecting that marks it read.
    void ReleaseRow(Folder folder, const SmsData* data);
    void EnsureVisible(Folder folder, const SmsData* data);
    void UpdateNodes();
    QSplitter* Splitter() const { return vertical_; }
    QString InfoText(int label) const;
    QString ViewText() const;
    // Whether the other-party columns sort by contact name.
    void SetContactNames(bool on) { contactNames_ = on; }
    // A click on a column header of a folder's list: the sort of the caption's key, the same
    // column again reversing it.
    void ColumnClicked(Folder folder, int column);
    // The search box over the shown folder, and each folder's filter under its list.
    QLineEdit* SearchBox() const { return search_; }
    // Large text and rows: the column widths measured again in the lists' font, the row and
    // folder images, the width of the folder panel.
    void FitColumns();
    void SetRowIconSize(int size);
    void SetTreeIconSize(int size);
    // The "USSD Session" entry under the folders, shown while a USSD window is put aside.
    void SetActivityVisible(bool visible);
    bool ActivityVisible() const;
    int FolderPanelWidth() const;
    // The width the folder names and their counts need in the tree's font.
    int FolderPanelNeeds() const;
    // The message header row (number, name, dates) shown or not.
    void SetInfoVisible(bool visible);
    // The ID column's width in every folder.
    void SetIdColumnWidth(int width);
    void SetFolderPanelWidth(int width);
    FolderFilter& Filter(Folder folder) const { return *filters_[static_cast<size_t>(folder)]; }

Q_SIGNALS:
    // The selection of a list changed (null: nothing selected).
    void Selected(Folder folder, SmsData* data);
    void FolderChosen(Folder folder);
    void DeleteKey();
    void Activated(Folder folder);
    // The message view shows a message (or nothing); named: it has a contact name.
    void MessageShown(bool named);
    // A double click on the view's number or name.
    void InfoActivated();
    // A click on the "USSD Session" entry.
    void ActivityClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Rows of the lists are rows of the filters: these go between them and the folders.
    SmsData* RowData(Folder folder, int row) const;
    int ViewRow(Folder folder, const SmsData* data) const;

    MessageFolders& folders_;
    QTreeWidget* tree_;
    QTreeWidget* activity_;
    QStackedWidget* stack_;
    std::array<QTreeView*, FolderCount> lists_{};
    std::array<FolderFilter*, FolderCount> filters_{};
    QLineEdit* search_;
    QTextEdit* text_;
    std::array<QLabel*, 4> info_{};
    std::array<QLabel*, 4> infoImages_{};
    QSplitter* vertical_;
    QSplitter* horizontal_;
    Folder shown_ = Folder::Inbox;
    bool contactNames_ = true;
    int idColumnWidth_ = 65;
    QWidget* infoPanel_ = nullptr;
    const SmsData* displayed_ = nullptr;
};
