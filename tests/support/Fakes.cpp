#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace testsupport {

bool ScriptedPrompts::Ask(const QString& caption, const QString& text, PromptIcon icon)
{
    shown.push_back({Kind::Ask, caption, text, icon, {}});
    if (answers.empty()) {
        ADD_FAILURE() << "unscripted question: " << caption.toStdString() << ": " << text.toStdString();
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedPrompts::Show(const QString& caption, const QString& text, PromptIcon icon)
{
    shown.push_back({Kind::Show, caption, text, icon, {}});
}

std::optional<QString> ScriptedPrompts::Input(const QString& caption, const QString& prompt, const QString& initial)
{
    shown.push_back({Kind::Input, caption, prompt, PromptIcon::Question, initial});
    if (inputs.empty()) {
        ADD_FAILURE() << "unscripted input box: " << caption.toStdString() << ": " << prompt.toStdString();
        return std::nullopt;
    }
    std::optional<QString> answer = inputs.front();
    inputs.pop_front();
    return answer;
}

} // namespace testsupport
