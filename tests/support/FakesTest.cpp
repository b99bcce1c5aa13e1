// The scripted prompts fail the running test when a prompt comes that the test did not script,
// in a program that starts through GoogleTest's own main as in one that starts through ours.
#include "support/Fakes.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>

namespace {

struct UnscriptedCase
{
    const char* report;
    std::function<bool(testsupport::ScriptedPrompts&)> declined; // asks, true when declined
};

TEST(ScriptedPrompts, AnUnscriptedPromptFailsTheTestAndIsDeclined)
{
    const QString caption = QStringLiteral("Caption");
    const UnscriptedCase cases[] = {
        {"unscripted question: Caption: Sure?", [&](auto& p) { return !p.Ask(caption, QStringLiteral("Sure?")); }},
        {"unscripted choice: Caption: Save?",
         [&](auto& p) { return p.Choose(caption, QStringLiteral("Save?")) == PromptChoice::Cancel; }},
        {"unscripted input box: Caption: Name",
         [&](auto& p) { return !p.Input(caption, QStringLiteral("Name"), QString()).has_value(); }},
        {"unscripted input box: Caption: PIN",
         [&](auto& p) { return !p.InputSecret(caption, QStringLiteral("PIN")).has_value(); }},
        {"unscripted file dialog: Save as",
         [&](auto& p) { return !p.SaveFileName(QStringLiteral("Save as"), "txt", "*.txt").has_value(); }},
        {"unscripted file dialog: Open",
         [&](auto& p) { return !p.OpenFileName(QStringLiteral("Open"), "*.csv").has_value(); }},
    };
    for (const UnscriptedCase& c : cases) {
        testsupport::ScriptedPrompts prompts;
        bool declined = false;
        EXPECT_NONFATAL_FAILURE(declined = c.declined(prompts), c.report);
        EXPECT_TRUE(declined) << c.report;
        EXPECT_EQ(prompts.shown.size(), 1u) << c.report;
    }
}

} // namespace
