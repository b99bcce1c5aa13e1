// The settings window's values: what they are read from, what the user's clicks change, what
// Apply writes and in which order it changes the main window, and the autostart entry.
#include "controller/SettingsForm.h"
#include "support/RecordingSettingsHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QVariant>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

namespace {

using Box = SettingsForm::Box;

struct BoxInfo
{
    const char* name;
    Box box;
    const char* key; // group/value
    bool defaultValue;
    const char* liveAction; // the main window's action that outranks the stored value, or null
};

const BoxInfo boxInfo[] = {
    {"LargeButtons", Box::LargeButtons, "Settings/LargeButtons", false, "LargeButtonsAction"},
    {"AlwaysOnTop", Box::AlwaysOnTop, "Settings/AlwaysOnTop", false, "AlwaysOnTopAction"},
    {"HideWhenMinimized", Box::HideWhenMinimized, "Settings/HideWhenMinimized", true, "HideWhenMinimizedAction"},
    {"HideWhenClosing", Box::HideWhenClosing, "Settings/HideWhenClosing", true, nullptr},
    {"LargeText", Box::LargeText, "Settings/LargeText", false, "LargeTextAction"},
    {"LargeRows", Box::LargeRows, "Settings/LargeRows", false, nullptr},
    {"CloseConfirmation", Box::CloseConfirmation, "Settings/CloseConfirmation", true, nullptr},
    {"DeliveryReport", Box::DeliveryReport, "SMS/DeliveryReport", true, "SmsDeliveryReportAction"},
    {"SaveSent", Box::SaveSent, "SMS/SaveSent", true, nullptr},
    {"ConfirmationToSend", Box::ConfirmationToSend, "SMS/ConfirmationToSend", true, nullptr},
    {"UssdKeyboard", Box::UssdKeyboard, "Layout/Ussd.Keyboard", false, nullptr},
    {"Contacts", Box::Contacts, "Settings/Contacts", true, nullptr},
    {"ShowDataClassIcon", Box::ShowDataClassIcon, "Settings/ShowDataClassIcon", false, nullptr},
    {"ShowDataClassNotification", Box::ShowDataClassNotification, "Settings/ShowDataClassNotification", false, nullptr},
    {"ShowSignalStrength", Box::ShowSignalStrength, "Settings/ShowSignalStrength", false, nullptr},
    {"ShowNetworkRegistration", Box::ShowNetworkRegistration, "Settings/ShowNetworkRegistration", true, nullptr},
    {"BalloonNotification", Box::BalloonNotification, "Settings/ShowBalloonNotification", true, nullptr},
    {"ToastNotification", Box::ToastNotification, "Settings/ShowToastNotification", true, nullptr},
    {"ReceiveTimer", Box::ReceiveTimer, "SMS/ReceiveTimerEnabled", false, nullptr},
};

std::string BoxName(const ::testing::TestParamInfo<BoxInfo>& info)
{
    return info.param.name;
}

class SettingsFormBase
{
protected:
    SettingsFormBase()
    {
        EXPECT_TRUE(dir.isValid());
        host.caption = QStringLiteral("Parlowen");
    }

    std::unique_ptr<SettingsForm> Loaded()
    {
        auto form = std::make_unique<SettingsForm>(host, store);
        form->SetAutostartFolder(AutostartFolder());
        form->SetProgramPath(QStringLiteral("/opt/Parlowen Test/bin/parlowen"));
        form->Load();
        return form;
    }

    QString AutostartFolder() const { return dir.filePath(QStringLiteral("config/autostart")); }

    // Everything stored, read back from the file.
    QMap<QString, QString> Stored()
    {
        store.sync();
        QSettings file(path, QSettings::IniFormat);
        QMap<QString, QString> values;
        for (const QString& key : file.allKeys())
            values[key] = file.value(key).toString();
        return values;
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("settings.ini"));
    QSettings store{path, QSettings::IniFormat};
    testsupport::RecordingSettingsHost host;
};

class SettingsFormTest : public SettingsFormBase, public ::testing::Test
{ };

class SettingsFormBoxTest : public SettingsFormBase, public ::testing::TestWithParam<BoxInfo>
{ };

TEST_F(SettingsFormTest, AnEmptyStoreShowsTheDefaultsAndTheMainWindowsLiveStates)
{
    for (const BoxInfo& info : boxInfo)
        if (info.liveAction)
            host.checked[QString::fromLatin1(info.liveAction)] = !info.defaultValue;
    auto form = Loaded();
    for (const BoxInfo& info : boxInfo)
        EXPECT_EQ(form->Checked(info.box), info.liveAction ? !info.defaultValue : info.defaultValue) << info.name;
    EXPECT_FALSE(form->Checked(Box::AutoStart));
    EXPECT_EQ(form->CheckedApplicationIcon(), 0);
    EXPECT_EQ(form->CheckedEventIcon(), 0);
    EXPECT_EQ(form->CsvDelimiter(), 0);
    EXPECT_TRUE(form->BigEndian());
    EXPECT_FALSE(form->ApplyEnabled());
}

TEST_P(SettingsFormBoxTest, AStoredValueIsShownUnlessTheMainWindowShowsItsLiveState)
{
    const BoxInfo& info = GetParam();
    store.setValue(QString::fromLatin1(info.key), int(!info.defaultValue));
    if (info.liveAction)
        host.checked[QString::fromLatin1(info.liveAction)] = info.defaultValue;
    auto form = Loaded();
    EXPECT_EQ(form->Checked(info.box), info.liveAction ? info.defaultValue : !info.defaultValue);
    for (const BoxInfo& other : boxInfo)
        if (other.box != info.box && !other.liveAction) {
            EXPECT_EQ(form->Checked(other.box), other.defaultValue) << other.name;
        }
    EXPECT_FALSE(form->ApplyEnabled());
}

TEST_P(SettingsFormBoxTest, ApplyWritesTheBoxUnderItsOwnNameAndNothingElseChanges)
{
    const BoxInfo& info = GetParam();
    host.checked[QStringLiteral("LargeButtonsAction")] = true; // so that the rows box can be changed
    auto form = Loaded();
    form->Apply();
    QMap<QString, QString> expected = Stored();
    const bool next = !form->Checked(info.box);
    form->SetChecked(info.box, next);
    form->Apply();
    expected[QString::fromLatin1(info.key)] = QString::number(int(next));
    EXPECT_EQ(Stored(), expected);
}

INSTANTIATE_TEST_SUITE_P(Boxes, SettingsFormBoxTest, ::testing::ValuesIn(boxInfo), BoxName);

struct NumberCase
{
    const char* name;
    const char* key;
    int stored;
    int checked; // the button or item shown
    int chosen;  // what Apply would write
};

class SettingsFormNumberTest : public SettingsFormBase, public ::testing::TestWithParam<NumberCase>
{ };

TEST_P(SettingsFormNumberTest, AStoredNumberSelectsItsButtonOrItemOrNone)
{
    const NumberCase& c = GetParam();
    store.setValue(QString::fromLatin1(c.key), c.stored);
    auto form = Loaded();
    const QString key = QString::fromLatin1(c.key);
    const std::pair<int, int> shown =
        key.endsWith(QLatin1String("ApplicationIcon"))
            ? std::pair(form->CheckedApplicationIcon(), form->ApplicationIcon())
        : key.endsWith(QLatin1String("EventIcon"))    ? std::pair(form->CheckedEventIcon(), form->EventIcon())
        : key.endsWith(QLatin1String("CsvDelimiter")) ? std::pair(form->CsvDelimiter(), form->CsvDelimiter())
                                                      : std::pair(int(form->BigEndian()), int(form->BigEndian()));
    EXPECT_EQ(shown, std::pair(c.checked, c.chosen));
}

INSTANTIATE_TEST_SUITE_P(Numbers, SettingsFormNumberTest,
                         ::testing::Values(NumberCase{"AppIcon5", "Settings/ApplicationIcon", 5, 5, 5},
                                           NumberCase{"AppIcon7ChecksNoneAndKeepsZero", "Settings/ApplicationIcon", 7,
                                                      -1, 0},
                                           NumberCase{"EventIcon3", "Settings/EventIcon", 3, 3, 3},
                                           NumberCase{"EventIconNegativeChecksNone", "Settings/EventIcon", -1, -1, 0},
                                           NumberCase{"Delimiter3", "Settings/CsvDelimiter", 3, 3, 3},
                                           NumberCase{"Delimiter7SelectsNone", "Settings/CsvDelimiter", 7, -1, -1},
                                           NumberCase{"SwapBytes0IsLittleEndian", "USSD/SwapBytes", 0, 0, 0},
                                           NumberCase{"SwapBytes1IsBigEndian", "USSD/SwapBytes", 1, 1, 1}),
                         [](const ::testing::TestParamInfo<NumberCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsFormTest, ValuesOfTheWrongKindKeepTheDefaults)
{
    const QVariant junk[] = {QStringLiteral("yes"), QString(), QStringList{QStringLiteral("1")}, 2.5,
                             QStringLiteral("99999999999")};
    for (const QVariant& value : junk) {
        store.clear();
        for (const BoxInfo& info : boxInfo)
            store.setValue(QString::fromLatin1(info.key), value);
        for (const char* key :
             {"Settings/ApplicationIcon", "Settings/EventIcon", "Settings/CsvDelimiter", "USSD/SwapBytes"})
            store.setValue(QString::fromLatin1(key), value);
        store.sync();
        QSettings file(path, QSettings::IniFormat);
        SettingsForm form(host, file);
        form.SetAutostartFolder(AutostartFolder());
        form.Load();
        for (const BoxInfo& info : boxInfo)
            if (!info.liveAction) {
                EXPECT_EQ(form.Checked(info.box), info.defaultValue)
                    << info.name << " " << value.toString().toStdString();
            }
        EXPECT_EQ(form.CheckedApplicationIcon(), 0);
        EXPECT_EQ(form.CheckedEventIcon(), 0);
        EXPECT_EQ(form.CsvDelimiter(), 0);
        EXPECT_TRUE(form.BigEndian());
    }
}

struct ChoiceCase
{
    const char* name;
    std::function<void(SettingsForm&)> choose;
    const char* key;
    QString written;
};

class SettingsFormChoiceTest : public SettingsFormBase, public ::testing::TestWithParam<ChoiceCase>
{ };

TEST_P(SettingsFormChoiceTest, AChoiceEnablesApplyWhichWritesItUnderItsName)
{
    const ChoiceCase& c = GetParam();
    auto form = Loaded();
    form->Apply();
    QMap<QString, QString> expected = Stored();
    EXPECT_FALSE(form->ApplyEnabled());
    c.choose(*form);
    EXPECT_TRUE(form->ApplyEnabled());
    form->Apply();
    EXPECT_FALSE(form->ApplyEnabled());
    expected[QString::fromLatin1(c.key)] = c.written;
    EXPECT_EQ(Stored(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, SettingsFormChoiceTest,
    ::testing::Values(
        ChoiceCase{"AppIcon", [](SettingsForm& f) { f.ChooseApplicationIcon(3); }, "Settings/ApplicationIcon", "3"},
        ChoiceCase{"EventIcon", [](SettingsForm& f) { f.ChooseEventIcon(4); }, "Settings/EventIcon", "4"},
        ChoiceCase{"Delimiter", [](SettingsForm& f) { f.ChooseCsvDelimiter(2); }, "Settings/CsvDelimiter", "2"},
        ChoiceCase{"LittleEndian", [](SettingsForm& f) { f.SetBigEndian(false); }, "USSD/SwapBytes", "0"}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsFormTest, LoadingAndClickingWithoutApplyWritesNothingAndTouchesNoAction)
{
    store.setValue(QStringLiteral("Settings/ApplicationIcon"), 2);
    store.sync();
    const QMap<QString, QString> before = Stored();
    auto form = Loaded();
    for (const BoxInfo& info : boxInfo)
        form->SetChecked(info.box, !form->Checked(info.box));
    form->SetChecked(Box::AutoStart, true);
    form->ChooseApplicationIcon(4);
    form->ChooseCsvDelimiter(1);
    // Loading again forgets the clicks.
    form->Load();
    EXPECT_FALSE(form->ApplyEnabled());
    EXPECT_EQ(form->ApplicationIcon(), 2);
    EXPECT_TRUE(form->Checked(Box::Contacts));
    form->SetChecked(Box::Contacts, false);
    form.reset(); // the window closed with Cancel
    EXPECT_EQ(Stored(), before);
    EXPECT_TRUE(host.calls.isEmpty()) << host.calls.join(u',').toStdString();
    EXPECT_FALSE(QFileInfo::exists(AutostartFolder() + QStringLiteral("/parlowen.desktop")));
}

TEST_F(SettingsFormTest, ApplyChangesTheMainWindowInItsOrder)
{
    host.checked = {{QStringLiteral("LargeButtonsAction"), true},
                    {QStringLiteral("LargeRowsAction"), false},
                    {QStringLiteral("LargeTextAction"), false},
                    {QStringLiteral("HideWhenMinimizedAction"), true},
                    {QStringLiteral("SmsDeliveryReportAction"), false}};
    store.setValue(QStringLiteral("Settings/CsvDelimiter"), 1);
    store.setValue(QStringLiteral("SMS/ReceiveTimerEnabled"), 1);
    store.setValue(QStringLiteral("Settings/ShowDataClassIcon"), 1);
    auto form = Loaded();
    // All three differ from their actions, so all three are executed.
    form->SetChecked(Box::LargeRows, true);
    form->SetChecked(Box::LargeButtons, false);
    form->SetChecked(Box::LargeText, true);
    form->SetChecked(Box::Contacts, false); // stays true on the main window until applied
    form->SetChecked(Box::HideWhenClosing, false);
    form->ChooseApplicationIcon(2);
    form->ChooseEventIcon(4);
    form->Apply();
    const QStringList expected = {
        QStringLiteral("check AppCloseConfirmationAction 1"),
        QStringLiteral("execute LargeRowsAction"),
        QStringLiteral("execute LargeButtonsAction"),
        QStringLiteral("execute LargeTextAction"),
        QStringLiteral("contacts 0"),
        QStringLiteral("delimiter 1"),
        QStringLiteral("check HideWhenMinimizedAction 1"),
        QStringLiteral("check HideWhenClosingAction 0"),
        QStringLiteral("execute HideWhenClosingAction"),
        QStringLiteral("execute HideWhenClosingAction"),
        QStringLiteral("check SmsDeliveryReportAction 0"),
        QStringLiteral("check SmsSaveSentAction 1"),
        QStringLiteral("check SmsConfirmationToSendAction 1"),
        QStringLiteral("timer 1"),
        QStringLiteral("check ToastNotificationAction 1"),
        QStringLiteral("check BalloonNotificationAction 1"),
        QStringLiteral("check DataClassNotificationAction 0"),
        QStringLiteral("visible RegistrationAction2 1"),
        QStringLiteral("signal 0"),
        QStringLiteral("dataclassicon 1"),
        QStringLiteral("toastregistration 2"),
        QStringLiteral("icons 2 4"),
    };
    EXPECT_EQ(host.calls, expected);
    // Each option action ends at its box's state.
    EXPECT_FALSE(host.checked.value(QStringLiteral("LargeButtonsAction")));
    EXPECT_TRUE(host.checked.value(QStringLiteral("LargeRowsAction")));
    EXPECT_TRUE(host.checked.value(QStringLiteral("LargeTextAction")));
    EXPECT_FALSE(host.checked.value(QStringLiteral("HideWhenClosingAction")));
}

TEST_F(SettingsFormTest, UncheckingLargeButtonsDisablesTheRowsBoxAtOnce)
{
    host.checked[QStringLiteral("LargeButtonsAction")] = true;
    auto form = Loaded();
    EXPECT_TRUE(form->Enabled(Box::LargeRows));
    form->SetChecked(Box::LargeButtons, false);
    EXPECT_FALSE(form->Enabled(Box::LargeRows));
    form->SetChecked(Box::LargeRows, true);
    EXPECT_FALSE(form->Checked(Box::LargeRows));
    form->SetChecked(Box::LargeButtons, true);
    EXPECT_TRUE(form->Enabled(Box::LargeRows));
}

TEST_F(SettingsFormTest, WithoutANotificationServiceToastsAreOffAndWrittenOff)
{
    host.toasts = false;
    store.setValue(QStringLiteral("Settings/ShowToastNotification"), 1);
    auto form = Loaded();
    EXPECT_FALSE(form->Checked(Box::ToastNotification));
    EXPECT_FALSE(form->Enabled(Box::ToastNotification));
    form->SetChecked(Box::ToastNotification, true);
    EXPECT_FALSE(form->Checked(Box::ToastNotification));
    EXPECT_FALSE(form->ApplyEnabled());
    form->SetChecked(Box::SaveSent, false);
    form->Apply();
    EXPECT_EQ(Stored().value(QStringLiteral("Settings/ShowToastNotification")), QStringLiteral("0"));
    EXPECT_TRUE(host.calls.contains(QStringLiteral("check ToastNotificationAction 0")));
    EXPECT_TRUE(host.calls.filter(QStringLiteral("toastregistration")).isEmpty());
}

struct TopCase
{
    const char* name;
    bool ok;       // Ok rather than Apply
    bool checkTop; // the user checks "Always on top"
    bool other;    // the user changes another box
    int executions;
    const char* written; // Settings/AlwaysOnTop afterwards, "" for none
};

class SettingsFormTopTest : public SettingsFormBase, public ::testing::TestWithParam<TopCase>
{ };

TEST_P(SettingsFormTopTest, AlwaysOnTopTakesEffectOnlyThroughOk)
{
    const TopCase& c = GetParam();
    auto form = Loaded();
    if (c.checkTop)
        form->SetChecked(Box::AlwaysOnTop, true);
    if (c.other)
        form->SetChecked(Box::SaveSent, false);
    if (c.ok)
        form->Ok();
    else
        form->Apply();
    EXPECT_EQ(host.calls.count(QStringLiteral("execute AlwaysOnTopAction")), c.executions);
    EXPECT_EQ(host.checked.value(QStringLiteral("AlwaysOnTopAction")), c.executions == 1);
    EXPECT_EQ(Stored().value(QStringLiteral("Settings/AlwaysOnTop")), QString::fromLatin1(c.written));
}

INSTANTIATE_TEST_SUITE_P(Top, SettingsFormTopTest,
                         ::testing::Values(TopCase{"ApplyWritesButDoesNotRaise", false, true, false, 0, "1"},
                                           TopCase{"OkWritesAndRaises", true, true, false, 1, "1"},
                                           TopCase{"OkWithoutChangesWritesNothing", true, false, false, 0, ""},
                                           TopCase{"OkAfterAnotherChangeLeavesTheWindow", true, false, true, 0, "0"}),
                         [](const ::testing::TestParamInfo<TopCase>& info) { return std::string(info.param.name); });

struct AutostartCase
{
    const char* name;
    const char* program;
    const char* exec;
};

class SettingsFormAutostartTest : public SettingsFormBase, public ::testing::TestWithParam<AutostartCase>
{ };

QStringList Lines(const QString& file)
{
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

TEST_P(SettingsFormAutostartTest, CheckedWritesTheEntryThatStartsTheProgramHiddenUncheckedRemovesIt)
{
    const AutostartCase& c = GetParam();
    auto form = Loaded();
    form->SetProgramPath(QString::fromUtf8(c.program));
    const QString entry = form->AutostartEntryPath();
    EXPECT_EQ(entry, AutostartFolder() + QStringLiteral("/parlowen.desktop"));
    EXPECT_FALSE(form->Checked(Box::AutoStart));
    form->SetChecked(Box::AutoStart, true);
    form->Apply();

    const QStringList lines = Lines(entry);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("[Desktop Entry]"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Type=Application")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Name=Parlowen")));
    EXPECT_EQ(lines.filter(QStringLiteral("Exec=")), QStringList{QString::fromUtf8(c.exec)});

    // The next window finds it.
    auto again = Loaded();
    EXPECT_TRUE(again->Checked(Box::AutoStart));
    again->SetChecked(Box::AutoStart, false);
    again->Apply();
    EXPECT_FALSE(QFileInfo::exists(entry));
    EXPECT_TRUE(QDir(AutostartFolder()).exists());
}

INSTANTIATE_TEST_SUITE_P(Autostart, SettingsFormAutostartTest,
                         ::testing::Values(AutostartCase{"PlainPath", "/opt/Parlowen Test/bin/parlowen",
                                                         R"(Exec="/opt/Parlowen Test/bin/parlowen" /hidden)"},
                                           AutostartCase{"PathWithReservedCharacters", "/home/a\"b/$x\\y%z`",
                                                         R"(Exec="/home/a\\"b/\\$x\\\\y%%z\\`" /hidden)"}),
                         [](const ::testing::TestParamInfo<AutostartCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
