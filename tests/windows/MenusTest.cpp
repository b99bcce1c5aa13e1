// The main window's menus, tool bar and shortcuts as laid out, and the small command actions:
// the Debug menu's switch, the emulations that do nothing, clearing the logs, and the About window.
#include "ProgramRig.h"
#include "controller/DeviceState.h"
#include "controller/IncomingMessages.h"
#include "windows/AboutWindow.h"
#include "windows/MainStatusBar.h"
#include "windows/MessagesPage.h"
#include "windows/SettingsWindow.h"
#include "windows/UssdWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using rig::Program;

namespace {

// A menu as text: action names, "-" for a separator and "Title(...)" for a submenu.
QString Describe(const QList<QAction*>& actions)
{
    QStringList items;
    for (QAction* action : actions) {
        if (action->isSeparator())
            items << (action->objectName().isEmpty() ? QStringLiteral("-") : action->objectName());
        else if (action->menu())
            items << action->menu()->title().remove(u'&') + u'(' + Describe(action->menu()->actions()) + u')';
        else
            items << action->objectName();
    }
    return items.join(u' ');
}

struct MenuCase
{
    const char* title;
    const char* entries;
};

class MenuTest : public ::testing::TestWithParam<MenuCase>
{ };

TEST_P(MenuTest, HoldsItsEntriesInOrder)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QString found;
    for (QAction* top : p.window->menuBar()->actions())
        if (top->menu() && top->menu()->title().remove(u'&') == QLatin1String(GetParam().title))
            found = Describe(top->menu()->actions());
    EXPECT_EQ(found, QString::fromLatin1(GetParam().entries));
}

INSTANTIATE_TEST_SUITE_P(
    MainMenu, MenuTest,
    ::testing::Values(
        MenuCase{"File", "SmsSaveAction - SmsPrintAction - ExitAction"},
        MenuCase{"View", "ShowMessagesAction ShowConversationsAction ShowContactsAction ShowStatusAction "
                         "ShowDeviceAction ShowLogAction"},
        MenuCase{"Messages", "SmsNewAction SmsOpenAction SmsReplyAction SmsForwardAction SmsRetryAction "
                             "SmsDeleteAction SmsSetAsUnreadAction - OpenUssdSessionAction"},
        MenuCase{"Contacts", "ContactsNewAction ContactsOpenAction ContactsDeleteAction - ContactsMessageAction"},
        MenuCase{"Miscellaneous",
                 "RegistrationAction1 - RadioOnAction RadioOffAction - EnterPinAction - Tools(SmsExportAction - "
                 "ContactsImportAction ContactsExportAction - ContactsSimAction) - Advanced(OperatorsSearchAction "
                 "GetPreferredProvidersAction RegisterManualAction - DatabaseCompactAction SynchronizeSmsAction - "
                 "InterfaceSelectAction - ClearLogAction)"},
        MenuCase{"Options", "AlwaysOnTopAction HideWhenMinimizedAction - LargeButtonsAction LargeTextAction - "
                            "SmsDeliveryReportAction - SettingsAction"},
        MenuCase{"Debug",
                 "Database(DatabaseReadAllAction DatabaseDeleteAllAction DatabaseRecreateAction "
                 "DatabaseCompressAction) Mobile Broadband(ConnectAction DisconnectAction - SMS(EmulateSmsNewAction "
                 "EmulateSmsNewMultipartAction EmulateSmsSentAction EmulateSmsSentMultipartAction "
                 "EmulateSmsDraftAction EmulateSmsReport1Action EmulateSmsReport2Action "
                 "EmulateEventSmsSendCompleteAction - SmsAnalyseAction SmsDeleteByIdAction SmsSendAllAction) "
                 "Services(DeviceServicesConnectAction DeviceServicesDisconnectAction - "
                 "DeviceServicesCommandOpenAction DeviceServicesCommandCloseAction - Phonebook(PhonebookOpenAction "
                 "PhonebookCloseAction - PhonebookInfoAction PhonebookReadAction PhonebookWriteAction "
                 "PhonebookDeleteAction))) - GetDeviceInfoAction ShowDebugAction"},
        MenuCase{"Help", "OpenHelpAction - HomePageAction SupportAction LicenseInfoAction - AboutAction"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(Menus, ToolBarAndTrayMenuHoldTheirEntriesInOrder)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    auto* tools = p.window->findChild<QToolBar*>(QStringLiteral("ToolBar"));
    EXPECT_EQ(
        Describe(tools->actions()),
        QStringLiteral("ShowMessagesAction ShowConversationsAction ShowContactsAction ShowStatusAction "
                       "ShowDeviceAction ShowLogAction - "
                       "SmsNewAction SmsReplyAction SmsForwardAction SmsDeleteAction - OpenUssdSessionAction "
                       "RegistrationAction2 TBBxUssdDev EnterPinButtonAction TBBxPinDev AboutAction - ExitAction"));
    auto* tray = p.window->findChild<QMenu*>(QStringLiteral("TrayMenu"));
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(Describe(tray->actions()), QStringLiteral("AppOpenAction AppHideAction - ExitAction"));
    // The PIN button and its separator come and go together.
    QAction* pinSeparator = nullptr;
    for (QAction* a : tools->actions())
        if (a->objectName() == QLatin1String("TBBxPinDev"))
            pinSeparator = a;
    ASSERT_NE(pinSeparator, nullptr);
    EXPECT_EQ(pinSeparator->isVisible(), p.window->Act(MainAction::EnterPinButtonAction)->isVisible());
    // The Miscellaneous menu's entry stays whatever the SIM's state.
    EXPECT_FALSE(p.window->Act(MainAction::EnterPinButtonAction)->isVisible());
    EXPECT_TRUE(p.window->Act(MainAction::EnterPinAction)->isVisible());
}

TEST(Menus, ShortcutsBelongToTheirActionsAndWorkWhileTheDebugMenuIsHidden)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    const std::pair<const char*, const char*> shortcuts[] = {{"ShowDebugAction", "Ctrl+D"},
                                                             {"GetDeviceInfoAction", "Ctrl+Alt+I"},
                                                             {"SmsSendAllAction", "Ctrl+S"},
                                                             {"StartMenuAddAction", "Ctrl+W"}};
    for (const auto& [name, keys] : shortcuts) {
        QAction* action = p.window->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_TRUE(action->shortcuts().contains(QKeySequence(QString::fromLatin1(keys)))) << name;
        // Reachable from the window itself, not only through a menu that may be hidden.
        EXPECT_TRUE(p.window->actions().contains(action)) << name;
    }
    p.window->activateWindow();
    QApplication::setActiveWindow(p.window.get());
    QTest::keyClick(p.window.get(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(p.window->CurrentPage(), TMainWindow::DebugPageIndex);
}

TEST(Menus, DebugSwitchShowsAndHidesTheDebugMenu)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QAction* debug = nullptr;
    for (QAction* top : p.window->menuBar()->actions())
        if (top->menu() && top->menu()->title().remove(u'&') == QLatin1String("Debug"))
            debug = top;
    ASSERT_NE(debug, nullptr);
    EXPECT_FALSE(debug->isVisible());
    auto* debugSwitch = p.window->findChild<QLabel*>(QStringLiteral("DebugSwitch"));
    QTest::mouseDClick(debugSwitch, Qt::LeftButton);
    EXPECT_TRUE(debug->isVisible());
    QTest::mouseDClick(debugSwitch, Qt::LeftButton);
    EXPECT_FALSE(debug->isVisible());
}

TEST(Menus, EmulationsChangeNothingAndClearLogEmptiesBothLogs)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    ASSERT_TRUE(WaitFor([&] { return p.window->LogLines().rowCount() > 0 && p.window->StatusLines().rowCount() > 0; }));
    const int inbox = p.Folder(Folder::Inbox).Count();
    const int lines = p.window->LogLines().LineCount();
    for (const char* name : {"EmulateSmsNewAction", "EmulateSmsNewMultipartAction", "EmulateSmsSentAction",
                             "EmulateSmsSentMultipartAction", "EmulateSmsDraftAction", "EmulateSmsReport1Action",
                             "EmulateSmsReport2Action", "EmulateEventSmsSendCompleteAction"}) {
        QAction* action = p.window->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_FALSE(action->isVisible()) << name;
        action->trigger();
    }
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), inbox);
    EXPECT_EQ(p.window->LogLines().LineCount(), lines);

    p.window->Act(MainAction::ClearLogAction)->trigger();
    EXPECT_EQ(p.window->LogLines().rowCount(), 0);
    EXPECT_EQ(p.window->StatusLines().rowCount(), 0);
}

TEST(Menus, OptionActionsFlipTheirSettings)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    for (const char* name :
         {"SmsSaveSentAction", "SmsConfirmationToSendAction", "AppCloseConfirmationAction", "BalloonNotificationAction",
          "ToastNotificationAction", "DataClassNotificationAction", "HideWhenClosingAction"}) {
        QAction* action = p.window->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_TRUE(action->isCheckable()) << name;
        const bool before = action->isChecked();
        action->trigger();
        EXPECT_NE(action->isChecked(), before) << name;
    }
    // What the rest of the program reads follows, and is what the settings keep.
    p.window->Settings().SaveOptions(*p.settings);
    EXPECT_EQ(p.settings->value(QStringLiteral("SMS/SaveSent")).toInt(),
              int(p.window->Act(MainAction::SmsSaveSentAction)->isChecked()));
    EXPECT_EQ(p.settings->value(QStringLiteral("Settings/ShowDataClassNotification")).toInt(),
              int(p.window->Act(MainAction::DataClassNotificationAction)->isChecked()));
}

TEST(Settings, OkAppliesTheChosenValuesToTheRunningWindow)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QTemporaryDir autostart;
    const int signalWidth = p.window->StatusPanels().Widget(3)->width();
    const bool onTop = p.window->Act(MainAction::AlwaysOnTopAction)->isChecked();
    p.window->Runners().settings = [&](TSettingsWindow& settings) {
        settings.SetAutostartFolder(autostart.path());
        settings.show();
        for (SettingsForm::Box box : {SettingsForm::Box::ShowSignalStrength, SettingsForm::Box::LargeButtons,
                                      SettingsForm::Box::ShowNetworkRegistration, SettingsForm::Box::ReceiveTimer,
                                      SettingsForm::Box::AlwaysOnTop, SettingsForm::Box::ShowDataClassNotification})
            settings.CheckBox(box)->click();
        settings.CsvDelimiterList()->setCurrentIndex(2);
        Q_EMIT settings.CsvDelimiterList()->activated(2); // as a pick by the user
        settings.AppIconButton(4)->click();
        settings.OkButton()->click();
    };
    p.window->Act(MainAction::SettingsAction)->trigger();

    EXPECT_EQ(p.window->StatusPanels().Widget(3)->width(), signalWidth + 35) << "the signal level shown";
    EXPECT_TRUE(p.window->Act(MainAction::LargeButtonsAction)->isChecked());
    EXPECT_FALSE(p.window->Act(MainAction::RegistrationAction2)->isVisible());
    EXPECT_TRUE(p.window->Incoming().ReceiveTimer().isActive());
    EXPECT_TRUE(p.window->Act(MainAction::DataClassNotificationAction)->isChecked());
    EXPECT_EQ(p.window->Act(MainAction::AlwaysOnTopAction)->isChecked(), !onTop) << "Ok applies it";
    EXPECT_EQ(p.window->Settings().CsvDelimiterChar(), QChar(u'\t'));
    EXPECT_EQ(p.window->Settings().ApplicationIcon, 4);
    EXPECT_EQ(p.settings->value(QStringLiteral("Settings/ApplicationIcon")).toInt(), 4);
}

TEST(Ussd, OneWindowAtATimePutAsideAndBroughtBack)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QAction* action = p.window->Act(MainAction::OpenUssdSessionAction);
    EXPECT_TRUE(action->isVisible());
    ASSERT_EQ(p.window->UssdWindow(), nullptr);
    action->trigger();
    TUssdWindow* window = p.window->UssdWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(action->isChecked());
    EXPECT_TRUE(window->isVisible());
    action->trigger();
    EXPECT_EQ(p.window->UssdWindow(), window) << "a second window is never opened";
    EXPECT_TRUE(action->isChecked());

    Q_EMIT window->PutAside();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(p.window->Messages().ActivityVisible());
    Q_EMIT p.window->Messages().ActivityClicked();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(p.window->Messages().ActivityVisible());

    window->CloseButton()->click();
    ASSERT_TRUE(WaitFor([&] { return p.window->UssdWindow() == nullptr; }));
    EXPECT_FALSE(action->isChecked());
    action->trigger();
    EXPECT_NE(p.window->UssdWindow(), nullptr) << "a new one after the last was closed";
}

TEST(About, ShowsTheBuildsVersionsAndClosesOnEscape)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    int shown = 0;
    p.window->Runners().about = [&](TAboutWindow& about) {
        ++shown;
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
        EXPECT_EQ(about.Label(QStringLiteral("AppName"))->text(), QStringLiteral("Parlowen"));
        EXPECT_EQ(about.Label(QStringLiteral("ProductVersion"))->text(), QStringLiteral("Version: 2.4.0.0"));
        EXPECT_EQ(about.Label(QStringLiteral("ReleaseVersion"))->text(), QStringLiteral("Release: 2.4.1.0"));
        EXPECT_EQ(about.Label(QStringLiteral("BuildVersion"))->text(), QStringLiteral("Build: 2.4.1.7"));
        about.show();
        QTest::keyClick(&about, Qt::Key_Escape);
        EXPECT_FALSE(about.isVisible());
    };
    p.window->Act(MainAction::AboutAction)->trigger();
    EXPECT_EQ(shown, 1);
}

TEST(About, WithoutAReleaseTheReleaseLabelIsEmptyAndTheOthersStay)
{
    TAboutWindow about(QStringLiteral("Parlowen"), {QStringLiteral("3.0.0.0"), QString(), QStringLiteral("3.0.0.9")});
    about.show();
    EXPECT_EQ(about.Label(QStringLiteral("ProductVersion"))->text(), QStringLiteral("Version: 3.0.0.0"));
    EXPECT_EQ(about.Label(QStringLiteral("ReleaseVersion"))->text(), QString());
    EXPECT_EQ(about.Label(QStringLiteral("BuildVersion"))->text(), QStringLiteral("Build: 3.0.0.9"));
    about.CloseButton()->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(About, TheReleaseStandsMidwayBetweenVersionAndBuild)
{
    TAboutWindow about(QStringLiteral("Parlowen"), TAboutWindow::BuildVersions());
    about.show();
    QApplication::processEvents();
    QLabel* product = about.Label(QStringLiteral("ProductVersion"));
    QLabel* release = about.Label(QStringLiteral("ReleaseVersion"));
    QLabel* build = about.Label(QStringLiteral("BuildVersion"));
    const int leftGap = release->x() - (product->x() + product->sizeHint().width());
    const int rightGap = build->x() - (release->x() + release->width());
    EXPECT_GT(leftGap, 0);
    EXPECT_LE(std::abs(leftGap - rightGap), 1);
}

} // namespace
