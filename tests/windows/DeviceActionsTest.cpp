// The device actions of the menus, through the real main window against the simulated modem:
// the operator scan and its providers view, radio off and on, manual registration.
#include "ProgramRig.h"
#include "controller/DeviceState.h"
#include "windows/MainStatusBar.h"

#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>

using rig::Program;

namespace {

void Trigger(Program& p, MainAction action)
{
    p.window->Act(action)->trigger();
}

QString Title(Program& p)
{
    // The Status page's title is the first bold label on it.
    for (QLabel* label : p.window->findChildren<QLabel*>())
        if (label->text() == "Status" || label->text() == "Providers" || label->text() == "Preferred providers")
            return label->text();
    return {};
}

QStringList Rows(Program& p)
{
    QStringList rows;
    auto* list = p.window->findChild<QTreeWidget*>(QStringLiteral("StatusListView"));
    for (int g = 0; list && g < list->topLevelItemCount(); ++g)
        for (int i = 0; i < list->topLevelItem(g)->childCount(); ++i)
            rows << list->topLevelItem(g)->child(i)->text(1) + QLatin1Char('=') +
                        list->topLevelItem(g)->child(i)->text(2);
    return rows;
}

} // namespace

TEST(DeviceActions, AScanShowsItsProgressThenTheProviders)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    Trigger(p, MainAction::OperatorsSearchAction);
    EXPECT_EQ(p.window->StatusPanels().Text(5), "Network scan in progress...");
    EXPECT_TRUE(p.window->findChild<QProgressBar*>(QStringLiteral("ProgressBar"))->isVisibleTo(p.window.get()));
    ASSERT_TRUE(WaitFor([&] { return !p.window->Device().ScanRequested(); }));
    EXPECT_EQ(p.window->CurrentPage(), TMainWindow::StatusPageIndex);
    EXPECT_EQ(Title(p), "Providers");
    EXPECT_TRUE(Rows(p).join(QLatin1Char('\n')).contains(QLatin1String("Parlo Mobile")))
        << Rows(p).join(' ').toStdString();
    EXPECT_FALSE(p.window->findChild<QProgressBar*>(QStringLiteral("ProgressBar"))->isVisibleTo(p.window.get()));
    EXPECT_NE(p.window->StatusPanels().Text(5), "Network scan in progress...");

    Trigger(p, MainAction::GetPreferredProvidersAction);
    EXPECT_EQ(Title(p), "Preferred providers");
    Trigger(p, MainAction::ShowStatusAction);
    EXPECT_EQ(Title(p), "Status");
}

TEST(DeviceActions, RadioOffFailsAScanWithABoxAndRadioOnComesBack)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QAction* on = p.window->Act(MainAction::RadioOnAction);
    QAction* off = p.window->Act(MainAction::RadioOffAction);
    Trigger(p, MainAction::RadioOffAction);
    ASSERT_TRUE(WaitFor([&] { return off->isChecked() && !on->isChecked(); }));
    EXPECT_EQ(p.window->Device().SignalImage(), 7);

    Trigger(p, MainAction::OperatorsSearchAction);
    ASSERT_TRUE(WaitFor([&] { return !p.window->Device().ScanRequested(); }));
    ASSERT_FALSE(p.prompts.shown.empty());
    EXPECT_EQ(p.prompts.shown.back().caption, "Network");
    EXPECT_TRUE(p.prompts.shown.back().text.startsWith(QStringLiteral("Operation could not be completed:\n\r")));
    EXPECT_NE(p.window->CurrentPage(), TMainWindow::StatusPageIndex) << "a failed scan shows no providers";

    Trigger(p, MainAction::RadioOnAction);
    ASSERT_TRUE(WaitFor([&] { return on->isChecked() && !off->isChecked(); }));
}

TEST(DeviceActions, ManualRegistrationTakesATrimmedProviderId)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    auto registered = [&] {
        std::string id;
        p.modem->withCore([&](sim::ModemCore& core) { id = core.network().registeredId; });
        return id;
    };
    p.prompts.inputs = {QStringLiteral("   ")};
    Trigger(p, MainAction::RegisterManualAction);
    EXPECT_EQ(p.prompts.shown.back().caption, "Manual registration");
    EXPECT_EQ(p.prompts.shown.back().text, "Provider ID:");
    p.prompts.inputs = {QStringLiteral(" 00102 ")};
    Trigger(p, MainAction::RegisterManualAction);
    EXPECT_TRUE(WaitFor([&] { return registered() == "00102"; })) << registered();
}
