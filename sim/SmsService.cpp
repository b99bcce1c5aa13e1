// SMS service: configuration, storage, sending through the simulated SMS centre.
#include "ModemCore.h"

#include "SmsPdu.h"

namespace sim {

namespace {

enum Cid : uint32_t { Configuration = 1, Read = 2, Send = 3, Delete = 4, MessageStoreStatus = 5 };
enum Flag : uint32_t { FlagAll = 0, FlagIndex = 1, FlagNew = 2, FlagOld = 3, FlagSent = 4, FlagDraft = 5 };
enum StoreFlag : uint32_t { StoreFull = 1, StoreNewMessage = 2 };
constexpr uint32_t FormatPdu = 0;

bool matches(uint32_t flag, uint32_t status)
{
    switch (flag) {
    case FlagNew: return status == SmsNew;
    case FlagOld: return status == SmsOld;
    case FlagSent: return status == SmsSent;
    case FlagDraft: return status == SmsDraft;
    default: return true;
    }
}

// The own number written in another form (national, without '+') still reaches us.
bool sameNumber(const gsm::Address& a, const gsm::Address& b)
{
    if (a.digits.empty() || b.digits.empty())
        return false;
    if (a.digits == b.digits)
        return true;
    const std::string& longer = a.digits.size() > b.digits.size() ? a.digits : b.digits;
    const std::string& shorter = a.digits.size() > b.digits.size() ? b.digits : a.digits;
    return shorter.size() >= 7 && longer.compare(longer.size() - shorter.size(), shorter.size(), shorter) == 0;
}

} // namespace

Bytes ModemCore::smsConfiguration() const
{
    Writer w;
    w.u32(sim_.locked ? 0 : 1);
    w.u32(FormatPdu);
    w.u32(sim_.smsCapacity);
    w.u32(0);
    w.string(utf16(sim_.serviceCentre));
    return w.finish();
}

Bytes ModemCore::smsRecords(const std::vector<std::pair<uint32_t, StoredSms>>& messages) const
{
    Writer w;
    w.u32(FormatPdu);
    w.u32(uint32_t(messages.size()));
    std::vector<Bytes> items;
    for (const auto& [index, message] : messages) {
        Writer e;
        e.u32(index);
        e.u32(message.status);
        e.ref(message.pdu);
        items.push_back(e.finish());
    }
    w.refList(items);
    return w.finish();
}

Bytes ModemCore::storeStatus(uint32_t flag, uint32_t index) const
{
    Writer w;
    w.u32(flag);
    w.u32(index);
    return w.finish();
}

bool ModemCore::receiveSms(const Bytes& pdu, bool class0)
{
    if (class0) {
        // Shown at once and not kept: handed over in a read indication with no index.
        indicate(mbim::Sms, Read, smsRecords({{0, StoredSms{SmsNew, pdu}}}));
        return true;
    }
    auto index = sim_.storeSms(SmsNew, pdu);
    if (!index) {
        note("SMS storage full, incoming message lost");
        indicate(mbim::Sms, MessageStoreStatus, storeStatus(StoreFull, 0));
        return false;
    }
    lastNewIndex_ = *index;
    simChanged();
    indicate(mbim::Sms, MessageStoreStatus,
             storeStatus(uint32_t(StoreNewMessage) | (sim_.smsFull() ? uint32_t(StoreFull) : 0u), *index));
    return true;
}

std::optional<ModemCore::Reply> ModemCore::sendSms(const mbim::Request& req)
{
    Reader r(req.information);
    auto format = r.u32(0);
    // The PDU record sits inline after the format; its offset counts from the record.
    auto record = r.sub(4, r.size() >= 4 ? r.size() - 4 : 0);
    auto data = record ? record->ref(0) : std::nullopt;
    if (!format || !data)
        return Reply{mbim::InvalidParameters, {}};
    if (*format != FormatPdu)
        return Reply{mbim::SmsFormatNotSupported, {}};
    std::string why;
    auto submit = pdu::parseSubmit(*data, &why);
    if (!submit) {
        note("SMS send refused: " + why);
        return Reply{mbim::InvalidParameters, {}};
    }
    if (!network_.radioOn)
        return Reply{mbim::RadioPowerOff, {}};
    if (!network_.isRegistered())
        return Reply{mbim::NotRegistered, {}};
    if (submit->smsc.digits.empty() && gsm::parseNumber(sim_.serviceCentre).digits.empty())
        return Reply{mbim::SmsUnknownSmscAddress, {}};
    if (failNextSend_) {
        uint32_t status = *failNextSend_;
        failNextSend_.reset();
        note("send failed on request with status " + std::to_string(status));
        return Reply{status, {}};
    }

    uint8_t reference = ++messageReference_;
    std::time_t submitted = wallClock();
    gsm::Address own = gsm::parseNumber(sim_.ownNumber);
    gsm::Address smsc = gsm::parseNumber(sim_.serviceCentre);
    note("SMS " + std::to_string(reference) + " to " + gsm::formatNumber(submit->destination) +
         (submit->statusReport ? " with status report" : ""));
    if (submit->statusReport) {
        gsm::Address recipient = submit->destination;
        const uint8_t status = nextReportStatus_.value_or(0x00); // 0x00: received by the recipient
        if (nextReportStatus_)
            note("status report of SMS " + std::to_string(reference) + " with status " + std::to_string(status));
        nextReportStatus_.reset();
        later(config_.statusReportDelayMs, [this, smsc, reference, recipient, submitted, status] {
            receiveSms(pdu::statusReport(smsc, reference, recipient, submitted, wallClock(), status), false);
        });
    }
    if (sameNumber(submit->destination, own)) {
        pdu::Submit copy = *submit;
        later(config_.loopbackDelayMs, [this, copy, smsc, own] {
            receiveSms(pdu::deliverFromSubmit(copy, smsc, own, wallClock()), pdu::isClass0(copy.dataCoding));
        });
    }

    if (dropNextSend_) {
        dropNextSend_ = false;
        note("send completion dropped on request");
        return std::nullopt;
    }
    Writer w;
    w.u32(reference);
    if (delayNextSendMs_) {
        const Reply reply{mbim::Success, w.finish()};
        respondLater(req, *delayNextSendMs_, [reply] { return reply; });
        delayNextSendMs_.reset();
        note("send completion delayed on request");
        return std::nullopt;
    }
    return Reply{mbim::Success, w.finish()};
}

std::optional<ModemCore::Reply> ModemCore::sms(const mbim::Request& req)
{
    const bool set = req.commandType == mbim::Set;
    Reader r(req.information);
    if (req.cid == Configuration && !set)
        return Reply{mbim::Success, smsConfiguration()};
    if (req.cid < Configuration || req.cid > MessageStoreStatus)
        return Reply{mbim::NoDeviceSupport, {}};
    if (sim_.locked)
        return Reply{mbim::NotInitialized, {}};
    switch (req.cid) {
    case Configuration: {
        auto format = r.u32(0);
        auto address = r.string(4);
        if (!format || !address)
            return Reply{mbim::InvalidParameters, {}};
        if (*format != FormatPdu)
            return Reply{mbim::SmsFormatNotSupported, {}};
        if (!address->empty()) {
            if (gsm::parseNumber(utf8(*address)).digits.empty() || address->size() > 21)
                return Reply{mbim::InvalidParameters, {}};
            sim_.serviceCentre = utf8(*address);
            simChanged();
        }
        return Reply{mbim::Success, smsConfiguration()};
    }
    case Read: {
        if (set)
            return Reply{mbim::NoDeviceSupport, {}};
        auto format = r.u32(0), flag = r.u32(4), index = r.u32(8);
        if (!format || !flag || !index || *flag > FlagDraft)
            return Reply{mbim::InvalidParameters, {}};
        if (*format != FormatPdu)
            return Reply{mbim::SmsFormatNotSupported, {}};
        std::vector<std::pair<uint32_t, StoredSms>> list;
        if (*flag == FlagIndex) {
            auto it = sim_.sms.find(*index);
            if (it == sim_.sms.end())
                return Reply{mbim::InvalidMemoryIndex, {}};
            list.emplace_back(*it);
        } else {
            for (const auto& entry : sim_.sms)
                if (matches(*flag, entry.second.status))
                    list.push_back(entry);
        }
        Reply reply{mbim::Success, smsRecords(list)};
        bool changed = false;
        for (const auto& entry : list) { // a message once read is no longer new
            auto& stored = sim_.sms[entry.first];
            if (stored.status == SmsNew) {
                stored.status = SmsOld;
                changed = true;
            }
        }
        if (changed)
            simChanged();
        return reply;
    }
    case Send:
        if (!set)
            return Reply{mbim::NoDeviceSupport, {}};
        return sendSms(req);
    case Delete: {
        if (!set)
            return Reply{mbim::NoDeviceSupport, {}};
        auto flag = r.u32(0), index = r.u32(4);
        if (!flag || !index || *flag > FlagDraft)
            return Reply{mbim::InvalidParameters, {}};
        if (*flag == FlagIndex) {
            if (!sim_.sms.erase(*index))
                return Reply{mbim::InvalidMemoryIndex, {}};
        } else {
            std::erase_if(sim_.sms, [&](const auto& entry) { return matches(*flag, entry.second.status); });
        }
        simChanged();
        return Reply{mbim::Success, {}};
    }
    case MessageStoreStatus: {
        if (set)
            return Reply{mbim::NoDeviceSupport, {}};
        bool anyNew = false;
        for (const auto& entry : sim_.sms)
            anyNew = anyNew || entry.second.status == SmsNew;
        uint32_t flag = (sim_.smsFull() ? uint32_t(StoreFull) : 0u) | (anyNew ? uint32_t(StoreNewMessage) : 0u);
        return Reply{mbim::Success, storeStatus(flag, anyNew ? lastNewIndex_ : 0)};
    }
    }
    return Reply{mbim::NoDeviceSupport, {}};
}

} // namespace sim
