#include "controller/IncomingMessages.h"

#include "app/Settings.h"
#include "app/Sounds.h"
#include "codec/Pdu.h"
#include "controller/Host.h"
#include "controller/ModemManagerLink.h"
#include "device/Broadband.h"
#include "model/StoredRecord.h"
#include "storage/Database.h"

#include <algorithm>
#include <exception>

namespace {

QString Utf8(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

IncomingMessages::IncomingMessages(ControllerHost& host, SettingsStore& settings, QDatabase& database,
                                   MobileBroadband& device, MessageFolders& folders, QObject* parent)
    : QObject(parent), host_(host), settings_(settings), database_(database), device_(device), folders_(folders)
{
    receiveTimer_.setInterval(30000);
    connect(&receiveTimer_, &QTimer::timeout, this, &IncomingMessages::ReceiveTimerTimer);
}

bool IncomingMessages::IsPending(std::uint32_t index) const
{
    for (const auto& pair : pendingDeletes_)
        if (pair.first == index)
            return true;
    return false;
}

void IncomingMessages::RequestDelete(std::uint32_t index, const BROADBAND_SMS_DATA& record)
{
    if (!modemManager_) {
        DeleteDirectly(index);
        return;
    }
    // Pending under no request ID until ModemManager or the device takes it.
    pendingDeletes_.emplace_back(index, 0);
    takenThroughModemManager_.insert(index, {record.Pdu, false});
    const StoredRecord decoded(record);
    ModemManagerLink::Part part;
    part.Index = index;
    part.Number = decoded.Number;
    part.Text = decoded.Text;
    if (decoded.Ok) {
        part.Date = QString::fromStdString(decoded.Pdu.Date);
        part.Time = QString::fromStdString(decoded.Pdu.Time);
        part.Report = decoded.Pdu.StatusReport;
        part.MessageId = decoded.Pdu.MessageId;
        if (decoded.Pdu.Multipart) {
            part.Reference = static_cast<int>(decoded.Pdu.Reference);
            part.PartNumber = static_cast<int>(decoded.Pdu.PartNumber);
            part.PartsTotal = static_cast<int>(decoded.Pdu.PartsTotal);
        }
    }
    modemManager_->Delete(part);
}

void IncomingMessages::DeleteDirectly(std::uint32_t index)
{
    // The device's own answers come in order with its reads.
    takenThroughModemManager_.remove(index);
    auto pending = std::find_if(pendingDeletes_.begin(), pendingDeletes_.end(),
                                [index](const auto& pair) { return pair.first == index && pair.second == 0; });
    std::uint32_t requestId = 0;
    if (device_.SmsDelete(index, requestId)) {
        if (pending != pendingDeletes_.end())
            pending->second = requestId;
        else
            pendingDeletes_.emplace_back(index, requestId);
    } else if (pending != pendingDeletes_.end()) {
        // Refused: the next read stores it again, as without ModemManager.
        pendingDeletes_.erase(pending);
    }
}

bool IncomingMessages::DeleteFromDevice(const SmsUnit& unit)
{
    const auto index = static_cast<std::uint32_t>(unit.Id);
    if (!modemManager_ || !modemManager_->Manages())
        return device_.SmsDelete(index);
    BROADBAND_SMS_DATA record;
    record.Index = index;
    record.Pdu = unit.Pdu.toStdString();
    RequestDelete(index, record);
    return true;
}

bool IncomingMessages::BeingTaken(std::uint32_t index, const BROADBAND_SMS_DATA& record)
{
    if (IsPending(index))
        return true;
    if (auto taken = takenThroughModemManager_.find(index); taken != takenThroughModemManager_.end() && taken->Gone) {
        // The same part: a read answered before ModemManager deleted it, which would list it
        // again. Another one: a new message at the freed index.
        if (taken->Pdu == record.Pdu)
            return true;
        takenThroughModemManager_.erase(taken);
    }
    return false;
}

void IncomingMessages::SetModemManager(ModemManagerLink* link)
{
    modemManager_ = link;
    if (!link)
        return;
    connect(link, &ModemManagerLink::DeleteDirectly, this, &IncomingMessages::DeleteDirectly);
    connect(link, &ModemManagerLink::Deleted, this, [this](std::uint32_t index) {
        if (auto taken = takenThroughModemManager_.find(index); taken != takenThroughModemManager_.end())
            taken->Gone = true;
        pendingDeletes_.erase(std::remove_if(pendingDeletes_.begin(), pendingDeletes_.end(),
                                             [index](const auto& pair) { return pair.first == index; }),
                              pendingDeletes_.end());
    });
    // A refusal keeps the pair: the index is ignored for the rest of the run, as after a failed
    // device delete.
}

void IncomingMessages::DeviceConnected()
{
    if (modemManager_)
        modemManager_->SetPort(QString::fromStdString(device_.GetDevicePath()));
    device_.SmsRead(0);
}

void IncomingMessages::Resynchronize()
{
    folders_.ClearMessageLists();
    host_.UnreadChanged(0);
    if (settings_.SaveOnDisk) {
        database_.LoadMessages();
        database_.LoadTemplates();
    }
    device_.SmsRead(0);
}

void IncomingMessages::HandleDeviceSms(std::uint32_t index, const BROADBAND_SMS_DATA& incoming)
{
    BROADBAND_SMS_DATA record = incoming;
    if (index < settings_.MessageIndex) {
        index += settings_.MessageIndex;
        record.Index += settings_.MessageIndex;
    }
    // A class-0 message comes at one index again and again, and nothing deletes it there.
    if (!record.Class0 && BeingTaken(index, record))
        return;
    if (!settings_.SaveOnDisk || record.Class0 || record.Status == StatusValue(SmsStatus::Draft)) {
        host_.WriteLog(QStringLiteral("SMS -> Device ID = %1").arg(index));
        // A class-0 message is handed over once, always at the same index: each one gets an ID of
        // its own, below every storage ID and device index, or the next would pass for the first.
        if (record.Class0)
            File(nextShownOnlyId_--, record, SmsPlace::ShownOnly, true);
        else
            File(index, record, SmsPlace::Device, true);
        return;
    }
    if (record.Status == StatusValue(SmsStatus::Sent)) {
        // The device keeps a copy of what it sent: the program has its own.
        RequestDelete(index, record);
        return;
    }
    if (record.Status == StatusValue(SmsStatus::Read))
        record.Status = StatusValue(SmsStatus::New);
    std::int64_t id = 0;
    if (!database_.InsertMessage(record.Pdu, record.Status, &id)) {
        // Stays on the device; the next read tries again.
        host_.WriteLog(QStringLiteral("SMS -> Unable to store, kept on the device: Device ID = %1").arg(index));
        return;
    }
    RequestDelete(index, record);
    host_.WriteLog(QStringLiteral("SMS -> Storage ID = %1").arg(id));
    File(static_cast<std::uint32_t>(id), record, SmsPlace::Stored, true);
}

void IncomingMessages::HandleStoredSms(std::uint32_t id, const DATABASE_SMS_DATA& record)
{
    host_.WriteLog(QStringLiteral("SMS -> Storage ID = %1").arg(id));
    ProcessSmsRecord(id, record);
}

void IncomingMessages::HandleStoredBatch(const DATABASE_SMS_BATCH& batch)
{
    if (!batch)
        return;
    for (const DATABASE_SMS_ROW& row : *batch)
        HandleStoredSms(static_cast<std::uint32_t>(row.ID), row.Data);
}

void IncomingMessages::HandleSmsDeleteComplete(const BROADBAND_REQUEST_RESULT& result)
{
    if (result.Status != 0 || result.RequestID == 0)
        return; // the index stays ignored for this run
    for (auto it = pendingDeletes_.begin(); it != pendingDeletes_.end(); ++it) {
        if (it->second == result.RequestID) {
            pendingDeletes_.erase(it);
            return;
        }
    }
}

void IncomingMessages::LogDecoded(const PDU& pdu)
{
    host_.WriteLog(QStringLiteral("PDU -> SMSC: ") + Utf8(pdu.Smsc));
    host_.WriteLog(QStringLiteral("PDU -> Sender: ") + Utf8(pdu.Number));
    host_.WriteLog(QStringLiteral("PDU -> Sender Number Type: ") + Utf8(pdu.NumberType));
    host_.WriteLog(QStringLiteral("PDU -> Encoding: ") + Utf8(pdu.AlphabetName()));
    host_.WriteLog(QStringLiteral("PDU -> Date: ") + Utf8(pdu.Date));
    host_.WriteLog(QStringLiteral("PDU -> Time: ") + Utf8(pdu.Time));
    if (pdu.UdhPresent) {
        host_.WriteLog(QStringLiteral("PDU -> UDH Type: ") + Utf8(pdu.UdhType));
        host_.WriteLog(QStringLiteral("PDU -> UDH Data: ") + Utf8(pdu.UdhData));
    }
    if (pdu.Flash)
        host_.WriteLog(QStringLiteral("PDU -> Flash: True"));
    if (pdu.Multipart) {
        host_.WriteLog(QStringLiteral("PDU -> Miltipart: True"));
        host_.WriteLog(QStringLiteral("PDU -> Reference: %1").arg(pdu.Reference));
        host_.WriteLog(QStringLiteral("PDU -> Parts total: %1").arg(pdu.PartsTotal));
        host_.WriteLog(QStringLiteral("PDU -> Part number: %1").arg(pdu.PartNumber));
    }
    host_.WriteLog(QStringLiteral("PDU -> Message: ") + QString::fromStdU16String(pdu.Text));
}

QString IncomingMessages::ContactName(const QString& number)
{
    auto it = contactNames_.constFind(number);
    if (it == contactNames_.cend())
        it = contactNames_.insert(number, database_.ContactName(number));
    return *it;
}

void IncomingMessages::NameAndCaption(SmsData& data)
{
    if (settings_.Contacts)
        data.SetName(ContactName(data.Number));
}

void IncomingMessages::ProcessSmsRecord(std::uint32_t id, const BROADBAND_SMS_DATA& record)
{
    File(id, record, SmsPlace::Stored, false);
}

void IncomingMessages::File(std::uint32_t id, const BROADBAND_SMS_DATA& record, SmsPlace place, bool fromDevice)
{
    try {
        // The message type decides the decoder, not the class-0 flag: a flash message is a
        // DELIVER, and device stores keep status reports beside the messages.
        const StoredRecord decoded(record);
        const PDU& pdu = decoded.Pdu;
        const bool report = decoded.Ok && pdu.StatusReport;

        QString pduText = Utf8(record.Pdu);
        int reference = 0, total = 0, part = 0;
        if (decoded.Ok) {
            LogDecoded(pdu);
            pduText = Utf8(pdu.PduText);
            if (pdu.Multipart) {
                reference = static_cast<int>(pdu.Reference);
                total = static_cast<int>(pdu.PartsTotal);
                part = static_cast<int>(pdu.PartNumber);
            }
        } else {
            host_.WriteLog(QStringLiteral("PDU -> Parsing failed. Error: ") + decoded.Error);
        }
        const QString& number = decoded.Number;
        const QString& date = decoded.Date;
        const QString& time = decoded.Time;
        const QString& text = decoded.Text;

        SmsData parts;
        const auto sid = static_cast<std::int32_t>(id);
        // What the ID column shows: a shown-only message keeps its device index there.
        const QString shownId = QString::number(place == SmsPlace::ShownOnly ? record.Index : id);
        if (report) {
            // The part keeps the storage ID (or device index) so that deleting the row deletes
            // the stored report; the ID column shows the report's message reference. A report
            // read again (a device read, a replay of what the start-up read stored) is listed once.
            FolderModel& reports = folders_.Model(Folder::Reports);
            if (reports.FindById(sid))
                return;
            auto data = std::make_unique<SmsData>();
            data->AddUnit(sid, number, 0, 0, 0, pduText, time, date, text);
            data->Units.back().Place = place;
            data->Ids = QString::number(pdu.MessageId);
            NameAndCaption(*data);
            const QString caption = settings_.ShowSmsID ? data->Ids : QString();
            reports.Add(std::move(data), ImageReport, caption, true);
            const std::int64_t sentId =
                delivery_.Report(number, pdu.MessageId, pdu.ReportStatus, place == SmsPlace::Stored ? id : 0);
            if (sentId == 0 && fromDevice && unmatchedReport_)
                unmatchedReport_(number, pdu.MessageId);
            host_.Sounds().Play(QStringLiteral("Notification.SMS"));
            return;
        }
        parts.AddUnit(sid, number, total, part, reference, pduText, time, date, text);
        parts.Units.back().Place = place;

        switch (static_cast<SmsStatus>(record.Status)) {
        case SmsStatus::New:
        case SmsStatus::Read: FileInbox(sid, shownId, record.Status, std::move(parts)); break;
        case SmsStatus::Sent: {
            if (!folders_.Model(Folder::Sent).FindById(sid))
                JoinOrAdd(Folder::Sent, shownId, std::move(parts), ImageRead, nullptr);
            delivery_.Refresh(sid);
            // Stored and saved copies carry index 0, which names no draft.
            FolderModel& drafts = folders_.Model(Folder::Drafts);
            if (record.Index != 0)
                if (SmsData* draft = drafts.FindById(static_cast<std::int32_t>(record.Index))) {
                    host_.MessageRemoving(Folder::Drafts, draft);
                    drafts.Remove(draft);
                }
            break;
        }
        case SmsStatus::Draft:
            if (!folders_.Model(Folder::Drafts).FindById(sid))
                JoinOrAdd(Folder::Drafts, shownId, std::move(parts), ImageDraft, nullptr,
                          QString::number(record.Index));
            break;
        default: break;
        }
    } catch (const std::exception& e) {
        host_.WriteLog(QStringLiteral("SmsMessages -> Exception: ") + QString::fromLocal8Bit(e.what()));
    }
}

void IncomingMessages::JoinOrAdd(Folder folder, const QString& shownId, SmsData&& parts, int image, bool* added,
                                 const QString& newIds)
{
    FolderModel& model = folders_.Model(folder);
    const SmsUnit& unit = parts.Units.front();
    if (added)
        *added = false;
    if (unit.PartsTotal > 0 || unit.Reference != 0) {
        // The reference is one octet, so two messages of one day to one number can share it (our
        // own sent parts carry the stored day): a message that holds this part number with another
        // text is another message. A repeated copy of a part has the same text and still joins.
        const auto takes = [&unit](const SmsData& held) {
            return std::none_of(held.Units.begin(), held.Units.end(), [&unit](const SmsUnit& part) {
                return !part.Duplicate && part.PartNumber == unit.PartNumber && part.Text != unit.Text;
            });
        };
        if (SmsData* data = model.FindMultipart(unit.Number, unit.Reference, unit.Date, takes)) {
            const SmsPlace place = unit.Place;
            data->AddUnit(unit.Id, unit.Number, unit.PartsTotal, unit.PartNumber, unit.Reference, unit.Pdu, unit.Time,
                          unit.Date, unit.Text);
            for (SmsUnit& joined : data->Units)
                if (joined.Id == unit.Id)
                    joined.Place = place;
            data->Ids += QLatin1Char('/') + shownId;
            NameAndCaption(*data);
            model.Changed(data);
            if (settings_.ShowSmsID)
                model.SetCaption(data, data->Ids);
            host_.MessageChanged(folder, data);
            return;
        }
    }
    auto data = std::make_unique<SmsData>(std::move(parts));
    data->Ids = newIds.isNull() ? shownId : newIds;
    NameAndCaption(*data);
    const QString caption = settings_.ShowSmsID ? data->Ids : QString();
    model.Add(std::move(data), image, caption, true);
    if (added)
        *added = true;
}

void IncomingMessages::FileInbox(std::int32_t id, const QString& shownId, std::uint32_t status, SmsData&& parts)
{
    FolderModel& inbox = folders_.Model(Folder::Inbox);
    if (inbox.FindById(id))
        return;
    bool added = false;
    const int image = status == StatusValue(SmsStatus::New) ? ImageUnread : ImageRead;
    JoinOrAdd(Folder::Inbox, shownId, std::move(parts), image, &added);
    if (!added || status != StatusValue(SmsStatus::New))
        return;
    // During a replay the rows are out of sight until its end, which shows the count once.
    const int unread = folders_.UpdateUnreadCounter();
    if (!inbox.InBulk()) {
        host_.EnsureVisible(Folder::Inbox, inbox.FindById(id));
        host_.UnreadChanged(unread);
    }
    host_.Sounds().Play(QStringLiteral("Notification.SMS"));
    host_.Notify(host_.Caption(), QStringLiteral("You have a new SMS message"));
}

void IncomingMessages::HandleStoredTemplate(const DATABASE_TEMPLATE_DATA& record)
{
    host_.WriteLog(QStringLiteral("Template -> Storage ID = %1").arg(record.ID));
    FolderModel& templates = folders_.Model(Folder::Templates);
    const auto id = static_cast<std::int32_t>(record.ID);
    if (templates.FindById(id))
        return;
    auto data = std::make_unique<SmsData>();
    data->AddUnit(id, record.Number, 0, 0, 0, QString(), QString(), QString(), record.Text);
    data->Ids = QString::number(record.ID);
    NameAndCaption(*data);
    const QString caption = settings_.ShowSmsID ? data->Ids : QString();
    templates.Add(std::move(data), ImageTemplate, caption, false);
}

bool IncomingMessages::AddTemplate(const QString& number, const QString& text)
{
    std::int64_t id = 0;
    if (!database_.InsertTemplate(number, text, &id))
        return false;
    auto data = std::make_unique<SmsData>();
    data->AddUnit(static_cast<std::int32_t>(id), number, 0, 0, 0, QString(), QString(), QString(), text);
    data->Ids = QString::number(id);
    NameAndCaption(*data);
    const QString caption = settings_.ShowSmsID ? data->Ids : QString();
    folders_.Model(Folder::Templates).Add(std::move(data), ImageTemplate, caption, false);
    return true;
}

void IncomingMessages::HandleLoadProgress(std::uintptr_t phase)
{
    if (phase == DATABASE_LOAD_BEGIN) {
        delivery_.Load(); // before the Sent rows come back
        folders_.BeginBulk();
        if (settings_.ShowProgressBar)
            host_.ShowProgress(true);
        return;
    }
    if (phase != DATABASE_LOAD_END)
        return;
    folders_.EndBulk();
    host_.UnreadChanged(folders_.UpdateUnreadCounter());
    if (settings_.ShowProgressBar)
        host_.ShowProgress(false);
    if (settings_.ReceiveTimerEnabled) {
        receiveTimer_.setInterval(settings_.ReceiveTimerIntervalMs());
        receiveTimer_.start();
        host_.WriteLog(QStringLiteral("SMS -> Receive Timer -> Start"));
    }
}

void IncomingMessages::SetReceiveTimer(bool enabled)
{
    settings_.ReceiveTimerEnabled = enabled;
    if (enabled != receiveTimer_.isActive()) {
        if (enabled) {
            receiveTimer_.setInterval(settings_.ReceiveTimerIntervalMs());
            host_.WriteLog(QStringLiteral("SMS -> Receive Timer -> Start"));
        } else {
            host_.WriteLog(QStringLiteral("SMS -> Receive Timer -> Stop"));
        }
    }
    if (enabled)
        receiveTimer_.start();
    else
        receiveTimer_.stop();
}

void IncomingMessages::ReceiveTimerTimer()
{
    if (sendTimerActive_ && sendTimerActive_())
        return;
    ReadDevice();
}

void IncomingMessages::HandleSmsStatus()
{
    device_.SmsRead(0);
}

void IncomingMessages::ReadDevice()
{
    if (device_.GetState() == 3)
        device_.SmsRead(0);
}

bool IncomingMessages::MarkRead(SmsData* data)
{
    FolderModel& inbox = folders_.Model(Folder::Inbox);
    if (!data || inbox.Image(data) != ImageUnread)
        return false;
    // Only stored parts have a row; a device index or a shown-only ID names none, or another's.
    for (const SmsUnit& unit : data->Units)
        if (unit.Place == SmsPlace::Stored)
            database_.UpdateMessageStatus(unit.Id, StatusValue(SmsStatus::Read));
    inbox.SetImage(data, ImageRead);
    host_.UnreadChanged(folders_.UpdateUnreadCounter());
    return true;
}
