// The main window's device services: the Debug menu's services and phonebook entries, and the
// SIM phonebook window.
#include "controller/PhonebookDebug.h"
#include "device/Broadband.h"
#include "device/service/Phonebook.h"
#include "windows/ContactsPage.h"
#include "windows/MainWindow.h"
#include "windows/SimDataWindow.h"

#include <QAction>
#include <QMenu>

void TMainWindow::BuildServicesMenu(QMenu* parent)
{
    QMenu* services = parent->addMenu(QStringLiteral("Services"));
    auto add = [this](QMenu* menu, MainAction name, const char* caption, std::function<void()> run) {
        QAction* action = actions_.New(name, QString::fromLatin1(caption));
        connect(action, &QAction::triggered, this, std::move(run));
        menu->addAction(action);
    };
    add(services, MainAction::DeviceServicesConnectAction, "Connect", [this] { device_->DeviceServicesConnect(); });
    add(services, MainAction::DeviceServicesDisconnectAction, "Disconnect",
        [this] { device_->DeviceServicesDisconnect(); });
    services->addSeparator();
    add(services, MainAction::DeviceServicesCommandOpenAction, "Open command session",
        [this] { device_->CommandSessionOpen(); });
    add(services, MainAction::DeviceServicesCommandCloseAction, "Close command session",
        [this] { device_->CommandSessionClose(); });
    services->addSeparator();
    QMenu* phonebook = services->addMenu(QStringLiteral("Phonebook"));
    add(phonebook, MainAction::PhonebookOpenAction, "Open phonebook",
        [this] { device_->DeviceServiceOpen(PhonebookServiceID); });
    add(phonebook, MainAction::PhonebookCloseAction, "Close phonebook", [this] { device_->DeviceServiceClose(); });
    phonebook->addSeparator();
    add(phonebook, MainAction::PhonebookInfoAction, "Phonebook Info", [this] { device_->GetPhonebookInfo(); });
    add(phonebook, MainAction::PhonebookReadAction, "Phonebook Read", [this] { device_->GetPhonebookData(); });
    add(phonebook, MainAction::PhonebookWriteAction, "Phonebook Write",
        [this] { phonebook_debug::Write(*prompts_, *device_); });
    add(phonebook, MainAction::PhonebookDeleteAction, "Phonebook Delete",
        [this] { phonebook_debug::Delete(*prompts_, *device_); });
}

void TMainWindow::OpenSimContacts()
{
    TSimDataWindow window([this](const QString& text) { WriteStatus(text); }, *prompts_, device_->Service(),
                          device_->GetInterfaceID(), *database_, this);
    WindowRunners::Run(runners_.simData, window);
    if (window.result() != QDialog::Accepted)
        return;
    WriteLog(QStringLiteral("Contacts -> Update"));
    contactsPage_->Refresh();
}
