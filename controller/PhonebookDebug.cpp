#include "controller/PhonebookDebug.h"

#include "app/Prompts.h"
#include "device/Broadband.h"

namespace phonebook_debug {

bool Write(UserPrompts& prompts, MobileBroadband& session)
{
    const std::optional<QString> name =
        prompts.Input(QStringLiteral("PhoneBook"), QStringLiteral("Name:"), QStringLiteral("Test"));
    if (!name)
        return false;
    const std::optional<QString> number =
        prompts.Input(QStringLiteral("PhoneBook"), QStringLiteral("Number:"), QStringLiteral("1234567890"));
    if (!number || name->isEmpty() || number->isEmpty())
        return false;
    session.SetPhonebookData(*name, *number);
    return true;
}

bool Delete(UserPrompts& prompts, MobileBroadband& session)
{
    const std::optional<QString> answer = prompts.Input(QStringLiteral("PhoneBook delete"), QStringLiteral("ID:"), {});
    if (!answer)
        return false;
    bool ok = false;
    const unsigned index = answer->trimmed().toUInt(&ok);
    if (!ok || index == 0)
        return false;
    session.DeletePhonebookData(index);
    return true;
}

} // namespace phonebook_debug
