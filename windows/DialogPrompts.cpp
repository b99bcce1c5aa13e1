#include "windows/DialogPrompts.h"

#include <QFileDialog>
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

PromptChoice DialogPrompts::Choose(const QString& caption, const QString& text)
{
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    parent_);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes: return PromptChoice::Yes;
    case QMessageBox::No: return PromptChoice::No;
    default: return PromptChoice::Cancel;
    }
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

std::optional<QString> DialogPrompts::InputSecret(const QString& caption, const QString& prompt)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, caption, prompt, QLineEdit::Password, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> DialogPrompts::SaveFileName(const QString& title, const QString& defaultSuffix,
                                                   const QString& filter)
{
    QFileDialog dialog(parent_, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> DialogPrompts::OpenFileName(const QString& title, const QString& filter)
{
    const QString name = QFileDialog::getOpenFileName(parent_, title, QString(), filter);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}
