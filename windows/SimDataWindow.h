#pragma once
// TSimDataWindow ("SIM contacts"): the wizard that reads the SIM phonebook and imports the chosen
// entries into the contacts. Glue over SimPhonebook, which decides everything and keeps its own
// connection to the phonebook service.

#include "controller/SimPhonebook.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <string>

class BroadbandService;
class QDatabase;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeView;
class QTreeWidget;
class UserPrompts;

class TSimDataWindow : public QDialog, private SimPhonebookHost
{
    Q_OBJECT
public:
    using StatusWriter = std::function<void(const QString&)>;
    // writeStatus: the main window's status log; service: the broadband service, may be null.
    TSimDataWindow(StatusWriter writeStatus, UserPrompts& prompts, BroadbandService* service,
                   const std::string& interfaceId, QDatabase& database, QWidget* parent = nullptr);
    ~TSimDataWindow() override;

    SimPhonebook& Wizard() { return *wizard_; }

    // The controls, for tests.
    QStackedWidget* Pages() const { return pages_; }
    QPushButton* BackButton() const { return back_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* CloseButton() const { return close_; }
    QPushButton* SelectButton() const { return select_; }
    QPushButton* UnselectButton() const { return unselect_; }
    QPushButton* ReloadButton() const { return reload_; }
    QPushButton* ImportButton() const { return import_; }
    QTreeView* ContactsListView() const { return contactsList_; }
    QTreeWidget* ImportListView() const { return importList_; }
    // "InfoA11" to "InfoA15", "InfoA41", "InfoA42", "InfoA44", "InfoA46", "WelcomeStatusA"...
    QLabel* Label(const QString& name) const;

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // SimPhonebookHost
    void WriteStatus(const QString& text) override;
    UserPrompts& Prompts() override { return prompts_; }
    void WaitCursor(bool on) override;
    void Changed() override { Refresh(); }

    QWidget* WelcomePage();
    QWidget* MemoryPage();
    QWidget* ContactsPage();
    QWidget* ReadyPage();
    QWidget* StatusPage();
    QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text);
    void Run(void (SimPhonebook::*action)());
    void Refresh();
    void FillImportList();
    void Finish();

    StatusWriter writeStatus_;
    UserPrompts& prompts_;
    std::unique_ptr<SimPhonebook> wizard_;
    int waitCursors_ = 0;
    bool built_ = false;
    bool finishing_ = false;

    QLabel* title_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* select_ = nullptr;
    QPushButton* unselect_ = nullptr;
    QPushButton* reload_ = nullptr;
    QPushButton* import_ = nullptr;
    QTreeView* contactsList_ = nullptr;
    QTreeWidget* importList_ = nullptr;
    QWidget* countsPanel_ = nullptr;
};
