#include "controller/SimPhonebook.h"

#include "app/MessageTarget.h"
#include "app/Messages.h"
#include "app/Prompts.h"
#include "device/Broadband.h"
#include "device/service/BroadbandService.h"
#include "device/service/Phonebook.h"
#include "storage/Database.h"

#include <QTimer>

#include <algorithm>
#include <exception>

namespace {

QString Decimal(std::uint32_t value)
{
    return QString::number(value);
}

} // namespace

SimPhonebook::SimPhonebook(SimPhonebookHost& host, QObject* context, BroadbandService* service,
                           const std::string& interfaceId, QDatabase& database)
    : WizardPages(SimPageCount), host_(host), database_(database), interfaceId_(interfaceId)
{
    memory_.fill(QStringLiteral("-"));
    target_ = std::make_unique<MessageFunctionTarget>(
        context, [this](const Message& message) { return HandleMessage(message); });
    sink_ = std::make_unique<BroadbandDeviceServicesEvents>(target_.get());
    Connect(service, interfaceId);
}

SimPhonebook::~SimPhonebook()
{
    SetBusy(false);
    if (available_)
        Log(QStringLiteral("DeviceService -> Disconnect() -> Ok"));
    if (hasContext_)
        Log(QStringLiteral("DeviceServicesContext -> Disconnect() -> Ok"));
    if (manager_) {
        sink_->Disconnect();
        manager_ = nullptr;
        Log(QStringLiteral("DeviceServicesManager -> Disconnect() -> Ok"));
    } else {
        Log(QStringLiteral("DeviceServicesManager -> Disconnect() -> Not connected"));
    }
    sink_.reset();
}

void SimPhonebook::Log(const QString& text)
{
    host_.WriteStatus(QStringLiteral("SIM -> Contacts -> ") + text);
}

void SimPhonebook::Connect(BroadbandService* service, const std::string& interfaceId)
{
    try {
        if (!service || !service->IsStarted()) {
            Log("DeviceServicesManager -> Connect() -> Failed: " + ComErrorText(Hr::ServiceNotStarted));
        } else {
            manager_ = service;
            managerLifetime_ = service->Lifetime();
            Log(QStringLiteral("DeviceServicesManager -> Connect() -> Ok"));
            Log("InterfaceID: " + interfaceId);
            Log(sink_->Connect(service) ? QStringLiteral("Set Device Services events -> Ok")
                                        : QStringLiteral("Set Device Services events -> Failed"));
            std::shared_ptr<BroadbandInterface> context;
            HRESULT hr = service->GetInterface(interfaceId, context);
            if (Failed(hr) || !context) {
                Log("DeviceServicesManager -> GetDeviceServicesContext() -> Failed: " +
                    HresultText(Failed(hr) ? hr : Hr::DeviceNotFound));
            } else {
                context_ = context;
                hasContext_ = true;
                BroadbandDeviceServiceInfo info;
                hr = context->GetDeviceService(PhonebookServiceID, info);
                if (Failed(hr))
                    Log("DeviceServicesContext -> GetDeviceService() -> Failed: " + HresultText(hr));
                else
                    available_ = true;
            }
        }
        Log(available_ ? QStringLiteral("Contacts available -> Yes") : QStringLiteral("Contacts available -> No"));
    } catch (const std::exception& e) {
        Log(QStringLiteral("DeviceServicesManager -> Connect() -> Exception: ") + QString::fromLocal8Bit(e.what()));
    }
}

std::shared_ptr<BroadbandInterface> SimPhonebook::Context() const
{
    // The service may have gone, or the device with it.
    if (!manager_ || managerLifetime_.expired())
        return nullptr;
    auto context = context_.lock();
    return context && context->IsReady() ? context : nullptr;
}

QString SimPhonebook::WelcomeNext() const
{
    return available_ ? QStringLiteral("To continue please press Next button...")
                      : QStringLiteral("To exit please press Close button...");
}

QString SimPhonebook::PhonebookStateText(std::uint32_t state)
{
    switch (state) {
    case 0: return QStringLiteral("Not initialized");
    case 1: return QStringLiteral("Initialized");
    default: return QStringLiteral("Unknown");
    }
}

void SimPhonebook::Reload()
{
    RequestData(ReadRequest);
}

void SimPhonebook::PageShown(int index)
{
    switch (static_cast<SimPage>(index)) {
    case SimPage::Welcome: SetNextEnabled(available_); break;
    case SimPage::Memory: RequestData(ConfigurationRequest); break;
    case SimPage::Contacts:
        if (contacts_.Count() > 0)
            reloadVisible_ = true;
        else
            RequestData(ReadRequest);
        break;
    case SimPage::Ready:
        BuildImportList();
        importEnabled_ = !importRows_.empty();
        SetNextEnabled(false);
        break;
    case SimPage::Status: ShowResult(); break;
    }
}

void SimPhonebook::RequestData(Request request)
{
    if (!available_)
        return;
    // The same request already under way, or waiting, is not asked twice.
    if (flow_ != Flow::Idle && (pending_ == request || running_ == request))
        return;
    if (std::find(waiting_.begin(), waiting_.end(), request) != waiting_.end())
        return;
    if (flow_ != Flow::Idle) {
        waiting_.push_back(request);
        return;
    }
    if (!OpenCommandSession())
        return;
    SetBusy(true);
    pending_ = request;
    flow_ = Flow::Opening;
}

void SimPhonebook::StartNext()
{
    while (flow_ == Flow::Idle && !waiting_.empty()) {
        const Request next = waiting_.front();
        waiting_.erase(waiting_.begin());
        RequestData(next);
    }
    if (flow_ == Flow::Idle)
        SetBusy(false);
}

bool SimPhonebook::OpenCommandSession()
{
    const auto context = Context();
    if (!context) {
        Log("DeviceService->OpenCommandSession() -> Failed: " + HresultText(Hr::NotReady));
        return false;
    }
    // MBIM has no command session: it is open at once, and its completion comes as usual.
    sessionRequestId_ = manager_->NextRequestId();
    Log(QStringLiteral("DeviceService->OpenCommandSession() -> Ok, RequestID = ") + Decimal(sessionRequestId_));
    PostSessionComplete(true, sessionRequestId_);
    return true;
}

void SimPhonebook::CloseCommandSession()
{
    const auto context = Context();
    if (!context) {
        Log("DeviceService->CloseCommandSession() -> Failed: " + HresultText(Hr::NotReady));
        flow_ = Flow::Idle;
        pending_ = NoRequest;
        StartNext();
        return;
    }
    sessionRequestId_ = manager_->NextRequestId();
    flow_ = Flow::Closing;
    Log(QStringLiteral("DeviceService->CloseCommandSession() -> Ok, RequestID = ") + Decimal(sessionRequestId_));
    PostSessionComplete(false, sessionRequestId_);
}

void SimPhonebook::PostSessionComplete(bool open, std::uint32_t requestId)
{
    // Only this wizard's sink hears of its session; the wizard may be gone when the call runs.
    QTimer::singleShot(0, [alive = std::weak_ptr<int>(alive_), sink = sink_.get(), open, requestId] {
        if (alive.expired())
            return;
        if (open)
            sink->OnOpenCommandSessionComplete(requestId, Hr::Ok);
        else
            sink->OnCloseCommandSessionComplete(requestId, Hr::Ok);
    });
}

void SimPhonebook::SendQuery()
{
    const Request request = pending_;
    pending_ = NoRequest;
    if (request == NoRequest) {
        CloseCommandSession();
        return;
    }
    if (request == ReadRequest)
        contacts_.Clear();
    const std::vector<std::uint8_t> payload =
        request == ConfigurationRequest ? PhonebookConfigurationPayload() : PhonebookReadPayload();
    if (payload.empty()) {
        Log(QStringLiteral("CreateByteSafeArray -> Failed"));
        CloseCommandSession();
        return;
    }
    const auto context = Context();
    std::uint32_t id = 0;
    const HRESULT hr =
        context ? context->DeviceServiceCommand(PhonebookServiceID,
                                                request == ConfigurationRequest ? PHONEBOOK_COMMAND_CONFIGURATION
                                                                                : PHONEBOOK_COMMAND_READ,
                                                false, payload, id)
                : Hr::NotReady;
    if (Failed(hr)) {
        // No completion will come: the hourglass goes with the session.
        CloseCommandSession();
        Log("DeviceService->QueryCommand() -> Failed: " + HresultText(hr));
        return;
    }
    Log(QStringLiteral("DeviceService->QueryCommand() -> Ok, RequestID = ") + Decimal(id));
    queryRequestId_ = id;
    running_ = request;
    flow_ = Flow::Querying;
}

void SimPhonebook::SetBusy(bool on)
{
    if (busy_ == on)
        return;
    busy_ = on;
    host_.WaitCursor(on);
}

std::intptr_t SimPhonebook::HandleMessage(const Message& message)
{
    try {
        switch (message.Number) {
        case WM_BROADBAND_LOG:
            if (const auto* text = message.Record<std::string>())
                Log(QString::fromStdString(*text));
            break;
        case WM_BROADBAND_EVENT: DeviceEvent(message); break;
        case WM_BROADBAND_PHONEBOOK:
            // Only the answer to this wizard's own query is taken.
            if (message.WParam == PHONEBOOK_CONFIGURATION && running_ == ConfigurationRequest) {
                if (const auto* config = message.Record<MBIM_PHONEBOOK_CONFIGURATION>())
                    FillMemory(*config);
            } else if (message.WParam == PHONEBOOK_ITEM && running_ == ReadRequest) {
                if (const auto* item = message.Record<MBIM_PHONEBOOK_ITEM>())
                    AddContact(*item);
            }
            break;
        default: break;
        }
    } catch (const std::exception& e) {
        Log(QStringLiteral("Exception: ") + QString::fromLocal8Bit(e.what()));
    }
    host_.Changed();
    return 0;
}

void SimPhonebook::DeviceEvent(const Message& message)
{
    const auto* result = message.Record<BROADBAND_REQUEST_RESULT>();
    switch (message.WParam) {
    case EV_INTERFACE_ARRIVAL: Log(QStringLiteral("Interface arrival")); break;
    case EV_INTERFACE_REMOVAL: Log(QStringLiteral("Interface removal")); break;
    case EV_OPEN_COMMAND_SESSION_COMPLETE:
        if (result && flow_ == Flow::Opening && result->RequestID == sessionRequestId_) {
            Log(QStringLiteral("Command session -> Open -> Complete"));
            SendQuery();
        }
        break;
    case EV_CLOSE_COMMAND_SESSION_COMPLETE:
        if (result && flow_ == Flow::Closing && result->RequestID == sessionRequestId_) {
            Log(QStringLiteral("Command session -> Close -> Complete"));
            pending_ = NoRequest;
            flow_ = Flow::Idle;
            StartNext();
        }
        break;
    case EV_SET_COMMAND_COMPLETE:
        if (result)
            CommandComplete("Set command -> Complete", *result);
        break;
    case EV_QUERY_COMMAND_COMPLETE:
        if (result)
            CommandComplete("Query command -> Complete", *result);
        break;
    default: break;
    }
}

void SimPhonebook::CommandComplete(const char* line, const BROADBAND_REQUEST_RESULT& result)
{
    // Completions of requests of others reach every sink of the service.
    if (flow_ != Flow::Querying || result.RequestID != queryRequestId_)
        return;
    Log(QString::fromLatin1(line));
    queryRequestId_ = 0;
    running_ = NoRequest;
    SetBusy(false);
    if (Failed(result.Status))
        host_.Prompts().Show(Caption(),
                             QStringLiteral("The operation could not be completed: \n\r") +
                                 QString::fromStdString(HresultText(result.Status)),
                             PromptIcon::Error);
    CloseCommandSession();
}

void SimPhonebook::FillMemory(const MBIM_PHONEBOOK_CONFIGURATION& config)
{
    memory_[0] = PhonebookStateText(config.State);
    memory_[1] = Decimal(config.TotalEntries);
    memory_[2] = Decimal(config.UsedEntries);
    memory_[3] = Decimal(config.MaxNumberLength);
    memory_[4] = Decimal(config.MaxNameLength);
}

void SimPhonebook::AddContact(const MBIM_PHONEBOOK_ITEM& item)
{
    SimContactRow row;
    row.EntryIndex = item.EntryIndex;
    row.Name = item.Name;
    row.Number = item.Number;
    DATABASE_CONTACTS_DATA found;
    if (database_.FindContactByName(item.Name, found)) {
        row.State = SimRowState::Exists;
        row.Status = QStringLiteral("Name already exist");
    }
    if (database_.FindContactByNumber(item.Number, found)) {
        row.State = SimRowState::Exists;
        row.Status = QStringLiteral("Number already exist");
    }
    contacts_.Add(row);
}

void SimPhonebook::BuildImportList()
{
    importRows_.clear();
    for (const SimContactRow& row : contacts_.Rows())
        if (row.State == SimRowState::Selected)
            importRows_.push_back({static_cast<int>(importRows_.size()) + 1, row.Name, row.Number});
}

void SimPhonebook::Import()
{
    if (!importEnabled_)
        return;
    importEnabled_ = false;
    host_.WaitCursor(true);
    Log(QStringLiteral("Import -> Start"));
    int counter = 0;
    database_.BeginTransaction();
    for (const SimImportRow& row : importRows_) {
        DATABASE_CONTACTS_DATA contact;
        contact.Contact = row.Name;
        contact.Number = row.Number;
        contact.Notes = QStringLiteral("Imported from SIM");
        if (database_.InsertContact(contact))
            ++counter;
    }
    database_.EndTransaction();
    database_.Vacuum();
    if (counter > 0)
        importedCount_ = counter;
    Log(QStringLiteral("Import -> Done -> %1 records").arg(counter));
    host_.WaitCursor(false);
    ShowPage(SimPage::Status);
}

void SimPhonebook::ShowResult()
{
    if (importedCount_ == 0) {
        resultTitle_ = QStringLiteral("The operation could not be completed:");
        resultText_ = QStringLiteral("An unknown error has occurred.");
    } else {
        resultTitle_ = QStringLiteral("The operation is completed successfully.");
        resultText_ = QStringLiteral("Please find information below about status of import process.");
        // Nothing to go back to once the contacts are written.
        SetBackEnabled(false);
    }
}
