#pragma once
// Questions and message boxes as real dialogs over a parent window.

#include "app/Prompts.h"

class QWidget;

class DialogPrompts : public UserPrompts
{
public:
    explicit DialogPrompts(QWidget* parent) : parent_(parent) { }
    bool Ask(const QString& caption, const QString& text, PromptIcon icon) override;
    void Show(const QString& caption, const QString& text, PromptIcon icon) override;
    std::optional<QString> Input(const QString& caption, const QString& prompt, const QString& initial) override;

private:
    QWidget* parent_;
};
