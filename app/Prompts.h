#pragma once
// Questions and message boxes, behind one interface: the main window answers with real dialogs,
// tests with scripted answers, so nothing ever waits on a modal box it cannot see.

#include <QString>

#include <optional>

enum class PromptIcon { Information, Warning, Error, Question };
enum class PromptChoice { Yes, No, Cancel };

class UserPrompts
{
public:
    virtual ~UserPrompts() = default;
    // Yes and No, No the default; true for Yes.
    virtual bool Ask(const QString& caption, const QString& text, PromptIcon icon = PromptIcon::Question) = 0;
    // Yes, No and Cancel, question icon; closing the box is Cancel.
    virtual PromptChoice Choose(const QString& caption, const QString& text) = 0;
    // OK only.
    virtual void Show(const QString& caption, const QString& text, PromptIcon icon) = 0;
    // A one-line input box; nullopt when cancelled.
    virtual std::optional<QString> Input(const QString& caption, const QString& prompt, const QString& initial) = 0;
    // The same for a secret (a PIN): what is typed is not shown.
    virtual std::optional<QString> InputSecret(const QString& caption, const QString& prompt) = 0;
    // File dialogs. filter in Qt's form ("CSV file (*.csv *.txt);;All files (*)"); the save dialog
    // adds defaultSuffix to a name without one and asks before overwriting. nullopt when cancelled.
    virtual std::optional<QString> SaveFileName(const QString& title, const QString& defaultSuffix,
                                                const QString& filter) = 0;
    virtual std::optional<QString> OpenFileName(const QString& title, const QString& filter) = 0;
};
