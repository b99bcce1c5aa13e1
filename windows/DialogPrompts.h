#pragma once
// Questions and message boxes as real dialogs over a parent window.

#include "app/Prompts.h"

class QWidget;

class DialogPrompts : public UserPrompts
{
public:
    explicit DialogPrompts(QWidget* parent) : parent_(parent) { }
    bool Ask(const QString& caption, const QString& text, PromptIcon icon) override;
    PromptChoice Choose(const QString& caption, const QString& text) override;
    void Show(const QString& caption, const QString& text, PromptIcon icon) override;
    std::optional<QString> Input(const QString& caption, const QString& prompt, const QString& initial) override;
    std::optional<QString> InputSecret(const QString& caption, const QString& prompt) override;
    std::optional<QString> SaveFileName(const QString& title, const QString& defaultSuffix,
                                        const QString& filter) override;
    std::optional<QString> OpenFileName(const QString& title, const QString& filter) override;

private:
    QWidget* parent_;
};
