#include "support/Fakes.h"

namespace testsupport {

namespace {

UnscriptedReport unscriptedReport = nullptr;

void Unscripted(const std::string& what)
{
    if (unscriptedReport)
        unscriptedReport(what);
}

// Moved out whole: GCC's release builds warn falsely about a copied optional QString.
std::optional<QString> TakeFront(std::deque<std::optional<QString>>& queue)
{
    std::optional<QString> answer;
    answer.swap(queue.front());
    queue.pop_front();
    return answer;
}

} // namespace

void SetUnscriptedReport(UnscriptedReport report)
{
    unscriptedReport = report;
}

bool ScriptedPrompts::Ask(const QString& caption, const QString& text, PromptIcon icon)
{
    shown.push_back({Kind::Ask, caption, text, icon, {}});
    if (whileOpen)
        whileOpen(Prompt(shown.back())); // a copy: a box opened meanwhile grows the list
    if (answers.empty()) {
        Unscripted("unscripted question: " + caption.toStdString() + ": " + text.toStdString());
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

PromptChoice ScriptedPrompts::Choose(const QString& caption, const QString& text)
{
    shown.push_back({Kind::Choose, caption, text, PromptIcon::Question, {}});
    if (choices.empty()) {
        Unscripted("unscripted choice: " + caption.toStdString() + ": " + text.toStdString());
        return PromptChoice::Cancel;
    }
    const PromptChoice answer = choices.front();
    choices.pop_front();
    return answer;
}

void ScriptedPrompts::Show(const QString& caption, const QString& text, PromptIcon icon)
{
    shown.push_back({Kind::Show, caption, text, icon, {}});
    if (whileOpen)
        whileOpen(Prompt(shown.back())); // a copy: a box opened meanwhile grows the list
}

std::optional<QString> ScriptedPrompts::NextInput(const QString& caption, const QString& prompt)
{
    if (inputs.empty()) {
        Unscripted("unscripted input box: " + caption.toStdString() + ": " + prompt.toStdString());
        return std::nullopt;
    }
    return TakeFront(inputs);
}

std::optional<QString> ScriptedPrompts::Input(const QString& caption, const QString& prompt, const QString& initial)
{
    shown.push_back({Kind::Input, caption, prompt, PromptIcon::Question, initial});
    return NextInput(caption, prompt);
}

std::optional<QString> ScriptedPrompts::InputSecret(const QString& caption, const QString& prompt)
{
    shown.push_back({Kind::Secret, caption, prompt, PromptIcon::Question, {}});
    return NextInput(caption, prompt);
}

std::optional<QString> ScriptedPrompts::NextFile(const QString& title)
{
    if (files.empty()) {
        Unscripted("unscripted file dialog: " + title.toStdString());
        return std::nullopt;
    }
    return TakeFront(files);
}

std::optional<QString> ScriptedPrompts::SaveFileName(const QString& title, const QString& defaultSuffix,
                                                     const QString& filter)
{
    shown.push_back({Kind::SaveFile, title, filter, PromptIcon::Question, defaultSuffix});
    return NextFile(title);
}

std::optional<QString> ScriptedPrompts::OpenFileName(const QString& title, const QString& filter)
{
    shown.push_back({Kind::OpenFile, title, filter, PromptIcon::Question, {}});
    return NextFile(title);
}

} // namespace testsupport
