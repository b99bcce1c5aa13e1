#pragma once
// TRegistrationWindow ("Network registration"): the wizard that registers the device in a mobile
// network, automatically or with an operator from a scan, with preferred data classes. Glue over
// NetworkRegistration, which decides everything and keeps its own connection to the service.

#include "controller/NetworkRegistration.h"

#include "windows/WizardWindow.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

class BroadbandService;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSettings;
class QTreeWidget;
class QVBoxLayout;

class TRegistrationWindow : public TWizardWindow
{
    Q_OBJECT
public:
    using StatusWriter = std::function<void(const QString&)>;
    // writeStatus: the main window's status log; service: the broadband service, may be null;
    // store: the settings store that keeps ShowDataClassWarning, may be null.
    TRegistrationWindow(StatusWriter writeStatus, BroadbandService* service, const std::string& interfaceId,
                        QSettings* store, QWidget* parent = nullptr);
    ~TRegistrationWindow() override;

    NetworkRegistration& Wizard() override { return *wizard_; }

    // The controls, for tests.
    QPushButton* RegisterButton() const { return register_; }
    QRadioButton* OperatorAuto() const { return operatorAuto_; }
    QRadioButton* OperatorManual() const { return operatorManual_; }
    QRadioButton* DataClassAuto() const { return dataClassAuto_; }
    QRadioButton* DataClassManual() const { return dataClassManual_; }
    QTreeWidget* OperatorListView() const { return operatorList_; }
    QWidget* ProgressPanel() const { return progressPanel_; }
    QCheckBox* DataClassCheckBox(DataClassBox box) const { return boxes_[static_cast<std::size_t>(box)]; }
    QWidget* DataClassWarningPanel() const { return warningPanel_; }
    QCheckBox* DataClassWarningCheckBox() const { return warningCheck_; }
    QPlainTextEdit* StatusInfo() const { return statusInfo_; }
    // Label(): "TitleA0" to "TitleA4", "LabelA31", "LabelA32", "VerifyOperator", "VerifyDataClass",
    // "ProgressLabel2", "LabelA41", "LabelA42", "IMG004"...

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* NewPage(RegistrationPage page, const char* pictureName, const char* icon, QVBoxLayout*& layout);
    QWidget* WelcomePage();
    QWidget* OperatorPage();
    QWidget* DataClassPage();
    QWidget* ReviewPage();
    QWidget* StatusPage();
    void Refresh() override;
    void FillOperators();
    void LayOutBoxes();
    void PlaceProgressPanel();
    void OperatorSelected();

    StatusWriter writeStatus_;
    QSettings* store_ = nullptr;
    std::unique_ptr<NetworkRegistration> wizard_;
    bool built_ = false;
    bool filling_ = false;
    int shownOperators_ = -1;
    std::array<bool, DataClassBoxCount> laidOut_{};

    QRadioButton* operatorAuto_ = nullptr;
    QRadioButton* operatorManual_ = nullptr;
    QTreeWidget* operatorList_ = nullptr;
    QWidget* progressPanel_ = nullptr;
    QProgressBar* progressBar1_ = nullptr;
    QRadioButton* dataClassAuto_ = nullptr;
    QRadioButton* dataClassManual_ = nullptr;
    std::array<QCheckBox*, DataClassBoxCount> boxes_{};
    QHBoxLayout* boxRow_ = nullptr;
    QWidget* warningPanel_ = nullptr;
    QCheckBox* warningCheck_ = nullptr;
    QPushButton* register_ = nullptr;
    QLabel* progressLabel2_ = nullptr;
    QProgressBar* progressBar2_ = nullptr;
    QPlainTextEdit* statusInfo_ = nullptr;
};
