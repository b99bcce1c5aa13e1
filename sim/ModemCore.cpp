#include "ModemCore.h"

#include "SmsPdu.h"

#include <algorithm>
#include <sstream>

namespace sim {

// A fragmented command whose next fragment does not come within this time is dropped.
constexpr int64_t FragmentTimeoutMs = 1250;

ModemCore::ModemCore(const ModemConfig& config) : config_(config)
{
    if (config_.simLocked)
        sim_.pinEnabled = true;
    powerOn();

    if (!config_.demoContents)
        return;
    std::time_t t = wallClock() - 3 * 86400;
    auto smsc = gsm::parseNumber(sim_.serviceCentre);
    auto store = [&](const std::string& from, const std::u16string& text, uint32_t status, bool ucs2) {
        pdu::DeliverOptions options;
        options.ucs2 = ucs2;
        options.reference = ++concatReference_;
        for (const auto& part : pdu::deliver(smsc, gsm::parseNumber(from), text, options, t))
            sim_.storeSms(status, part);
        t += 3600;
    };
    store("+15550100777", u"Welcome to Simnet! Your number is " + utf16(sim_.ownNumber) + u".", SmsOld, false);
    store("+15550100555",
          u"Hi! The meeting moved to Thursday at 10:00 in room 4. Please bring the printed agenda, "
          u"the budget figures for the third quarter and your laptop; we will go through the slides "
          u"together before lunch. Call me if anything is unclear.",
          SmsNew, false);
    store("+79001234567", u"Привет! Как дела? Увидимся завтра.", SmsNew, true);
    sim_.phonebook = {
        {1, {u"Alice", "+15550100201"}}, {2, {u"Bob", "+15550100202"}},    {3, {u"Mama", "+79001234567"}},
        {4, {u"Voicemail", "121"}},      {5, {u"Office", "+15550100555"}},
    };
}

void ModemCore::note(const std::string& line)
{
    if (log)
        log(line);
}

void ModemCore::simChanged()
{
    if (onSimChanged)
        onSimChanged();
}

uint32_t ModemCore::fragmentSize() const
{
    return std::min(hostMaxTransfer_, config_.maxTransfer);
}

void ModemCore::receive(std::span<const uint8_t> bytes)
{
    for (const auto& event : deframer_.feed(bytes))
        handle(event);
    partialSince_ = deframer_.hasPartial() ? (partialSince_ < 0 ? now_ : partialSince_) : -1;
}

std::vector<Bytes> ModemCore::takeOutput()
{
    std::vector<Bytes> out;
    out.swap(output_);
    return out;
}

void ModemCore::send(const Bytes& message)
{
    output_.push_back(message);
}

void ModemCore::send(const std::vector<Bytes>& fragments)
{
    output_.insert(output_.end(), fragments.begin(), fragments.end());
}

void ModemCore::later(uint32_t delayMs, std::function<void()> action)
{
    timers_.emplace(now_ + delayMs, std::move(action));
}

void ModemCore::advance(int64_t nowMs)
{
    if (nowMs > now_)
        now_ = nowMs;
    while (!timers_.empty() && timers_.begin()->first <= now_) {
        auto action = std::move(timers_.begin()->second);
        timers_.erase(timers_.begin());
        action();
    }
    if (partialSince_ >= 0 && now_ - partialSince_ >= FragmentTimeoutMs) {
        if (auto tid = deframer_.expirePartial())
            send(mbim::functionError(*tid, mbim::TimeoutFragment));
        partialSince_ = -1;
    }
}

std::optional<int64_t> ModemCore::nextDeadline() const
{
    std::optional<int64_t> next;
    if (!timers_.empty())
        next = timers_.begin()->first;
    if (partialSince_ >= 0 && (!next || partialSince_ + FragmentTimeoutMs < *next))
        next = partialSince_ + FragmentTimeoutMs;
    return next;
}

void ModemCore::hostGone()
{
    open_ = false;
    ++epoch_;
    deframer_.reset();
    partialSince_ = -1;
    output_.clear();
    ussd_.cancel();
    ussdPending_ = false;
    lastReplyDue_ = 0; // the replies still due went with the host
}

void ModemCore::powerOn()
{
    sim_.locked = sim_.pinEnabled;
    if (sim_.locked || !network_.radioOn)
        network_.deregister();
    else
        network_.registerAutomatic();
}

void ModemCore::handle(const mbim::Event& event)
{
    const auto& req = event.request;
    if (event.kind == mbim::Event::Error) {
        note("protocol error " + std::to_string(event.error) + " for transaction " + std::to_string(req.transactionId));
        send(mbim::functionError(req.transactionId, event.error));
        return;
    }
    switch (req.type) {
    case mbim::Open:
        output_.clear();
        if (onOpen)
            onOpen();
        open_ = true;
        ++epoch_;
        hostMaxTransfer_ = std::max<uint32_t>(req.maxControlTransfer, 64);
        ussd_.cancel();
        ussdPending_ = false;
        note("open, max control transfer " + std::to_string(req.maxControlTransfer));
        send(mbim::openDone(req.transactionId, mbim::Success));
        break;
    case mbim::Close:
        note("close");
        send(mbim::closeDone(req.transactionId, mbim::Success));
        open_ = false;
        ++epoch_;
        ussd_.cancel();
        ussdPending_ = false;
        break;
    case mbim::HostError: note("host reported error " + std::to_string(req.errorStatus)); break;
    case mbim::Command:
        if (!open_) {
            send(mbim::functionError(req.transactionId, mbim::NotOpened));
            break;
        }
        command(req);
        break;
    }
}

void ModemCore::command(const mbim::Request& req)
{
    note(std::string(req.commandType == mbim::Set ? "set " : "query ") + mbim::serviceName(req.service) + " cid " +
         std::to_string(req.cid));
    std::optional<Reply> reply;
    if (req.service == mbim::BasicConnect)
        reply = basicConnect(req);
    else if (req.service == mbim::Sms)
        reply = sms(req);
    else if (req.service == mbim::Ussd)
        reply = ussd(req);
    else if (req.service == mbim::Phonebook)
        reply = phonebook(req);
    else
        reply = Reply{mbim::NoDeviceSupport, {}};
    if (reply)
        respond(req, *reply);
    if (announce_) {
        announce_ = false;
        announceNetwork();
    }
}

Bytes ModemCore::damaged(const mbim::Uuid& service, uint32_t cid, Bytes information)
{
    auto it = damage_.find({service, cid});
    if (it == damage_.end())
        return information;
    const Damage damage = it->second;
    damage_.erase(it);
    if (damage.keep < information.size())
        information.resize(damage.keep);
    if (damage.offsetAt && *damage.offsetAt + 4 <= information.size()) {
        const uint32_t past = uint32_t(information.size()) + 64;
        for (int i = 0; i < 4; ++i)
            information[*damage.offsetAt + i] = uint8_t(past >> (8 * i));
    }
    note("damaged reply or indication of " + std::string(mbim::serviceName(service)) + " cid " + std::to_string(cid));
    return information;
}

void ModemCore::respond(const mbim::Request& req, const Reply& reply)
{
    // A device answers in the order it was asked: a reply that was computed earlier never comes after
    // a later one, also when the delay has just been shortened.
    if (replyDelayMs_ == 0 && lastReplyDue_ <= now_) {
        send(mbim::commandDone(req.transactionId, req.service, req.cid, reply.status,
                               damaged(req.service, req.cid, reply.information), fragmentSize()));
        return;
    }
    lastReplyDue_ = std::max(lastReplyDue_, now_ + int64_t(replyDelayMs_));
    respondLater(req, uint32_t(lastReplyDue_ - now_), [reply] { return reply; });
}

void ModemCore::respondLater(const mbim::Request& req, uint32_t delayMs, std::function<Reply()> make)
{
    uint64_t epoch = epoch_;
    uint32_t tid = req.transactionId;
    auto service = req.service;
    uint32_t cid = req.cid;
    later(delayMs, [this, epoch, tid, service, cid, make] {
        if (epoch != epoch_)
            return; // the host closed the session meanwhile
        Reply reply = make();
        send(mbim::commandDone(tid, service, cid, reply.status, damaged(service, cid, reply.information),
                               fragmentSize()));
    });
}

void ModemCore::indicate(const mbim::Uuid& service, uint32_t cid, const Bytes& information)
{
    if (!open_)
        return;
    if (!subscriptions_.empty()) {
        auto it = subscriptions_.find(service);
        if (it == subscriptions_.end() || (!it->second.empty() && !it->second.count(cid)))
            return;
    }
    send(mbim::indicateStatus(0, service, cid, damaged(service, cid, information), fragmentSize()));
}

size_t ModemCore::deliverSms(const DeliverRequest& request)
{
    pdu::DeliverOptions options;
    options.ucs2 = request.ucs2;
    options.class0 = request.class0;
    options.reference = ++concatReference_;
    auto parts = pdu::deliver(gsm::parseNumber(sim_.serviceCentre), gsm::parseNumber(request.sender), request.text,
                              options, wallClock());
    std::vector<size_t> order;
    for (uint32_t n : request.order)
        if (n >= 1 && n <= parts.size())
            order.push_back(n - 1);
    for (size_t i = 0; i < parts.size(); ++i)
        if (std::find(order.begin(), order.end(), i) == order.end())
            order.push_back(i);
    size_t delivered = 0;
    for (size_t i : order)
        delivered += receiveSms(parts[i], request.class0) ? 1 : 0;
    return delivered;
}

bool ModemCore::deliverStatusReport(const std::string& recipient, uint8_t reference, uint8_t status)
{
    const std::time_t now = wallClock();
    return receiveSms(pdu::statusReport(gsm::parseNumber(sim_.serviceCentre), reference, gsm::parseNumber(recipient),
                                        now, now, status),
                      false);
}

void ModemCore::setSignal(uint32_t rssi, uint32_t errorRate)
{
    network_.rssi = rssi > 31 ? 99 : rssi; // 99 is "unknown", not a strength
    network_.errorRate = errorRate > 7 ? 99 : errorRate;
    indicate(mbim::BasicConnect, 11, signalState());
}

void ModemCore::setRadio(bool on)
{
    network_.radioOn = on;
    if (!on)
        network_.deregister();
    else if (!sim_.locked)
        network_.registerAutomatic();
    indicate(mbim::BasicConnect, 3, radioState());
    announceNetwork();
}

void ModemCore::setRegistration(uint32_t state, const std::string& providerId)
{
    network_.registerState = state;
    // Without an ID, home and roaming name their provider; other states keep the one there is.
    const Provider* implied = state == RegHome ? network_.home() : state == RegRoaming ? network_.roaming() : nullptr;
    if (!providerId.empty())
        network_.registeredId = providerId;
    else if (implied)
        network_.registeredId = implied->id;
    else if (network_.isRegistered() && network_.registeredId.empty() && network_.home())
        network_.registeredId = network_.home()->id;
    network_.nwError = state == RegDenied ? 11 : 0;
    announceNetwork();
}

void ModemCore::setDataClass(uint32_t dataClass)
{
    network_.currentDataClass = dataClass;
    announceNetwork();
}

void ModemCore::setServiceCentre(const std::string& address)
{
    sim_.serviceCentre = address;
    simChanged();
    indicate(mbim::Sms, 1, smsConfiguration());
}

std::string ModemCore::describeStorage() const
{
    static const char* Status[] = {"new", "old", "draft", "sent"};
    std::ostringstream out;
    out << "SMS storage " << sim_.sms.size() << "/" << sim_.smsCapacity << ", service centre " << sim_.serviceCentre
        << "\n";
    for (const auto& [index, message] : sim_.sms)
        out << "  " << index << " " << (message.status < 4 ? Status[message.status] : "?") << " "
            << pdu::hex(message.pdu) << "\n";
    out << "Phonebook " << sim_.phonebook.size() << "/" << sim_.phonebookCapacity << "\n";
    for (const auto& [index, entry] : sim_.phonebook)
        out << "  " << index << " " << utf8(entry.name) << " " << entry.number << "\n";
    out << "PIN " << (sim_.pinEnabled ? "enabled" : "disabled") << ", " << (sim_.locked ? "locked" : "unlocked") << ", "
        << sim_.pinAttempts << " attempts left\n";
    return out.str();
}

} // namespace sim
