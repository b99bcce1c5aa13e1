#pragma once
// The Contacts page of the main window: the contact list, its actions and menus, the contact
// editor, and the names shown for messages kept in step with the contacts.

#include <QWidget>

#include <cstdint>
#include <memory>

class ContactsBook;
class ContactsModel;
class ContactsView;
class QMenuBar;
class TMainWindow;

class ContactsPage : public QWidget
{
    Q_OBJECT
public:
    // Makes the contacts actions; the page is added to the window's pages later.
    explicit ContactsPage(TMainWindow& window);
    ~ContactsPage() override;

    ContactsModel& Model() { return *model_; }
    ContactsView& List() { return *view_; }
    // The Contacts menu and the list's own menu, once every action exists.
    void BuildMenus(QMenuBar* bar);
    // The page shown or left: its actions follow the selection while shown.
    void Shown(bool shown);
    // The contacts feature on or off: its actions and the names of messages.
    void ApplyFeature(bool on);
    // After any change of the contacts: the list read again and every message's name resolved again.
    void Refresh();
    // The contact editor for a number (the contact that has it, or a new one); the list and the
    // names follow when it changed something.
    void EditNumber(const QString& number);
    // The selected contact's number, or empty.
    QString SelectedNumber() const;

private:
    void BuildActions();
    void SelectionChanged(bool selected);
    void ResolveMessageNames();
    // The contact editor for a contact ID, a new contact (id 0, no number) or a number; true when
    // it changed something.
    bool OpenEditor(std::int64_t id, const QString& number);
    bool IsShown() const;

    TMainWindow& window_;
    ContactsModel* model_ = nullptr;
    std::unique_ptr<ContactsBook> book_;
    ContactsView* view_ = nullptr;
};
