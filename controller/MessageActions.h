#pragma once
// What the message folders' actions do to a row and to the stores behind it: deleting by folder,
// marking unread again, deleting a device message by its index, and the database maintenance.
// Questions go through the host's prompts; the window clears its view and cursor.

#include "controller/MessageFolders.h"

class ControllerHost;
class IncomingMessages;
class MobileBroadband;
class QDatabase;
class SettingsStore;

// Which message actions the selected row of a folder allows; none without a row.
struct AllowedMessageActions
{
    bool Delete = false;
    bool Reply = false;
    bool Forward = false;
    bool Open = false;
    bool Retry = false;
    bool SetAsUnread = false;

    bool operator==(const AllowedMessageActions&) const = default;
};
// image: the row's image number. In the Outbox only a failed message is opened or retried.
AllowedMessageActions AllowedActions(Folder folder, const SmsData* data, int image);

class MessageActions
{
public:
    // incoming takes the device's parts off it, the way ModemManager, when it shares the modem,
    // needs.
    MessageActions(ControllerHost& host, const SettingsStore& settings, QDatabase& database, MobileBroadband& device,
                   IncomingMessages& incoming, MessageFolders& folders);

    // Asks as the folder needs, deletes the stored or device copies, and removes the row only
    // when all of them went. True when the row is gone. ask false: the caller asked already.
    bool Delete(Folder folder, SmsData* data, bool ask = true);
    // An Inbox row that was read becomes unread again, stored so.
    bool SetAsUnread(SmsData* data);
    // Asks for a device index and deletes that message from the device.
    void DeleteById();

    void ReadAll();
    // These two ask first; true when they ran.
    bool DeleteAll();
    bool Recreate();
    void Compress();
    void Compact();

private:
    // Deletes what holds one part: its stored row, its device message, or nothing for a part
    // only shown.
    bool DeleteCopy(const SmsUnit& unit);

    ControllerHost& host_;
    const SettingsStore& settings_;
    QDatabase& database_;
    MobileBroadband& device_;
    IncomingMessages& incoming_;
    MessageFolders& folders_;
};
