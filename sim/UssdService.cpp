// USSD service: carries requests to the network's USSD menu and its answers back.
#include "ModemCore.h"

#include "Gsm.h"

namespace sim {

namespace {

enum Action : uint32_t { Initiate = 0, Continue = 1, Cancel = 2 };
enum SessionState : uint32_t { NewSession = 0, ExistingSession = 1 };
constexpr uint32_t DcsGsm = 0x0F;
constexpr uint32_t DcsUcs2 = 0x48;

// Text of a USSD string by its cell broadcast data coding scheme.
std::u16string decode(uint32_t dcs, std::span<const uint8_t> payload)
{
    enum { Gsm, Octets, Ucs2 } alphabet = Gsm;
    uint32_t group = (dcs >> 4) & 0x0F;
    if (dcs == 0x11)
        alphabet = Ucs2;
    else if (group >= 4 && group <= 7)
        alphabet = ((dcs >> 2) & 3) == 2 ? Ucs2 : ((dcs >> 2) & 3) == 1 ? Octets : Gsm;
    else if (group == 0x0F)
        alphabet = (dcs & 0x04) ? Octets : Gsm;
    if (alphabet == Ucs2)
        return gsm::fromUcs2(payload);
    if (alphabet == Octets)
        return std::u16string(payload.begin(), payload.end());
    return gsm::fromSeptets(gsm::unpackUssd(payload));
}

} // namespace

ModemCore::Reply ModemCore::ussdReply(const UssdAnswer& answer, bool newSession) const
{
    Bytes payload;
    uint32_t dcs = DcsGsm;
    auto septets = answer.ucs2 ? std::nullopt : gsm::toSeptets(answer.text);
    if (septets) {
        payload = gsm::packUssd(*septets);
    } else {
        dcs = DcsUcs2;
        payload = gsm::ucs2(answer.text);
    }
    Writer w;
    w.u32(answer.response);
    w.u32(newSession ? NewSession : ExistingSession);
    w.u32(dcs);
    w.ref(payload);
    return Reply{mbim::Success, w.finish()};
}

std::optional<ModemCore::Reply> ModemCore::ussd(const mbim::Request& req)
{
    if (req.cid != 1 || req.commandType != mbim::Set)
        return Reply{mbim::NoDeviceSupport, {}};
    Reader r(req.information);
    auto action = r.u32(0), dcs = r.u32(4);
    auto payload = r.ref(8);
    if (!action || !dcs || !payload || *action > Cancel || payload->size() > 160)
        return Reply{mbim::InvalidParameters, {}};
    if (!network_.radioOn)
        return Reply{mbim::RadioPowerOff, {}};
    if (!network_.isRegistered())
        return Reply{mbim::NotRegistered, {}};

    std::u16string text = decode(*dcs, *payload);
    UssdAnswer answer;
    bool newSession = false;
    switch (*action) {
    case Initiate:
        if (ussdPending_) {
            // The network still owes an answer to an earlier request.
            answer.response = UssdOtherLocalClient;
            return ussdReply(answer, false);
        }
        if (ussd_.waiting()) {
            // A menu waits for its user's answer, perhaps another client's. A second dialogue
            // beside it is refused as a command status, not as a reply: MBIM_STATUS_BUSY is the
            // USSD command's "cannot take this now", so the host's request fails outright. The
            // menu stays open; only an answer or a cancel reaches it.
            note("USSD request " + utf8(text) + " refused: a dialogue waits for an answer");
            return Reply{mbim::Busy, {}};
        }
        note("USSD request " + utf8(text));
        answer = ussd_.initiate(text);
        newSession = true;
        break;
    case Continue:
        if (ussdPending_) {
            answer.response = UssdOtherLocalClient;
            return ussdReply(answer, false);
        }
        note("USSD answer " + utf8(text));
        answer = ussd_.answer(text);
        break;
    default:
        ussd_.cancel();
        ussdPending_ = false;
        ++ussdEpoch_;
        answer.response = UssdTerminated;
        return ussdReply(answer, false);
    }
    switch (answer.timing) {
    case UssdAnswer::Now: return ussdReply(answer, newSession);
    case UssdAnswer::Delayed: {
        ussdPending_ = true;
        uint64_t epoch = ussdEpoch_;
        respondLater(req, answer.delayMs + replyDelayMs_, [this, answer, newSession, epoch] {
            if (epoch == ussdEpoch_)
                ussdPending_ = false;
            return ussdReply(answer, newSession);
        });
        return std::nullopt;
    }
    case UssdAnswer::Never: ussdPending_ = true; return std::nullopt;
    }
    return std::nullopt;
}

} // namespace sim
