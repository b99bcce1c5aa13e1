#include "controller/MessageActions.h"

#include "app/Prompts.h"
#include "app/Settings.h"
#include "controller/Host.h"
#include "controller/IncomingMessages.h"
#include "device/Broadband.h"
#include "storage/Database.h"

namespace {

const QString kCaption = QStringLiteral("Messages");

} // namespace

AllowedMessageActions AllowedActions(Folder folder, const SmsData* data, int image)
{
    AllowedMessageActions allowed;
    if (!data)
        return allowed;
    allowed.Delete = allowed.Reply = allowed.Forward = true;
    const bool failed = image == ImageError;
    allowed.Open = allowed.Retry = folder != Folder::Outbox || failed;
    allowed.SetAsUnread = folder == Folder::Inbox;
    return allowed;
}

MessageActions::MessageActions(ControllerHost& host, const SettingsStore& settings, QDatabase& database,
                               MobileBroadband& device, IncomingMessages& incoming, MessageFolders& folders)
    : host_(host), settings_(settings), database_(database), device_(device), incoming_(incoming), folders_(folders)
{ }

bool MessageActions::Delete(Folder folder, SmsData* data, bool ask)
{
    FolderModel& model = folders_.Model(folder);
    if (data == nullptr || model.RowOf(data) < 0)
        return false;
    const QString message = QStringLiteral("Do you want to delete message?");
    bool all = true;
    switch (folder) {
    case Folder::Inbox:
    case Folder::Sent:
        if (ask && !host_.Prompts().Ask(kCaption, message))
            return false;
        for (const SmsUnit& unit : data->Units)
            all &= DeleteCopy(unit);
        break;
    case Folder::Drafts:
        if (!host_.Prompts().Ask(kCaption, message))
            return false;
        // Drafts live on the device whatever the storage setting says.
        for (const SmsUnit& unit : data->Units)
            all &= incoming_.DeleteFromDevice(unit);
        break;
    case Folder::Templates:
        if (!host_.Prompts().Ask(kCaption, QStringLiteral("Do you want to delete template?")))
            return false;
        if (settings_.SaveOnDisk)
            for (const SmsUnit& unit : data->Units)
                all &= database_.DeleteTemplate(unit.Id);
        break;
    case Folder::Reports:
        // A report read back from the database goes from there too, or it would return at the
        // next start; one still on the device stays there, as before.
        for (const SmsUnit& unit : data->Units)
            if (unit.Place == SmsPlace::Stored)
                database_.DeleteMessage(unit.Id);
        break;
    case Folder::Outbox:
        if (ask && !host_.Prompts().Ask(kCaption, QStringLiteral("Message in progress... Do you want to delete?")))
            return false;
        break;
    }
    if (!all)
        return false;
    host_.MessageRemoving(folder, data);
    model.Remove(data);
    if (folder == Folder::Outbox)
        folders_.UpdateOutboxCounter();
    if (folder == Folder::Inbox)
        host_.UnreadChanged(folders_.UpdateUnreadCounter());
    return true;
}

bool MessageActions::DeleteCopy(const SmsUnit& unit)
{
    switch (unit.Place) {
    case SmsPlace::Stored: return database_.DeleteMessage(unit.Id);
    case SmsPlace::Device: return incoming_.DeleteFromDevice(unit);
    case SmsPlace::ShownOnly: return true; // nothing holds it but the row
    }
    return false;
}

bool MessageActions::SetAsUnread(SmsData* data)
{
    FolderModel& inbox = folders_.Model(Folder::Inbox);
    if (data == nullptr || inbox.RowOf(data) < 0 || inbox.Image(data) == ImageUnread)
        return false;
    for (const SmsUnit& unit : data->Units)
        if (unit.Place == SmsPlace::Stored)
            database_.UpdateMessageStatus(unit.Id, StatusValue(SmsStatus::New));
    inbox.SetImage(data, ImageUnread);
    host_.UnreadChanged(folders_.UpdateUnreadCounter());
    return true;
}

void MessageActions::DeleteById()
{
    const std::optional<QString> answer = host_.Prompts().Input(QStringLiteral("Delete message from SIM"),
                                                                QStringLiteral("Message index:"), QStringLiteral("0"));
    if (!answer)
        return;
    bool ok = false;
    const uint index = answer->trimmed().toUInt(&ok);
    if (ok && index != 0)
        device_.SmsDelete(index);
}

void MessageActions::ReadAll()
{
    database_.LoadMessages();
}

bool MessageActions::DeleteAll()
{
    if (!host_.Prompts().Ask(kCaption, QStringLiteral("Do you want to delete all messages from database?")))
        return false;
    database_.DeleteAllMessages();
    folders_.ClearMessageLists();
    host_.UnreadChanged(0);
    return true;
}

bool MessageActions::Recreate()
{
    if (!host_.Prompts().Ask(kCaption, QStringLiteral("All messages will be deleted from database. Are you sure?")))
        return false;
    // The loader's open select would make dropping the tables fail.
    database_.StopLoader();
    database_.RecreateMessages();
    database_.RecreateTemplates();
    database_.Vacuum();
    folders_.ClearMessageLists();
    // The templates table is gone too: its rows must not stay listed.
    folders_.Model(Folder::Templates).Clear();
    host_.UnreadChanged(0);
    return true;
}

void MessageActions::Compress()
{
    database_.StopLoader();
    database_.Vacuum();
    folders_.ClearMessageLists();
    host_.UnreadChanged(0);
    database_.LoadMessages();
}

void MessageActions::Compact()
{
    database_.StopLoader();
    database_.Vacuum();
}
