#pragma once
// The SIM phonebook wizard without its widgets: its pages and buttons, its own connection to the
// phonebook device service (a sink of its own delivering to this wizard), the requests for the
// memory status and the entries, and the import of the chosen entries into the contacts. The
// window shows what this holds after each call and forwards the user's actions.

#include "controller/SimContactsModel.h"
#include "controller/WizardPages.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BroadbandDeviceServicesEvents;
class BroadbandInterface;
class BroadbandService;
class MessageFunctionTarget;
class QDatabase;
class QObject;
class UserPrompts;
struct BROADBAND_REQUEST_RESULT;
struct MBIM_PHONEBOOK_CONFIGURATION;
struct MBIM_PHONEBOOK_ITEM;
struct Message;

// What the wizard needs of its window and of the main window.
class SimPhonebookHost
{
public:
    virtual ~SimPhonebookHost() = default;
    // The main window's device status log, log file and log view.
    virtual void WriteStatus(const QString& text) = 0;
    virtual UserPrompts& Prompts() = 0;
    // The hourglass on or off; calls come in pairs.
    virtual void WaitCursor(bool on) = 0;
    // A message of the device changed what the wizard shows.
    virtual void Changed() { }
};

enum class SimPage { Welcome = 0, Memory = 1, Contacts = 2, Ready = 3, Status = 4 };
inline constexpr int SimPageCount = 5;

struct SimImportRow
{
    int Position = 0; // running number from 1
    QString Name;
    QString Number;
};

class SimPhonebook : public WizardPages
{
public:
    // What is asked of the device: nothing, the memory status or the entries.
    enum Request { NoRequest = 0, ConfigurationRequest = 1, ReadRequest = 2 };

    static QString Caption() { return QStringLiteral("SIM contacts"); }

    // context: the object whose thread receives the sink's messages (the window). service: the
    // broadband service, null when there is none.
    SimPhonebook(SimPhonebookHost& host, QObject* context, BroadbandService* service, const std::string& interfaceId,
                 QDatabase& database);
    ~SimPhonebook();

    void Reload();
    void Import();
    void SelectAll() { contacts_.SelectAll(); }
    void UnselectAll() { contacts_.UnselectAll(); }
    // A click on a row's state image, or a double-click on the row.
    void Toggle(int row) { contacts_.Toggle(row); }

    // The messages of the wizard's own sink.
    std::intptr_t HandleMessage(const Message& message);

    bool Available() const { return available_; }
    SimPage Page() const { return static_cast<SimPage>(PageIndex()); }
    bool ImportEnabled() const { return importEnabled_; }
    bool ReloadVisible() const { return reloadVisible_; }
    // The welcome page: the two lines about a missing service, and the line that tells how to go on.
    bool WelcomeStatusVisible() const { return !available_; }
    QString WelcomeNext() const;
    // "Memory status:", "Total entries:", "Used entries:", "Max number length:", "Max name length:".
    const QString& MemoryInfo(int line) const { return memory_[static_cast<std::size_t>(line)]; }
    SimContactsModel& Contacts() { return contacts_; }
    const std::vector<SimImportRow>& ImportRows() const { return importRows_; }
    // The result page.
    const QString& ResultTitle() const { return resultTitle_; }
    const QString& ResultText() const { return resultText_; }
    bool ResultCountsVisible() const { return importedCount_ > 0; }
    QString ImportedText() const { return QString::number(importedCount_); }
    QString SkippedText() const { return QString::number(contacts_.Count() - importedCount_); }
    int ImportedCount() const { return importedCount_; }
    // The window closes with the OK result when something was imported.
    bool Accepted() const { return importedCount_ > 0; }
    // A request runs: the command session is being opened, queried or closed.
    bool Busy() const { return flow_ != Flow::Idle; }

    // "Not initialized", "Initialized" or "Unknown".
    static QString PhonebookStateText(std::uint32_t state);

private:
    enum class Flow { Idle, Opening, Querying, Closing };

    void Log(const QString& text);
    void Log(const std::string& text) { Log(QString::fromStdString(text)); }
    void Connect(BroadbandService* service, const std::string& interfaceId);
    std::shared_ptr<BroadbandInterface> Context() const;
    void ShowPage(SimPage page) { ShowPageIndex(static_cast<int>(page)); }
    void PageShown(int index) override;
    void RequestData(Request request);
    void StartNext();
    bool OpenCommandSession();
    void CloseCommandSession();
    void PostSessionComplete(bool open, std::uint32_t requestId);
    void SendQuery();
    void SetBusy(bool on);
    void DeviceEvent(const Message& message);
    void CommandComplete(const char* line, const BROADBAND_REQUEST_RESULT& result);
    void FillMemory(const MBIM_PHONEBOOK_CONFIGURATION& config);
    void AddContact(const MBIM_PHONEBOOK_ITEM& item);
    void BuildImportList();
    void ShowResult();

    SimPhonebookHost& host_;
    QDatabase& database_;
    std::string interfaceId_;
    int importedCount_ = 0;
    bool available_ = false;
    // The device services "manager": the service, while it lives.
    BroadbandService* manager_ = nullptr;
    std::weak_ptr<const void> managerLifetime_;
    std::weak_ptr<BroadbandInterface> context_;
    bool hasContext_ = false;
    std::unique_ptr<MessageFunctionTarget> target_;
    std::unique_ptr<BroadbandDeviceServicesEvents> sink_;

    // One request at a time: open the session, query, close it. Requests asked for meanwhile wait
    // their turn in order.
    Flow flow_ = Flow::Idle;
    Request pending_ = NoRequest;
    Request running_ = NoRequest;
    std::vector<Request> waiting_;
    std::uint32_t sessionRequestId_ = 0;
    std::uint32_t queryRequestId_ = 0;
    bool busy_ = false;
    // Posted completions check that the wizard still exists.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    bool importEnabled_ = false;
    bool reloadVisible_ = false;
    std::array<QString, 5> memory_;
    SimContactsModel contacts_;
    std::vector<SimImportRow> importRows_;
    QString resultTitle_;
    QString resultText_;
};
