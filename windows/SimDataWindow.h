#pragma once
// TSimDataWindow ("SIM contacts"): the wizard that reads the SIM phonebook and imports the chosen
// entries into the contacts. Glue over SimPhonebook, which decides everything and keeps its own
// connection to the phonebook service.

#include "controller/SimPhonebook.h"

#include "windows/WizardWindow.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

class BroadbandService;
class QDatabase;
class QLabel;
class QPushButton;
class QTreeView;
class QTreeWidget;
class UserPrompts;

class TSimDataWindow : public TWizardWindow, private SimPhonebookHost
{
    Q_OBJECT
public:
    using StatusWriter = std::function<void(const QString&)>;
    // writeStatus: the main window's status log; service: the broadband service, may be null.
    TSimDataWindow(StatusWriter writeStatus, UserPrompts& prompts, BroadbandService* service,
                   const std::string& interfaceId, QDatabase& database, QWidget* parent = nullptr);
    ~TSimDataWindow() override;

    SimPhonebook& Wizard() override { return *wizard_; }

    // The controls, for tests.
    QPushButton* SelectButton() const { return select_; }
    QPushButton* UnselectButton() const { return unselect_; }
    QPushButton* ReloadButton() const { return reload_; }
    QPushButton* ImportButton() const { return import_; }
    QTreeView* ContactsListView() const { return contactsList_; }
    QTreeWidget* ImportListView() const { return importList_; }
    // Label(): "InfoA11" to "InfoA15", "InfoA41", "InfoA42", "InfoA44", "InfoA46", "WelcomeStatusA"...

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // SimPhonebookHost
    void WriteStatus(const QString& text) override;
    UserPrompts& Prompts() override { return prompts_; }
    void WaitCursor(bool on) override { SetWaitCursor(on); }
    void Changed() override { Refresh(); }

    QWidget* WelcomePage();
    QWidget* MemoryPage();
    QWidget* ContactsPage();
    QWidget* ReadyPage();
    QWidget* StatusPage();
    void Refresh() override;
    bool Accepted() const override { return wizard_->Accepted(); }
    void FillImportList();

    StatusWriter writeStatus_;
    UserPrompts& prompts_;
    std::unique_ptr<SimPhonebook> wizard_;
    bool built_ = false;

    QLabel* title_ = nullptr;
    QPushButton* select_ = nullptr;
    QPushButton* unselect_ = nullptr;
    QPushButton* reload_ = nullptr;
    QPushButton* import_ = nullptr;
    QTreeView* contactsList_ = nullptr;
    QTreeWidget* importList_ = nullptr;
    QWidget* countsPanel_ = nullptr;
};
