// PIN entry through the real main window against a locked simulated SIM. A program of its own:
// the test switches the log file on, and no other test may write into that file meanwhile.
#include "ProgramRig.h"
#include "app/Log.h"

#include <QCoreApplication>
#include <QFile>

using rig::Program;

TEST(PinEntry, ThePinIsAskedMaskedAndNeverLogged)
{
    rig::LogFileOn log;
    ASSERT_TRUE(log.Made());
    Program p(false, true);
    // A PIN no PDU, ID or time stamp of the run is likely to hold.
    p.modem->withCore([](sim::ModemCore& core) { core.sim().pin = "90817263"; });
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QAction* pin = p.window->Act(MainAction::EnterPinButtonAction);
    ASSERT_TRUE(WaitFor([&] { return pin->isVisible(); })) << "a locked SIM shows the PIN entry";
    p.prompts.inputs = {QStringLiteral("90817263")};
    pin->trigger();
    ASSERT_FALSE(p.prompts.shown.empty());
    EXPECT_EQ(p.prompts.shown.back().kind, testsupport::ScriptedPrompts::Kind::Secret);
    EXPECT_EQ(p.prompts.shown.back().text, "PIN1:");
    ASSERT_TRUE(WaitFor([&] { return !pin->isVisible(); })) << "the SIM took the PIN";
    for (LogModel* log : {&p.window->LogLines(), &p.window->StatusLines()})
        for (int i = 0; i < log->LineCount(); ++i)
            EXPECT_FALSE(log->LineAt(i).contains(QLatin1String("90817263"))) << log->LineAt(i).toStdString();
    p.Stop();
    const QByteArray run = log.RunLines();
    EXPECT_TRUE(run.contains("Application started"));
    EXPECT_TRUE(run.contains("Application finished"));
    EXPECT_FALSE(run.contains("90817263"));
}
