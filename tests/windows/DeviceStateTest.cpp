// The status bar and the notification-area state through the real main window against the
// simulated modem: signal, data class, radio, roaming, ready states, unplug and replug, the
// interface choice, and the desktop around it (tray images, menu entry, large buttons and text).
#include "controller/DeviceState.h"
#include "ProgramRig.h"
#include "controller/ShellIntegration.h"
#include "sim/Network.h"
#include "support/TestMain.h"
#include "windows/DesktopShell.h"
#include "windows/Images.h"
#include "windows/MainStatusBar.h"
#include "windows/MessagesPage.h"
#include "windows/RegistrationWindow.h"
#include "windows/TrayIcon.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

using rig::Program;

namespace {

void DoubleClick(Program& p, int panel)
{
    QTest::mouseDClick(p.window->StatusPanels().Widget(panel), Qt::LeftButton);
}

bool Announced(const Program& p, const QString& title, const QString& text)
{
    for (const auto& notice : p.notifier.notices)
        if (notice.title == title && notice.text == text)
            return true;
    return false;
}

struct SignalCase
{
    uint32_t rssi;
    int image;
    const char* text; // empty: unknown
};

class SignalTest : public ::testing::TestWithParam<SignalCase>
{ };

TEST_P(SignalTest, StrengthGivesImageAndLevelDrawnOnlyWhileShown)
{
    const SignalCase& c = GetParam();
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->setSignal(c.rssi, 99);
    ASSERT_TRUE(WaitFor([&] { return p.window->Device().SignalImage() == c.image; }));
    ASSERT_TRUE(WaitFor([&] { return p.window->Device().SignalText() == QString::fromLatin1(c.text); }));
    EXPECT_EQ(p.window->StatusPanels().Text(3), QString()) << "the level is not drawn until asked for";

    const int width = p.window->StatusPanels().Widget(3)->width();
    DoubleClick(p, 3);
    EXPECT_EQ(p.window->StatusPanels().Text(3), QString::fromLatin1(c.text));
    EXPECT_EQ(p.window->StatusPanels().Widget(3)->width(), width + 35);
    DoubleClick(p, 3);
    EXPECT_EQ(p.window->StatusPanels().Text(3), QString());
    EXPECT_EQ(p.window->StatusPanels().Widget(3)->width(), width) << "two double clicks give the former width";
}

INSTANTIATE_TEST_SUITE_P(Strengths, SignalTest,
                         ::testing::Values(SignalCase{0, 0, "-113 dBm"}, SignalCase{3, 1, "-107 dBm"},
                                           SignalCase{16, 4, "-81 dBm"}, SignalCase{17, 5, "-79 dBm"},
                                           SignalCase{31, 5, "-51 dBm"}, SignalCase{99, 0, ""}));

struct DataClassCase
{
    uint32_t bits;
    const char* text;
    int image;
    bool network = true; // false: beyond the simulated network, given as the device's event
};

class DataClassTest : public ::testing::TestWithParam<DataClassCase>
{ };

TEST_P(DataClassTest, BitsGiveTextTrayImageAndAnnouncement)
{
    const DataClassCase& c = GetParam();
    Program p;
    p.settings->setValue(QStringLiteral("Settings/ShowDataClassIcon"), 1);
    p.settings->setValue(QStringLiteral("Settings/ShowDataClassNotification"), 1);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    if (c.network)
        p.modem->setDataClass(c.bits);
    else
        p.window->Device().HandleEvent(EV_PACKET_SERVICE, static_cast<std::intptr_t>(c.bits), nullptr);
    const QString text = QString::fromLatin1(c.text);
    ASSERT_TRUE(WaitFor(
        [&] { return p.window->StatusPanels().Text(4) == text && p.window->Device().DataClassImage() == c.image; },
        3000))
        << p.window->StatusPanels().Text(4).toStdString();
    const DeviceState& state = p.window->Device();
    EXPECT_TRUE(state.DataClassIconShown());
    EXPECT_EQ(state.DataClassIconImage(), c.image);
    EXPECT_EQ(state.DataClassIconTip(), text);
    EXPECT_TRUE(Announced(p, QStringLiteral("Mobile Broadband"), text));
    // Offscreen there is no notification area: the icon is kept as state only.
    EXPECT_EQ(p.window->Shell().DataClassTray() != nullptr, true);
    EXPECT_EQ(p.window->Shell().DataClassTray()->Image(), c.image);
    EXPECT_EQ(p.window->Shell().DataClassTray()->ToolTip(), text);
}

INSTANTIATE_TEST_SUITE_P(Bits, DataClassTest,
                         ::testing::Values(DataClassCase{0x24, "UMTS", 5}, DataClassCase{0x1, "GPRS", 3},
                                           DataClassCase{0x10, "HSPA", 6}, DataClassCase{0x20, "LTE", 7},
                                           DataClassCase{0xC0, "5G", 9, false},
                                           DataClassCase{0x80000000u, "CUSTOM", 8, false},
                                           DataClassCase{0x10000, "1XRTT", 2, false}));

TEST(DeviceState, WithoutTheIconOptionDataClassesStillShowAndAnnounce)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/ShowDataClassNotification"), 1);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->setDataClass(0x4);
    ASSERT_TRUE(WaitFor([&] { return p.window->StatusPanels().Text(4) == QStringLiteral("UMTS"); }));
    EXPECT_FALSE(p.window->Device().DataClassIconShown());
    EXPECT_EQ(p.window->Shell().DataClassTray(), nullptr);
    EXPECT_TRUE(Announced(p, QStringLiteral("Mobile Broadband"), QStringLiteral("UMTS")));

    // Off by default: nothing is announced.
    Program quiet;
    ASSERT_NO_FATAL_FAILURE(quiet.Start());
    quiet.modem->setDataClass(0x4);
    ASSERT_TRUE(WaitFor([&] { return quiet.window->StatusPanels().Text(4) == QStringLiteral("UMTS"); }));
    EXPECT_FALSE(Announced(quiet, QStringLiteral("Mobile Broadband"), QStringLiteral("UMTS")));
}

TEST(DeviceState, ADoubleClickOnTheDataClassPanelAsksTheDeviceAgain)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->setDataClass(0x20);
    ASSERT_TRUE(WaitFor([&] { return p.window->StatusPanels().Text(4) == QStringLiteral("LTE"); }));
    p.window->Device().ShowDataClass(0x1); // a stale picture
    ASSERT_EQ(p.window->StatusPanels().Text(4), QStringLiteral("GPRS"));
    DoubleClick(p, 4);
    EXPECT_EQ(p.window->StatusPanels().Text(4), QStringLiteral("LTE"));
}

TEST(DeviceState, RadioOffRemovesTheDataClassIconAndRadioOnBringsTheSignalBack)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/ShowDataClassIcon"), 1);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    EXPECT_TRUE(p.window->Act(MainAction::RadioOnAction)->isChecked()) << "as the start-up query said";
    EXPECT_FALSE(p.window->Act(MainAction::RadioOffAction)->isChecked());
    p.modem->setDataClass(0x20);
    ASSERT_TRUE(WaitFor([&] { return p.window->Device().DataClassIconShown(); }));
    p.window->Act(MainAction::RadioOffAction)->trigger();
    ASSERT_TRUE(WaitFor([&] { return p.window->Act(MainAction::RadioOffAction)->isChecked(); }));
    // Indications sent before the switch may still be on their way: the state they settle in counts.
    EXPECT_TRUE(
        WaitFor([&] { return !p.window->Device().DataClassIconShown() && !p.window->Shell().DataClassTray(); }));
    EXPECT_TRUE(WaitFor([&] { return p.window->Device().SignalImage() == 7; }));
    p.window->Act(MainAction::RadioOnAction)->trigger();
    ASSERT_TRUE(WaitFor([&] { return p.window->Act(MainAction::RadioOnAction)->isChecked(); }));
    EXPECT_NE(p.window->Device().SignalImage(), 7);
}

TEST(DeviceState, RoamingWidensItsPanelAndHomeHidesIt)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->setRegistration(sim::RegRoaming);
    ASSERT_TRUE(WaitFor([&] { return p.window->Device().PanelWidth(2) == 80; }));
    EXPECT_FALSE(p.window->StatusPanels().Widget(2)->isHidden());
    EXPECT_EQ(p.window->StatusPanels().Text(2), QStringLiteral("ROAMING"));
    EXPECT_FALSE(p.window->StatusPanels().Text(1).isEmpty()) << "the provider's name";
    p.modem->setRegistration(sim::RegHome);
    ASSERT_TRUE(WaitFor([&] { return p.window->Device().PanelWidth(2) == 0; }));
    EXPECT_TRUE(p.window->StatusPanels().Widget(2)->isHidden());
    p.modem->setRegistration(sim::RegDenied);
    ASSERT_TRUE(WaitFor([&] { return p.window->StatusPanels().Text(1).isEmpty(); }));
}

TEST(DeviceState, UnplugAndReplugTellTheStatusBarTheIconAndTheUser)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/ShowDataClassIcon"), 1);
    p.settings->setValue(QStringLiteral("Settings/ShowDataClassNotification"), 1);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->setDataClass(0x20);
    ASSERT_TRUE(WaitFor([&] { return p.window->Device().DataClassIconShown(); }));
    const QString model = p.window->StatusPanels().Text(0);

    // The removal of some other interface changes nothing.
    const std::string other = "{00000000-0000-0000-0000-000000000001}";
    p.window->Device().HandleEvent(EV_INTERFACE_REMOVAL, 0, &other);
    EXPECT_EQ(p.window->StatusPanels().Text(0), model);
    EXPECT_TRUE(p.window->Device().DataClassIconShown());

    p.modem->unplug();
    ASSERT_TRUE(WaitFor([&] { return p.window->StatusPanels().Text(0) == QStringLiteral("Device disconnected"); }));
    EXPECT_EQ(p.window->Device().SignalImage(), 9);
    EXPECT_EQ(p.window->StatusPanels().Text(4), QString());
    EXPECT_FALSE(p.window->Device().DataClassIconShown());
    EXPECT_EQ(p.window->Shell().DataClassTray(), nullptr);
    EXPECT_TRUE(Announced(p, QStringLiteral("Mobile Broadband"), QStringLiteral("Device disconnected")));

    std::string error;
    ASSERT_TRUE(p.modem->replug(&error)) << error;
    // Back as at start, without the user asking: model, operator, signal and data class.
    ASSERT_TRUE(WaitFor([&] { return p.window->StatusPanels().Text(0) == model; }));
    EXPECT_TRUE(Announced(p, QStringLiteral("Mobile Broadband"), QStringLiteral("Device connected")));
    EXPECT_NE(p.window->StatusPanels().Text(1), QString());
    EXPECT_NE(p.window->Device().SignalImage(), 6) << "still connecting";
    EXPECT_NE(p.window->StatusPanels().Text(5), QStringLiteral("Device connected"));
    EXPECT_TRUE(p.window->Device().DataClassIconShown()) << "the data class read again brings the icon back";
}

TEST(DeviceState, ALockedSimShowsThePinButtonUntilThePinIsEntered)
{
    Program p(false, true);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QAction* pin = p.window->Act(MainAction::EnterPinButtonAction);
    ASSERT_TRUE(WaitFor([&] { return pin->isVisible(); }));
    EXPECT_EQ(p.window->Device().Panel(5), QStringLiteral("A PIN is required for the operation to complete"));
    EXPECT_TRUE(
        Announced(p, p.window->windowTitle(), QStringLiteral("A PIN is required for the operation to complete")));
    p.prompts.inputs = {QStringLiteral(" 1234 ")};
    pin->trigger();
    ASSERT_TRUE(WaitFor([&] { return !pin->isVisible(); }));
    EXPECT_NE(p.window->Device().Panel(5), QStringLiteral("A PIN is required for the operation to complete"));
}

TEST(DeviceState, AWrongPinIsToldWithTheAttemptsLeftAndAskedAgain)
{
    Program p(false, true);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QAction* pin = p.window->Act(MainAction::EnterPinButtonAction);
    ASSERT_TRUE(WaitFor([&] { return pin->isVisible(); }));
    // Wrong, then cancelled when asked again; later wrong twice more blocks the SIM.
    p.prompts.inputs = {QStringLiteral("0000"), std::nullopt};
    pin->trigger();
    auto told = [&](const QString& text) {
        for (const auto& shown : p.prompts.shown)
            if (shown.caption == QLatin1String("Enter PIN") && shown.text == text)
                return true;
        return false;
    };
    ASSERT_TRUE(WaitFor([&] { return told(QStringLiteral("The PIN was wrong. Attempts remaining: 2.")); }));
    ASSERT_TRUE(WaitFor([&] { return p.prompts.inputs.empty(); })) << "asked again";
    EXPECT_TRUE(pin->isVisible()) << "still locked";

    p.prompts.inputs = {QStringLiteral("0001"), QStringLiteral("0002")};
    pin->trigger();
    ASSERT_TRUE(WaitFor([&] {
        return told(
            QStringLiteral("The PIN was wrong and the SIM is now blocked. Unblock it with its PUK in a phone."));
    }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(p.prompts.inputs.empty());
    const auto asked = std::count_if(p.prompts.shown.begin(), p.prompts.shown.end(), [](const auto& s) {
        return s.kind == testsupport::ScriptedPrompts::Kind::Secret;
    });
    EXPECT_EQ(asked, 4) << "a blocked SIM is not asked for its PIN again";
}

TEST(DeviceState, SelectInterfaceIgnoresABlankAnswerAndShowsAChosenOne)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QAction* select = p.window->Act(MainAction::InterfaceSelectAction);
    EXPECT_FALSE(select->isVisible()) << "one interface: nothing to choose";
    const std::string id = p.window->Broadband().GetInterfaceID();
    const int logLines = p.window->StatusLines().LineCount();
    p.prompts.inputs = {QStringLiteral("   ")};
    select->trigger();
    EXPECT_EQ(p.window->StatusLines().LineCount(), logLines) << "a blank answer asks nothing of the device";

    p.prompts.inputs = {QStringLiteral("{FFFFFFFF-0000-0000-0000-000000000000}")};
    select->trigger();
    EXPECT_EQ(p.window->Broadband().GetInterfaceID(), id) << "an unknown interface keeps the current one";
    EXPECT_GT(p.window->StatusLines().LineCount(), logLines) << "the device layer said why";

    const QString dataClass = p.window->StatusPanels().Text(4);
    ASSERT_FALSE(dataClass.isEmpty());
    p.window->Device().ShowDataClass(0); // forgotten, then read again with the interface
    ASSERT_EQ(p.window->StatusPanels().Text(4), QString());
    p.prompts.inputs = {QString::fromStdString(id)};
    select->trigger();
    EXPECT_EQ(p.window->StatusPanels().Text(4), dataClass);
    EXPECT_FALSE(p.window->StatusPanels().Text(0).isEmpty());
}

TEST(DeviceState, BothRegistrationActionsOpenTheWizardForTheCurrentInterface)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/ShowNetworkRegistration"), 0);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    EXPECT_FALSE(p.window->Act(MainAction::RegistrationAction2)->isVisible()) << "the tool bar's button";
    std::vector<std::string> opened;
    p.window->Runners().registration = [&](TRegistrationWindow& window) {
        opened.push_back(window.Wizard().InterfaceId());
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Network registration"));
    };
    p.window->Act(MainAction::RegistrationAction1)->trigger();
    p.window->Act(MainAction::RegistrationAction2)->trigger();
    const std::string id = p.window->Broadband().GetInterfaceID();
    EXPECT_EQ(opened, (std::vector<std::string>{id, id}));
    // Its log lines reach the window's device log.
    EXPECT_TRUE(WaitFor([&] {
        for (int i = 0; i < p.window->StatusLines().rowCount(); ++i)
            if (p.window->StatusLines().LineAt(i).startsWith(QStringLiteral("Network -> Registration -> ")))
                return true;
        return false;
    }));
}

bool SameImage(const QIcon& a, const QIcon& b)
{
    return a.pixmap(16, 16).toImage() == b.pixmap(16, 16).toImage();
}

TEST(Shell, TrayImagesFollowIconsAndOverrideFiles)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/ApplicationIcon"), 3);
    p.settings->setValue(QStringLiteral("Settings/EventIcon"), 5);
    // An icon file beside the program replaces the LTE image.
    ASSERT_TRUE(QDir().mkpath(p.dir.filePath(QStringLiteral("tray"))));
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(p.dir.filePath(QStringLiteral("tray/TRAYICON8.ico")), "ICO"));
    ASSERT_NO_FATAL_FAILURE(p.Start());

    EXPECT_TRUE(SameImage(p.window->windowIcon(), Images::App(3)));
    EXPECT_TRUE(SameImage(p.window->Shell().TrayImage(0), Images::App(3)));
    EXPECT_TRUE(SameImage(p.window->Shell().TrayImage(1), Images::App(5)));
    EXPECT_EQ(p.window->Shell().TrayImage(7).pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    EXPECT_TRUE(SameImage(p.window->Shell().TrayImage(6), Images::Tray(6)));

    p.window->ApplyIcons(0, 0);
    EXPECT_TRUE(SameImage(p.window->windowIcon(), Images::App(0)));
    EXPECT_TRUE(SameImage(p.window->Shell().TrayImage(0), Images::Tray(0)));
    EXPECT_TRUE(SameImage(p.window->Shell().TrayImage(1), Images::Tray(1)));
}

QString EntryKey(const QString& path, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n'))
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    return {};
}

TEST(Shell, TheMenuEntryIsWrittenAtStartAndReplacedByAddToStartMenu)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/ApplicationIcon"), 2);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    const QString path = p.window->Shell().DesktopEntryPath();
    EXPECT_TRUE(path.startsWith(p.dir.path()));
    ASSERT_TRUE(QFile::exists(path));
    const QString icon = EntryKey(path, QStringLiteral("Icon"));
    EXPECT_TRUE(icon.endsWith(QStringLiteral("parlowen-2.png"))) << icon.toStdString();
    EXPECT_TRUE(QImage(icon).size() == QSize(256, 256)) << "the picture beside it";

    // A changed icon points the existing entry at its picture.
    p.window->ApplyIcons(4, 0);
    EXPECT_TRUE(EntryKey(path, QStringLiteral("Icon")).endsWith(QStringLiteral("parlowen-4.png")));

    // Ctrl+W writes it anew, whatever is there.
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("garbage");
    damaged.close();
    QAction* add = p.window->Act(MainAction::StartMenuAddAction);
    EXPECT_EQ(add->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
    add->trigger();
    EXPECT_EQ(EntryKey(path, QStringLiteral("Exec")), u'"' + QCoreApplication::applicationFilePath() + u'"');
}

TEST(Shell, NoEntryIsWrittenWhenToastsAreOff)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/ShowToastNotification"), 0);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    EXPECT_FALSE(QFile::exists(p.window->Shell().DesktopEntryPath()));
}

TEST(Shell, LargeButtonsSizeTheToolBarAndRows)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/LargeButtons"), 1);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    auto* tools = p.window->findChild<QToolBar*>(QStringLiteral("ToolBar"));
    QAction* large = p.window->Act(MainAction::LargeButtonsAction);
    QAction* rows = p.window->Act(MainAction::LargeRowsAction);
    QAction* labels = p.window->Act(MainAction::TextLabelsAction);
    QTreeView* inbox = p.window->Messages().List(Folder::Inbox);
    ASSERT_TRUE(large->isChecked()) << "as stored";
    EXPECT_EQ(tools->iconSize(), QSize(32, 32));
    EXPECT_EQ(inbox->iconSize(), QSize(24, 24));
    EXPECT_TRUE(labels->isEnabled());

    labels->trigger();
    EXPECT_EQ(tools->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    rows->trigger();
    EXPECT_EQ(inbox->iconSize(), QSize(32, 32));

    large->trigger();
    EXPECT_EQ(tools->iconSize(), QSize(16, 16));
    EXPECT_EQ(tools->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_FALSE(labels->isEnabled());
    EXPECT_EQ(inbox->iconSize(), QSize(16, 16));
    rows->trigger(); // only with large buttons
    EXPECT_EQ(inbox->iconSize(), QSize(16, 16));
}

TEST(Shell, LargeTextWidensTheFolderPanelAndColumnsByTheGrowthOfTheText)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/LargeFont"), 14); // and large text off
    ASSERT_NO_FATAL_FAILURE(p.Start());
    MessagesPage& page = p.window->Messages();
    QTreeView* inbox = page.List(Folder::Inbox);
    const int panel = page.FolderPanelWidth();
    const int date = inbox->columnWidth(1);
    const QFontMetrics before(inbox->font());

    p.window->Act(MainAction::LargeTextAction)->trigger();
    const QFontMetrics after(inbox->font());
    const int growth =
        after.horizontalAdvance(QStringLiteral("XXXXXXXXXX")) - before.horizontalAdvance(QStringLiteral("XXXXXXXXXX"));
    ASSERT_GT(growth, 0);
    EXPECT_EQ(page.FolderPanelWidth(), panel + growth);
    EXPECT_GT(inbox->columnWidth(1), date);

    p.window->Act(MainAction::LargeTextAction)->trigger();
    EXPECT_EQ(page.FolderPanelWidth(), panel);
    EXPECT_EQ(inbox->columnWidth(1), date);
}

} // namespace
