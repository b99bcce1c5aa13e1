// Where the main window lives on the desktop: the notification area or the taskbar, a stored
// maximised state, the stored layout and the hand-set display values.
#include "ProgramRig.h"
#include "controller/DeviceState.h"
#include "controller/MessageFolders.h"
#include "support/TestMain.h"
#include "windows/DesktopShell.h"
#include "windows/MainStatusBar.h"
#include "windows/MessagesPage.h"

#include <QApplication>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>

using rig::Program;

namespace {

enum class Leave { Minimise, Close, StartHidden, HideAction };

struct PlaceCase
{
    const char* name;
    Leave leave;
    bool hideWhenMinimized;
    bool trayArea;
    bool inTray; // expected: hidden off the taskbar; otherwise minimised on it
};

class WindowPlace : public ::testing::TestWithParam<PlaceCase>
{ };

TEST_P(WindowPlace, HidesIntoTheTrayOnlyWhereItCanBeOpenedAgain)
{
    const PlaceCase& c = GetParam();
    Program p;
    p.settings->setValue(QStringLiteral("Settings/HideWhenMinimized"), c.hideWhenMinimized ? 1 : 0);
    p.trayArea = c.trayArea;
    p.hidden = c.leave == Leave::StartHidden;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TMainWindow& w = *p.window;
    switch (c.leave) {
    case Leave::Minimise: w.showMinimized(); break;
    case Leave::Close: w.close(); break;
    case Leave::HideAction: w.Act(MainAction::AppHideAction)->trigger(); break;
    case Leave::StartHidden: break;
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isMinimized());
    EXPECT_EQ(w.isVisible(), !c.inTray);
    EXPECT_EQ(w.Act(MainAction::AppOpenAction)->isVisible(), c.inTray);
    EXPECT_EQ(w.Act(MainAction::AppHideAction)->isVisible(), !c.inTray);

    w.AppOpen();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_FALSE(w.Act(MainAction::AppOpenAction)->isVisible());
    EXPECT_TRUE(w.Act(MainAction::AppHideAction)->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowPlace,
                         ::testing::Values(PlaceCase{"MinimisedWithTray", Leave::Minimise, true, true, true},
                                           PlaceCase{"MinimisedWithoutTray", Leave::Minimise, true, false, false},
                                           PlaceCase{"MinimisedOptionOff", Leave::Minimise, false, true, false},
                                           PlaceCase{"ClosedWithTray", Leave::Close, true, true, true},
                                           PlaceCase{"ClosedWithoutTray", Leave::Close, true, false, false},
                                           PlaceCase{"HideActionWithTray", Leave::HideAction, true, true, true},
                                           PlaceCase{"StartedHiddenWithTray", Leave::StartHidden, true, true, true},
                                           PlaceCase{"StartedHiddenWithoutTray", Leave::StartHidden, true, false,
                                                     false},
                                           PlaceCase{"StartedHiddenOptionOff", Leave::StartHidden, false, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WindowPlace, AStoredMaximisedStateMaximisesAtStartAndOnTheFirstOpenOnly)
{
    Program p;
    p.trayArea = true;
    p.settings->setValue(QStringLiteral("Layout/Application.State"), 2);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TMainWindow& w = *p.window;
    EXPECT_TRUE(w.isMaximized());

    w.showNormal();
    w.showMinimized();
    QCoreApplication::processEvents();
    w.AppOpen();
    EXPECT_TRUE(w.isMaximized()) << "the stored state, once";

    w.showNormal();
    w.showMinimized();
    QCoreApplication::processEvents();
    w.AppOpen();
    EXPECT_FALSE(w.isMaximized()) << "the flag was used up";
}

TEST(WindowPlace, OpenKeepsAWindowTheUserMaximised)
{
    Program p;
    p.trayArea = true;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TMainWindow& w = *p.window;
    w.showMaximized();
    w.showMinimized();
    QCoreApplication::processEvents();
    ASSERT_FALSE(w.isVisible());
    w.Act(MainAction::AppOpenAction)->trigger();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMaximized());
}

TEST(WindowPlace, TheStoredLayoutIsAppliedAtStart)
{
    Program p;
    p.settings->setValue(QStringLiteral("Layout/Application.Message"), 180);
    p.settings->setValue(QStringLiteral("Layout/Application.Folders"), 260);
    p.settings->setValue(QStringLiteral("Layout/Application.StatusBar"), 40);
    p.settings->setValue(QStringLiteral("Layout/Application.Header"), 0);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TMainWindow& w = *p.window;
    QCoreApplication::processEvents();
    EXPECT_EQ(w.Messages().Splitter()->sizes().value(0), 180);
    EXPECT_EQ(w.Messages().FolderPanelWidth(), 260);
    EXPECT_GE(w.statusBar()->height(), 40);
    for (const char* header : {"HeaderDeviceStatus", "HeaderApplicationLog", "HeaderContacts", "HeaderDebug"}) {
        auto* widget = w.findChild<QWidget*>(QString::fromLatin1(header));
        ASSERT_NE(widget, nullptr) << header;
        EXPECT_TRUE(widget->isHidden()) << header;
    }
    // Written back at exit as it was read.
    w.Act(MainAction::ExitAction)->trigger();
    EXPECT_EQ(p.settings->value(QStringLiteral("Layout/Application.Message")).toInt(), 180);
}

TEST(WindowPlace, TheFolderPanelKeepsItsWidthWithLargeTextAtStart)
{
    Program normal;
    ASSERT_NO_FATAL_FAILURE(normal.Start());
    QCoreApplication::processEvents();
    const int normalWidth = normal.window->Messages().FolderPanelWidth();
    normal.window->Act(MainAction::LargeTextAction)->trigger();
    QCoreApplication::processEvents();
    const int switchedWidth = normal.window->Messages().FolderPanelWidth();
    ASSERT_GT(switchedWidth, normalWidth);

    Program large;
    large.settings->setValue(QStringLiteral("Settings/LargeText"), 1);
    ASSERT_NO_FATAL_FAILURE(large.Start());
    QCoreApplication::processEvents();
    EXPECT_EQ(large.window->Messages().FolderPanelWidth(), switchedWidth)
        << "a restart with large text gives the panel what switching it on gave";
}

struct DisplayCase
{
    const char* value;
    int stored;
    std::function<bool(TMainWindow&)> applied;
};

class DisplayValue : public ::testing::TestWithParam<DisplayCase>
{ };

TEST_P(DisplayValue, IsHonoured)
{
    const DisplayCase& c = GetParam();
    Program p;
    p.settings->setValue(QStringLiteral("Settings/") + QLatin1String(c.value), c.stored);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QCoreApplication::processEvents();
    EXPECT_TRUE(c.applied(*p.window));
}

QTreeView* InboxList(TMainWindow& w)
{
    return w.Messages().List(Folder::Inbox);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, DisplayValue,
    ::testing::Values(
        DisplayCase{"ShowMenu", 0, [](TMainWindow& w) { return w.menuBar()->isHidden(); }},
        DisplayCase{"ShowToolBar", 0,
                    [](TMainWindow& w) { return w.findChild<QToolBar*>(QStringLiteral("ToolBar"))->isHidden(); }},
        DisplayCase{"ShowStatusBar", 0, [](TMainWindow& w) { return w.statusBar()->isHidden(); }},
        DisplayCase{
            "ShowMessageInfo", 0,
            [](TMainWindow& w) { return w.findChild<QWidget*>(QStringLiteral("MessageInfoPanel"))->isHidden(); }},
        DisplayCase{"ShowStatusLog", 0,
                    [](TMainWindow& w) { return !w.Act(MainAction::ShowDeviceAction)->isVisible(); }},
        DisplayCase{"ShowStatusLog", 1,
                    [](TMainWindow& w) { return w.Act(MainAction::ShowDeviceAction)->isVisible(); }},
        DisplayCase{"ShowDataClass", 0,
                    [](TMainWindow& w) {
                        return w.Device().PanelWidth(DeviceState::PanelDataClass) == 0 &&
                               w.StatusPanels().Widget(DeviceState::PanelDataClass)->isHidden();
                    }},
        DisplayCase{"ShowUssd", 0,
                    [](TMainWindow& w) { return !w.Act(MainAction::OpenUssdSessionAction)->isVisible(); }},
        DisplayCase{"ShowSmsID", 0,
                    [](TMainWindow& w) {
                        return InboxList(w)->model()->headerData(0, Qt::Horizontal).toString().isEmpty() &&
                               InboxList(w)->columnWidth(0) == 35;
                    }},
        DisplayCase{"ShowSmsID", 1,
                    [](TMainWindow& w) {
                        return InboxList(w)->model()->headerData(0, Qt::Horizontal).toString() == QLatin1String("ID") &&
                               InboxList(w)->columnWidth(0) == 65;
                    }}),
    [](const auto& info) { return std::string(info.param.value) + std::to_string(info.param.stored); });

TEST(WindowPlace, TheFirstDataClassBalloonFindsItsIcon)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/ShowDataClassIcon"), 1);
    p.settings->setValue(QStringLiteral("Settings/ShowDataClassNotification"), 1);
    int withIcon = 0, withoutIcon = 0;
    p.notifier.whenNotified = [&](const testsupport::RecordingNotifier::Notice& notice) {
        if (notice.title != QLatin1String("Mobile Broadband") || !p.window)
            return;
        // The balloon goes out just before this notification, in the same announcement.
        (p.window->Shell().DataClassTray() ? withIcon : withoutIcon)++;
    };
    ASSERT_NO_FATAL_FAILURE(p.Start());
    ASSERT_TRUE(WaitFor([&] { return withIcon + withoutIcon > 0; }));
    p.modem->setDataClass(0x20);
    ASSERT_TRUE(WaitFor([&] { return withIcon + withoutIcon > 1; }));
    EXPECT_EQ(withoutIcon, 0);
}

} // namespace
