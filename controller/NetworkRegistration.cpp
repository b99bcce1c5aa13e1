#include "controller/NetworkRegistration.h"

#include "app/MessageTarget.h"
#include "app/Messages.h"
#include "device/Broadband.h"
#include "device/service/BroadbandService.h"

#include <algorithm>
#include <exception>

namespace {

constexpr std::uint32_t FiveGBits = 0x40 | 0x80; // 5G NSA and 5G SA
constexpr std::uint32_t CustomBit = 0x80000000;
// Longer data-class texts get their column sized to them.
constexpr int WideDataClassText = 30;

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

QString NetworkRegistration::PageTitle(RegistrationPage page)
{
    switch (page) {
    case RegistrationPage::Welcome: return QStringLiteral("Welcome");
    case RegistrationPage::Operator: return QStringLiteral("Operator selection");
    case RegistrationPage::DataClass: return QStringLiteral("Data class selection");
    case RegistrationPage::Review: return QStringLiteral("Registration");
    case RegistrationPage::Status: return QStringLiteral("Status");
    }
    return {};
}

std::uint32_t NetworkRegistration::BoxBits(DataClassBox box)
{
    switch (box) {
    case DataClassBox::All: return 0;
    case DataClassBox::Gprs: return 0x1;
    case DataClassBox::Edge: return 0x2;
    case DataClassBox::Umts: return 0x4;
    case DataClassBox::Hsdpa: return 0x8;
    case DataClassBox::Hsupa: return 0x10;
    case DataClassBox::Lte: return 0x20;
    case DataClassBox::FiveG: return FiveGBits;
    case DataClassBox::Custom: return CustomBit;
    }
    return 0;
}

NetworkRegistration::NetworkRegistration(WriteFunction write, QObject* context, BroadbandService* service,
                                         const std::string& interfaceId)
    : WizardPages(RegistrationPageCount), write_(std::move(write)), interfaceId_(interfaceId)
{
    target_ = std::make_unique<MessageFunctionTarget>(
        context, [this](const Message& message) { return HandleMessage(message); });
    registrationSink_ = std::make_unique<BroadbandRegistrationEvents>(target_.get());
    interfaceSink_ = std::make_unique<BroadbandInterfaceEvents>(target_.get());
    Connect(service);
}

NetworkRegistration::~NetworkRegistration()
{
    // The window that listens is going too.
    changed_ = nullptr;
    if (manager_) {
        registrationSink_->Disconnect();
        interfaceSink_->Disconnect();
        manager_ = nullptr;
        Log(QStringLiteral("InterfaceManager -> Disconnect() -> Ok"));
    }
    registrationSink_.reset();
    interfaceSink_.reset();
}

void NetworkRegistration::Log(const QString& text)
{
    if (write_)
        write_(QStringLiteral("Network -> Registration -> ") + text);
}

void NetworkRegistration::Connect(BroadbandService* service)
{
    try {
        if (!service || !service->IsStarted()) {
            Log("InterfaceManager -> Connect() -> Failed: " + ComErrorText(Hr::ServiceNotStarted));
            return;
        }
        manager_ = service;
        managerLifetime_ = service->Lifetime();
        Log(QStringLiteral("InterfaceManager -> Connect() -> Ok"));
        Log("InterfaceID: " + interfaceId_);
        ReadCustomDataClass();
        Log(registrationSink_->Connect(service) ? QStringLiteral("Set Registration events -> Ok")
                                                : QStringLiteral("Set Registration events -> Failed"));
        Log(interfaceSink_->Connect(service) ? QStringLiteral("Set Interface events -> Ok")
                                             : QStringLiteral("Set Interface events -> Failed"));
    } catch (const std::exception& e) {
        Log(QStringLiteral("InterfaceManager -> Connect() -> Exception: ") + QString::fromLocal8Bit(e.what()));
    }
}

std::shared_ptr<BroadbandInterface> NetworkRegistration::Interface()
{
    // The service may have gone since the window opened.
    if (!manager_ || managerLifetime_.expired()) {
        Log(QStringLiteral("Not connected"));
        return nullptr;
    }
    std::shared_ptr<BroadbandInterface> iface;
    if (Failed(manager_->GetInterface(interfaceId_, iface)) || !iface) {
        Log(QStringLiteral("InterfaceManager -> GetInterface() -> Failed"));
        return nullptr;
    }
    return iface;
}

void NetworkRegistration::ReadCustomDataClass()
{
    const auto iface = Interface();
    if (!iface)
        return;
    BroadbandCaps caps;
    const HRESULT hr = iface->GetInterfaceCapability(caps);
    if (Failed(hr)) {
        Log("GetInterfaceCapability() -> Failed: " + HresultText(hr));
        return;
    }
    if (caps.dataClass & FiveGBits)
        boxVisible_[Index(DataClassBox::FiveG)] = true;
    customDataClass_ = Text(caps.customDataClass);
    if (!customDataClass_.isEmpty()) {
        Log(QStringLiteral("Custom data class: ") + customDataClass_);
        boxVisible_[Index(DataClassBox::Custom)] = true;
    }
}

QString NetworkRegistration::ShortDataClass(std::uint32_t flags) const
{
    return Text(DataClassName(flags, customDataClass_.toStdString()));
}

QString NetworkRegistration::BoxCaption(DataClassBox box) const
{
    switch (box) {
    case DataClassBox::All: return QStringLiteral("ALL");
    case DataClassBox::Gprs: return QStringLiteral("GPRS");
    case DataClassBox::Edge: return QStringLiteral("EDGE");
    case DataClassBox::Umts: return QStringLiteral("UMTS");
    case DataClassBox::Hsupa: return QStringLiteral("HSUPA");
    case DataClassBox::Hsdpa: return QStringLiteral("HSDPA");
    case DataClassBox::Custom: return customDataClass_.isEmpty() ? QStringLiteral("CUSTOM") : customDataClass_;
    case DataClassBox::Lte: return QStringLiteral("LTE");
    case DataClassBox::FiveG: return QStringLiteral("5G");
    }
    return {};
}

void NetworkRegistration::PageShown(int index)
{
    // Registering is the Review page's own button; Next leads nowhere from there.
    if (static_cast<RegistrationPage>(index) == RegistrationPage::Review) {
        SetNextEnabled(false);
        Review();
    }
}

void NetworkRegistration::ChooseOperatorAuto()
{
    if (scanning_)
        return;
    operatorManual_ = false;
    operatorListEnabled_ = false;
}

void NetworkRegistration::ChooseOperatorManual()
{
    // The buttons are locked while a scan runs, and choosing Manual again starts none.
    if (scanning_ || operatorManual_)
        return;
    bool started = false;
    if (const auto iface = Interface()) {
        std::uint32_t requestId = 0;
        const HRESULT hr = iface->ScanNetwork(requestId);
        if (Failed(hr)) {
            Log("ScanNetwork() -> Failed: " + HresultText(hr));
        } else {
            Log("ScanNetwork() -> Ok, Request ID = " + std::to_string(requestId));
            scanRequestId_ = requestId;
            started = true;
        }
    }
    if (!started) {
        operatorManual_ = false;
        operatorListEnabled_ = false;
        return;
    }
    operatorManual_ = true;
    operators_.clear();
    selected_ = -1;
    ++operatorsVersion_;
    operatorListEnabled_ = true;
    SetBackEnabled(false);
    SetNextEnabled(false);
    operatorChoiceEnabled_ = false;
    scanning_ = true;
}

void NetworkRegistration::ScanComplete()
{
    scanning_ = false;
    SetBackEnabled(true);
    SetNextEnabled(true);
    operatorChoiceEnabled_ = true;
    FillOperators();
}

void NetworkRegistration::FillOperators()
{
    const auto iface = Interface();
    if (!iface)
        return;
    std::uint32_t age = 0;
    std::vector<BroadbandProvider> providers;
    HRESULT hr = iface->GetVisibleProviders(age, providers);
    if (hr == Hr::Pending) {
        Log(QStringLiteral("The information is not yet available. An active network scan is in progress..."));
    } else if (hr == Hr::InvalidCache) {
        Log(QStringLiteral("Cache of the visible network list is invalid"));
    } else if (Failed(hr)) {
        Log("GetVisibleProviders() -> Failed: " + HresultText(hr));
    } else {
        operators_.clear();
        operators_.reserve(providers.size());
        for (const BroadbandProvider& p : providers) {
            RegistrationOperator row;
            row.Id = Text(p.providerId);
            row.Name = Text(p.providerName);
            row.State = Text(ProviderStateName(p.providerState));
            row.DataClass = ShortDataClass(p.dataClass);
            operators_.push_back(std::move(row));
        }
        selected_ = -1;
        ++operatorsVersion_;
    }
    BroadbandProvider home;
    hr = iface->GetHomeProvider(home);
    if (Failed(hr)) {
        Log("GetHomeProvider() -> Failed: " + HresultText(hr));
        return;
    }
    const QString homeId = Text(home.providerId);
    for (std::size_t i = 0; i < operators_.size(); ++i)
        if (operators_[i].Id == homeId) {
            operators_[i].Home = true;
            selected_ = static_cast<int>(i);
            ++operatorsVersion_;
            break;
        }
}

void NetworkRegistration::SelectOperator(int row)
{
    selected_ = row >= 0 && row < static_cast<int>(operators_.size()) ? row : -1;
}

bool NetworkRegistration::WideDataClassColumn() const
{
    return std::any_of(operators_.begin(), operators_.end(),
                       [](const RegistrationOperator& o) { return o.DataClass.size() > WideDataClassText; });
}

void NetworkRegistration::ChooseDataClassAuto()
{
    dataClassManual_ = false;
    warningVisible_ = false;
}

void NetworkRegistration::ChooseDataClassManual()
{
    dataClassManual_ = true;
    warningVisible_ = showWarning_;
}

void NetworkRegistration::SetDataClassChecked(DataClassBox box, bool checked)
{
    boxChecked_[Index(box)] = checked;
}

void NetworkRegistration::ShowAllDataClasses()
{
    boxVisible_[Index(DataClassBox::Custom)] = true;
    boxVisible_[Index(DataClassBox::FiveG)] = true;
}

std::uint32_t NetworkRegistration::DataClassBits() const
{
    if (!dataClassManual_)
        return 0;
    std::uint32_t bits = 0;
    for (int i = 0; i < DataClassBoxCount; ++i)
        if (boxChecked_[static_cast<std::size_t>(i)])
            bits |= BoxBits(static_cast<DataClassBox>(i));
    return bits;
}

void NetworkRegistration::Review()
{
    labelA31_ = QStringLiteral("Now you are ready to register.");
    labelA32_ =
        QStringLiteral("Please review your choice and then press Register button to complete network registration. ");
    if (!operatorManual_) {
        registerEnabled_ = true;
        verifyOperator_ = QStringLiteral("Automatic selection");
    } else if (selected_ >= 0) {
        registerEnabled_ = true;
        verifyOperator_ = operators_[static_cast<std::size_t>(selected_)].Name;
    } else {
        registerEnabled_ = false;
        verifyOperator_ = QStringLiteral("Not selected");
        labelA31_ = QStringLiteral("It is not possible to complete registration now.");
        labelA32_ = QStringLiteral(
            "Please return back and select operator from the list or set automatic operator selection...");
    }
    verifyDataClass_ = dataClassManual_ ? ShortDataClass(DataClassBits()) : QStringLiteral("Automatic selection");
}

void NetworkRegistration::Register()
{
    if (!registerEnabled_ || registering_)
        return;
    const std::uint32_t bits = DataClassBits();
    Log(QStringLiteral("Registration"));
    std::string providerId;
    if (!operatorManual_) {
        Log(QStringLiteral("Registration mode: AUTOMATIC"));
    } else {
        Log(QStringLiteral("Registration mode: MANUAL"));
        if (selected_ >= 0) {
            providerId = operators_[static_cast<std::size_t>(selected_)].Id.toStdString();
            Log("Provider ID: " + providerId);
        }
    }
    Log("Prefered data class: " + DataClassSymbol(bits));
    const auto iface = Interface();
    if (!iface)
        return;
    // An empty provider ID asks the device for automatic registration.
    std::uint32_t requestId = 0;
    const HRESULT hr = iface->SetRegisterMode(providerId, bits, requestId);
    if (Failed(hr)) {
        Log("Registration -> SetRegisterMode() -> Failed: " + HresultText(hr));
        return;
    }
    Log("Registration -> SetRegisterMode() -> Ok, RequestID = " + std::to_string(requestId));
    registerRequestId_ = requestId;
    registering_ = true;
}

void NetworkRegistration::RegisterComplete(std::int32_t status)
{
    registering_ = false;
    status_.clear();
    if (status != 0) {
        labelA41_ = QStringLiteral("The operation could not be completed:");
        labelA42_ = Text(HresultText(status)) + QLatin1Char('.');
    } else {
        labelA41_ = QStringLiteral("The operation is completed successfully.");
        labelA42_ = QStringLiteral("Please find information below about current registration status.");
        FillStatus();
    }
    ShowPage(RegistrationPage::Status);
}

void NetworkRegistration::RefreshStatus()
{
    FillStatus();
}

void NetworkRegistration::FillStatus()
{
    status_.clear();
    const auto iface = Interface();
    if (!iface)
        return;
    std::string text;
    if (!Failed(iface->GetProviderID(text)))
        status_ << QStringLiteral("Provider ID: ") + Text(text);
    if (!Failed(iface->GetProviderName(text)))
        status_ << QStringLiteral("Provider name: ") + Text(text);
    std::int32_t value = 0;
    if (!Failed(iface->GetRegisterState(value)))
        status_ << QStringLiteral("Registration status: ") + Text(RegisterStateName(value));
    if (!Failed(iface->GetRoamingText(text)) && !text.empty())
        status_ << QStringLiteral("Roaming text: ") + Text(text);
    if (!Failed(iface->GetRegisterMode(value)))
        status_ << QStringLiteral("Registration mode: ") + Text(RegisterModeName(value));
    std::uint32_t flags = 0;
    if (!Failed(iface->GetRegistrationNetworkError(flags)) && flags != 0)
        status_ << QStringLiteral("Registration network error: ") + QString::number(flags);
    if (!Failed(iface->GetCurrentDataClass(flags)))
        status_ << QStringLiteral("Current data class: ") + ShortDataClass(flags);
    if (!Failed(iface->GetAvailableDataClasses(flags)))
        status_ << QStringLiteral("Available data classes: ") + ShortDataClass(flags);
}

std::intptr_t NetworkRegistration::HandleMessage(const Message& message)
{
    try {
        switch (message.Number) {
        case WM_BROADBAND_LOG:
            if (const auto* text = message.Record<std::string>())
                Log(Text(*text));
            return 0;
        case WM_BROADBAND_EVENT: DeviceEvent(message); break;
        case WM_BROADBAND_REGISTRATION: FillStatus(); break;
        default: return 0;
        }
    } catch (const std::exception& e) {
        Log(QStringLiteral("Exception: ") + QString::fromLocal8Bit(e.what()));
    }
    if (changed_)
        changed_();
    return 0;
}

void NetworkRegistration::DeviceEvent(const Message& message)
{
    const auto* result = message.Record<BROADBAND_REQUEST_RESULT>();
    switch (message.WParam) {
    case EV_SCAN_NETWORK_COMPLETE:
        // Scans of other programs or of the main window end here too; only this wizard's counts.
        if (scanning_ && (!result || result->RequestID == scanRequestId_))
            ScanComplete();
        break;
    case EV_PACKET_SERVICE: FillStatus(); break;
    case EV_SET_REGISTER_MODE_COMPLETE:
        if (registering_ && result && result->RequestID == registerRequestId_)
            RegisterComplete(result->Status);
        break;
    default: break;
    }
}
