#pragma once
// TSettingsWindow ("Settings"): the options in pages chosen from a navigation tree. Glue over
// SettingsForm, which reads, writes and applies them.

#include "controller/SettingsForm.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSettings;
class QStackedWidget;
class QTreeWidget;
class QVBoxLayout;

class TSettingsWindow : public QDialog
{
    Q_OBJECT
public:
    // host: the main window the settings apply to; store: the settings store.
    TSettingsWindow(SettingsHost& host, QSettings& store, QWidget* parent = nullptr);

    // Seams for tests, each followed by a fresh load of the form.
    void SetProgramPath(const QString& program);
    void SetAutostartFolder(const QString& folder);

    const SettingsForm& Form() const { return form_; }

    // The controls, for tests.
    QCheckBox* CheckBox(SettingsForm::Box box) const { return boxes_[static_cast<std::size_t>(box)]; }
    QRadioButton* AppIconButton(int icon) const { return appIcons_.at(static_cast<std::size_t>(icon)); }
    QRadioButton* EventIconButton(int icon) const { return eventIcons_.at(static_cast<std::size_t>(icon)); }
    QRadioButton* BigEndianButton() const { return bigEndian_; }
    QRadioButton* LittleEndianButton() const { return littleEndian_; }
    QComboBox* CsvDelimiterList() const { return delimiter_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* ApplyButton() const { return apply_; }
    QPushButton* CancelButton() const { return cancel_; }
    QTreeWidget* NavigationTree() const { return tree_; }
    QStackedWidget* Pages() const { return pages_; }
    // The height of the navigation tree's rows as shown.
    int TreeRowHeight() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* NewPage(int index, const QString& heading, QVBoxLayout*& body);
    QCheckBox* AddBox(QVBoxLayout* layout, SettingsForm::Box box, const char* name, const QString& caption);
    QRadioButton* AddIcon(QWidget* parent, QButtonGroup* group, const QString& name, int tag, const QIcon& icon);
    void BuildGeneral();
    void BuildSms();
    void BuildNotifications();
    void BuildUssd();
    void BuildNetwork();
    void BuildAppearance();
    void BuildContacts();
    void BuildMiscellaneous();
    void BuildTree();
    void Reload();
    void Show();
    void ShowPage(int index, const QString& text);
    void SetTreeRows(bool large);
    void ApplyClicked();
    void OkClicked();

    SettingsForm form_;
    std::array<QCheckBox*, SettingsForm::BoxCount> boxes_{};
    std::array<QRadioButton*, SettingsForm::IconCount> appIcons_{};
    std::array<QRadioButton*, SettingsForm::IconCount> eventIcons_{};
    QButtonGroup* appIconGroup_ = nullptr;
    QButtonGroup* eventIconGroup_ = nullptr;
    QRadioButton* bigEndian_ = nullptr;
    QRadioButton* littleEndian_ = nullptr;
    QComboBox* delimiter_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QLabel* details_ = nullptr;
};
