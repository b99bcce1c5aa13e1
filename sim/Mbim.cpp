#include "Mbim.h"

#include <algorithm>
#include <cstdio>

namespace sim::mbim {

const Uuid BasicConnect = {0xa2, 0x89, 0xcc, 0x33, 0xbc, 0xbb, 0x8b, 0x4f,
                           0xb6, 0xb0, 0x13, 0x3e, 0xc2, 0xaa, 0xe6, 0xdf};
const Uuid Sms = {0x53, 0x3f, 0xbe, 0xeb, 0x14, 0xfe, 0x44, 0x67, 0x9f, 0x90, 0x33, 0xa2, 0x23, 0xe5, 0x6c, 0x3f};
const Uuid Ussd = {0xe5, 0x50, 0xa0, 0xc8, 0x5e, 0x82, 0x47, 0x9e, 0x82, 0xf7, 0x10, 0xab, 0xf4, 0xc3, 0x35, 0x1f};
const Uuid Phonebook = {0x4b, 0xf3, 0x84, 0x76, 0x1e, 0x6a, 0x41, 0xdb, 0xb1, 0xd8, 0xbe, 0xd2, 0x89, 0xc2, 0x5b, 0xdb};

std::vector<Event> Deframer::feed(std::span<const uint8_t> data)
{
    std::vector<Event> events;
    buffer_.insert(buffer_.end(), data.begin(), data.end());
    size_t pos = 0;
    while (buffer_.size() - pos >= HeaderSize) {
        uint32_t length = getU32(buffer_.data() + pos + 4);
        if (length < HeaderSize || length > MaxMessage) {
            // The stream lost its framing: nothing after this point can be trusted.
            Event e;
            e.kind = Event::Error;
            e.request.transactionId = getU32(buffer_.data() + pos + 8);
            e.error = LengthMismatch;
            events.push_back(e);
            pos = buffer_.size();
            break;
        }
        if (buffer_.size() - pos < length)
            break;
        take(std::span<const uint8_t>(buffer_.data() + pos, length), events);
        pos += length;
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + pos);
    return events;
}

void Deframer::reset()
{
    buffer_.clear();
    partial_ = Partial();
}

std::optional<uint32_t> Deframer::expirePartial()
{
    if (!partial_.active)
        return std::nullopt;
    uint32_t tid = partial_.transactionId;
    partial_ = Partial();
    return tid;
}

void Deframer::take(std::span<const uint8_t> message, std::vector<Event>& events)
{
    Reader r(message);
    uint32_t type = *r.u32(0);
    uint32_t tid = *r.u32(8);
    Event e;
    e.request.type = type;
    e.request.transactionId = tid;
    auto fail = [&](uint32_t error) {
        e.kind = Event::Error;
        e.error = error;
        events.push_back(e);
    };
    switch (type) {
    case Open:
        if (auto max = r.u32(12)) {
            e.request.maxControlTransfer = *max;
            events.push_back(e);
        } else {
            fail(LengthMismatch);
        }
        return;
    case Close: events.push_back(e); return;
    case HostError:
        e.request.errorStatus = r.u32(12).value_or(0);
        events.push_back(e);
        return;
    case Command: takeCommand(message, tid, events); return;
    default: fail(UnknownError); return;
    }
}

void Deframer::takeCommand(std::span<const uint8_t> message, uint32_t tid, std::vector<Event>& events)
{
    Reader r(message);
    auto fail = [&](uint32_t error) {
        Event e;
        e.kind = Event::Error;
        e.request.type = Command;
        e.request.transactionId = tid;
        e.error = error;
        events.push_back(e);
    };
    auto total = r.u32(12), current = r.u32(16);
    if (!total || !current || *total == 0 || *current >= *total) {
        fail(LengthMismatch);
        return;
    }
    if (*current == 0) {
        if (partial_.active) {
            // A new command interrupts a fragmented one: the old one is lost.
            Event lost;
            lost.kind = Event::Error;
            lost.request.transactionId = partial_.transactionId;
            lost.error = FragmentOutOfSequence;
            events.push_back(lost);
            partial_ = Partial();
        }
        if (message.size() < CommandHeaderSize) {
            fail(LengthMismatch);
            return;
        }
        Request req;
        req.type = Command;
        req.transactionId = tid;
        std::copy_n(message.begin() + 20, 16, req.service.begin());
        req.cid = *r.u32(36);
        req.commandType = *r.u32(40);
        uint32_t declared = *r.u32(44);
        auto chunk = message.subspan(CommandHeaderSize);
        if (declared > MaxInformation || chunk.size() > declared) {
            fail(LengthMismatch);
            return;
        }
        req.information.assign(chunk.begin(), chunk.end());
        if (*total == 1) {
            if (req.information.size() != declared) {
                fail(LengthMismatch);
                return;
            }
            Event e;
            e.request = std::move(req);
            events.push_back(std::move(e));
            return;
        }
        partial_.active = true;
        partial_.transactionId = tid;
        partial_.total = *total;
        partial_.next = 1;
        partial_.expected = declared;
        partial_.request = std::move(req);
        return;
    }
    if (!partial_.active || partial_.transactionId != tid || partial_.next != *current || partial_.total != *total) {
        if (partial_.active && partial_.transactionId != tid) {
            Event lost;
            lost.kind = Event::Error;
            lost.request.transactionId = partial_.transactionId;
            lost.error = FragmentOutOfSequence;
            events.push_back(lost);
        }
        partial_ = Partial();
        fail(FragmentOutOfSequence);
        return;
    }
    auto chunk = message.subspan(HeaderSize + FragmentHeaderSize);
    auto& info = partial_.request.information;
    if (info.size() + chunk.size() > partial_.expected) {
        partial_ = Partial();
        fail(LengthMismatch);
        return;
    }
    info.insert(info.end(), chunk.begin(), chunk.end());
    ++partial_.next;
    if (partial_.next < partial_.total)
        return;
    bool complete = info.size() == partial_.expected;
    Event e;
    e.request = std::move(partial_.request);
    partial_ = Partial();
    if (!complete) {
        fail(LengthMismatch);
        return;
    }
    events.push_back(std::move(e));
}

static Bytes header(uint32_t type, uint32_t length, uint32_t tid)
{
    Bytes out;
    putU32(out, type);
    putU32(out, length);
    putU32(out, tid);
    return out;
}

Bytes openDone(uint32_t tid, uint32_t status)
{
    Bytes out = header(OpenDone, 16, tid);
    putU32(out, status);
    return out;
}

Bytes closeDone(uint32_t tid, uint32_t status)
{
    Bytes out = header(CloseDone, 16, tid);
    putU32(out, status);
    return out;
}

Bytes functionError(uint32_t tid, uint32_t error)
{
    Bytes out = header(FunctionError, 16, tid);
    putU32(out, error);
    return out;
}

// Splits the body after the fragment header into fragments of at most maxTransfer bytes.
static std::vector<Bytes> fragment(uint32_t type, uint32_t tid, const Bytes& body, uint32_t maxTransfer)
{
    const uint32_t overhead = HeaderSize + FragmentHeaderSize;
    uint32_t room = maxTransfer > overhead + 32 ? maxTransfer - overhead : 32;
    size_t count = body.empty() ? 1 : (body.size() + room - 1) / room;
    std::vector<Bytes> out;
    for (size_t i = 0; i < count; ++i) {
        size_t begin = i * room;
        size_t end = std::min(body.size(), begin + room);
        Bytes f = header(type, uint32_t(overhead + end - begin), tid);
        putU32(f, uint32_t(count));
        putU32(f, uint32_t(i));
        f.insert(f.end(), body.begin() + begin, body.begin() + end);
        out.push_back(std::move(f));
    }
    return out;
}

std::vector<Bytes> commandDone(uint32_t tid, const Uuid& service, uint32_t cid, uint32_t status,
                               std::span<const uint8_t> information, uint32_t maxTransfer)
{
    Bytes body(service.begin(), service.end());
    putU32(body, cid);
    putU32(body, status);
    putU32(body, uint32_t(information.size()));
    body.insert(body.end(), information.begin(), information.end());
    return fragment(CommandDone, tid, body, maxTransfer);
}

std::vector<Bytes> indicateStatus(uint32_t tid, const Uuid& service, uint32_t cid, std::span<const uint8_t> information,
                                  uint32_t maxTransfer)
{
    Bytes body(service.begin(), service.end());
    putU32(body, cid);
    putU32(body, uint32_t(information.size()));
    body.insert(body.end(), information.begin(), information.end());
    return fragment(IndicateStatus, tid, body, maxTransfer);
}

std::string uuidText(const Uuid& id)
{
    char text[37];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", id[0],
                  id[1], id[2], id[3], id[4], id[5], id[6], id[7], id[8], id[9], id[10], id[11], id[12], id[13], id[14],
                  id[15]);
    return text;
}

std::string serviceName(const Uuid& id)
{
    if (id == BasicConnect)
        return "basic-connect";
    if (id == Sms)
        return "sms";
    if (id == Ussd)
        return "ussd";
    if (id == Phonebook)
        return "phonebook";
    return uuidText(id);
}

} // namespace sim::mbim
