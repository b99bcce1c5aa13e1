#include "windows/DialogPrompts.h"

#include <QInputDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon BoxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Error: return QMessageBox::Critical;
    case PromptIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

bool DialogPrompts::Ask(const QString& caption, const QString& text, PromptIcon icon)
{
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void DialogPrompts::Show(const QString& caption, const QString& text, PromptIcon icon)
{
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, parent_);
    box.exec();
}

std::optional<QString> DialogPrompts::Input(const QString& caption, const QString& prompt, const QString& initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, caption, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}
