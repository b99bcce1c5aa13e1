#pragma once
// The network registration wizard without its widgets: its five pages and buttons, its own
// connection to the broadband service (a registration and an interface sink delivering to this
// wizard), the operator scan, the data-class choice, the registration request and the status it
// leads to. The window shows what this holds after each call and forwards the user's actions.

#include "controller/WizardPages.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class BroadbandInterface;
class BroadbandInterfaceEvents;
class BroadbandRegistrationEvents;
class BroadbandService;
class MessageFunctionTarget;
class QObject;
struct Message;

enum class RegistrationPage { Welcome = 0, Operator = 1, DataClass = 2, Review = 3, Status = 4 };
inline constexpr int RegistrationPageCount = 5;

// The data-class boxes in the order of their row.
enum class DataClassBox { All = 0, Gprs, Edge, Umts, Hsupa, Hsdpa, Custom, Lte, FiveG };
inline constexpr int DataClassBoxCount = 9;

// One provider of the operator list, as its columns show it.
struct RegistrationOperator
{
    QString Id;
    QString Name;
    QString State;
    QString DataClass;
    bool Home = false; // shown with the home image
};

class NetworkRegistration : public WizardPages
{
public:
    using WriteFunction = std::function<void(const QString&)>;

    static QString Caption() { return QStringLiteral("Network registration"); }
    static QString PageTitle(RegistrationPage page);
    // The data-class flags of one box; "ALL" has none.
    static std::uint32_t BoxBits(DataClassBox box);

    // write: the main window's status log. context: the object whose thread receives the sinks'
    // messages (the window). service: the broadband service, null when there is none.
    NetworkRegistration(WriteFunction write, QObject* context, BroadbandService* service,
                        const std::string& interfaceId);
    ~NetworkRegistration();

    // Called after a device message changed what the wizard shows.
    void SetChangedHandler(std::function<void()> changed) { changed_ = std::move(changed); }

    void ChooseOperatorAuto();
    // Starts a scan; the choice returns to automatic when the device refuses it.
    void ChooseOperatorManual();
    // The row chosen in the operator list, -1 for none.
    void SelectOperator(int row);

    void ChooseDataClassAuto();
    void ChooseDataClassManual();
    void SetDataClassChecked(DataClassBox box, bool checked);
    void SetWarningChecked(bool checked) { showWarning_ = !checked; }
    // Shows the CUSTOM and 5G boxes whatever the device reported.
    void ShowAllDataClasses();

    void Register();
    // Reads the registration status again into the status lines.
    void RefreshStatus();

    // The messages of the wizard's own sinks.
    std::intptr_t HandleMessage(const Message& message);

    bool Connected() const { return manager_ != nullptr; }
    const std::string& InterfaceId() const { return interfaceId_; }
    const QString& CustomDataClass() const { return customDataClass_; }

    RegistrationPage Page() const { return static_cast<RegistrationPage>(PageIndex()); }

    // Operator page.
    bool OperatorManual() const { return operatorManual_; }
    bool OperatorChoiceEnabled() const { return operatorChoiceEnabled_; }
    bool OperatorListEnabled() const { return operatorListEnabled_; }
    bool Scanning() const { return scanning_; }
    const std::vector<RegistrationOperator>& Operators() const { return operators_; }
    // Bumped whenever the list is emptied or filled again.
    int OperatorsVersion() const { return operatorsVersion_; }
    int SelectedOperator() const { return selected_; }
    // The "Available data class" column is sized to its texts when one is this long.
    bool WideDataClassColumn() const;

    // Data-class page.
    bool DataClassManual() const { return dataClassManual_; }
    bool BoxesEnabled() const { return dataClassManual_; }
    bool BoxVisible(DataClassBox box) const { return boxVisible_[Index(box)]; }
    bool BoxChecked(DataClassBox box) const { return boxChecked_[Index(box)]; }
    QString BoxCaption(DataClassBox box) const;
    bool WarningPanelVisible() const { return warningVisible_; }
    bool ShowDataClassWarning() const { return showWarning_; }
    void SetShowDataClassWarning(bool show) { showWarning_ = show; }
    // The flags asked for: those of the checked boxes, or 0 with the automatic choice.
    std::uint32_t DataClassBits() const;

    // Review page.
    const QString& LabelA31() const { return labelA31_; }
    const QString& LabelA32() const { return labelA32_; }
    const QString& VerifyOperator() const { return verifyOperator_; }
    const QString& VerifyDataClass() const { return verifyDataClass_; }
    bool RegisterEnabled() const { return registerEnabled_; }
    // A registration request waits for the device: the progress shows instead of the button.
    bool Registering() const { return registering_; }

    // Status page.
    const QString& LabelA41() const { return labelA41_; }
    const QString& LabelA42() const { return labelA42_; }
    const QStringList& StatusLines() const { return status_; }

private:
    static std::size_t Index(DataClassBox box) { return static_cast<std::size_t>(box); }

    void Log(const QString& text);
    void Log(const std::string& text) { Log(QString::fromStdString(text)); }
    void Connect(BroadbandService* service);
    void ReadCustomDataClass();
    // The interface, or null after logging why not.
    std::shared_ptr<BroadbandInterface> Interface();
    void ShowPage(RegistrationPage page) { ShowPageIndex(static_cast<int>(page)); }
    void PageShown(int index) override;
    void Review();
    void ScanComplete();
    void FillOperators();
    void RegisterComplete(std::int32_t status);
    void FillStatus();
    void DeviceEvent(const Message& message);
    QString ShortDataClass(std::uint32_t flags) const;

    WriteFunction write_;
    std::function<void()> changed_;
    std::string interfaceId_;
    // The "interface manager": the service, while it lives.
    BroadbandService* manager_ = nullptr;
    std::weak_ptr<const void> managerLifetime_;
    std::unique_ptr<MessageFunctionTarget> target_;
    std::unique_ptr<BroadbandRegistrationEvents> registrationSink_;
    std::unique_ptr<BroadbandInterfaceEvents> interfaceSink_;
    QString customDataClass_;

    bool operatorManual_ = false;
    bool operatorChoiceEnabled_ = true;
    bool operatorListEnabled_ = false;
    bool scanning_ = false;
    std::uint32_t scanRequestId_ = 0;
    std::vector<RegistrationOperator> operators_;
    int operatorsVersion_ = 0;
    int selected_ = -1;

    bool dataClassManual_ = false;
    std::array<bool, DataClassBoxCount> boxVisible_{true, true, true, true, true, true, false, true, false};
    std::array<bool, DataClassBoxCount> boxChecked_{};
    bool warningVisible_ = false;
    bool showWarning_ = true;

    QString labelA31_;
    QString labelA32_;
    QString verifyOperator_;
    QString verifyDataClass_;
    bool registerEnabled_ = false;
    bool registering_ = false;
    std::uint32_t registerRequestId_ = 0;

    QString labelA41_;
    QString labelA42_;
    QStringList status_;
};
