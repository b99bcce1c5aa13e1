// Basic Connect service: device, SIM, PIN, providers, registration, packet service, signal.
#include "ModemCore.h"

namespace sim {

namespace {

enum Cid : uint32_t {
    DeviceCaps = 1,
    SubscriberReadyStatus = 2,
    RadioState = 3,
    Pin = 4,
    PinList = 5,
    HomeProvider = 6,
    PreferredProviders = 7,
    VisibleProviders = 8,
    RegisterStateCid = 9,
    PacketService = 10,
    SignalState = 11,
    DeviceServices = 16,
    DeviceServiceSubscribeList = 19,
};

enum PinType : uint32_t { PinNone = 0, Pin1 = 2, Puk1 = 11 };
enum PinOperation : uint32_t { PinEnter = 0, PinEnable = 1, PinDisable = 2, PinChange = 3 };

constexpr uint32_t CellularGsm = 1;

} // namespace

Bytes ModemCore::deviceCaps() const
{
    Writer w;
    w.u32(2); // removable device
    w.u32(CellularGsm);
    w.u32(1); // no voice
    w.u32(2); // removable SIM
    w.u32(Network::SupportedDataClasses | config_.moreDataClasses |
          (config_.customDataClass.empty() ? 0u : 0x80000000u));
    w.u32(0x03); // PDU receive and send
    w.u32(0x01); // manual registration
    w.u32(1);    // one data session
    w.string(utf16(config_.customDataClass));
    w.string(u"356938035643809");
    w.string(u"PLW-SIM 1.0.0");
    w.string(u"Parlowen simulated modem");
    return w.finish();
}

Bytes ModemCore::subscriberReadyStatus() const
{
    Writer w;
    bool ready = !sim_.locked;
    w.u32(ready ? 1 : 6); // initialized, or device locked
    w.string(ready ? utf16(sim_.imsi) : u"");
    w.string(utf16(sim_.iccid));
    w.u32(0);
    w.u32(ready ? 1 : 0);
    if (ready)
        w.refList({utf16le(utf16(sim_.ownNumber))});
    return w.finish();
}

Bytes ModemCore::radioState() const
{
    Writer w;
    w.u32(1); // hardware switch on
    w.u32(network_.radioOn ? 1 : 0);
    return w.finish();
}

Bytes ModemCore::pinInfo() const
{
    Writer w;
    if (sim_.blocked()) {
        w.u32(Puk1);
        w.u32(1);
        w.u32(sim_.pukAttempts);
    } else if (sim_.locked) {
        w.u32(Pin1);
        w.u32(1);
        w.u32(sim_.pinAttempts);
    } else {
        w.u32(PinNone);
        w.u32(0);
        w.u32(sim_.pinAttempts);
    }
    return w.finish();
}

Bytes ModemCore::pinList() const
{
    Writer w;
    auto desc = [&](uint32_t mode, uint32_t format, uint32_t min, uint32_t max) {
        w.u32(mode);
        w.u32(format);
        w.u32(min);
        w.u32(max);
    };
    desc(sim_.pinEnabled ? 1 : 2, 1, 4, 8); // PIN1
    desc(1, 1, 4, 8);                       // PIN2
    for (int i = 0; i < 8; ++i)
        desc(0, 0, 0, 0); // not supported
    return w.finish();
}

Bytes ModemCore::provider(const Provider& p) const
{
    Writer w;
    w.string(utf16(p.id));
    w.u32(network_.providerState(p));
    w.string(utf16(p.name));
    w.u32(CellularGsm);
    w.u32(network_.reportedRssi());
    w.u32(network_.reportedErrorRate());
    return w.finish();
}

Bytes ModemCore::providerList(const std::vector<const Provider*>& list) const
{
    Writer w;
    w.u32(uint32_t(list.size()));
    std::vector<Bytes> items;
    for (const Provider* p : list)
        items.push_back(provider(*p));
    w.refList(items);
    return w.finish();
}

Bytes ModemCore::registerStateInfo() const
{
    Writer w;
    const Provider* p = network_.registered();
    w.u32(network_.nwError);
    w.u32(network_.registerState);
    w.u32(network_.registerMode);
    w.u32(network_.availableDataClasses());
    w.u32(CellularGsm);
    w.string(p ? utf16(p->id) : u"");
    w.string(p ? utf16(p->name) : u"");
    w.string(network_.registerState == RegRoaming ? u"Roaming" : u"");
    w.u32(0x02); // packet service attaches automatically
    return w.finish();
}

Bytes ModemCore::packetService() const
{
    Writer w;
    uint32_t state = network_.packetState();
    uint32_t dataClass = state == PacketAttached ? network_.highestDataClass() : 0;
    uint64_t up = 0, down = 0;
    if (dataClass & DataLte) {
        up = 50'000'000;
        down = 150'000'000;
    } else if (dataClass & (DataHsdpa | DataHsupa)) {
        up = 5'760'000;
        down = 42'000'000;
    } else if (dataClass & DataUmts) {
        up = down = 384'000;
    } else if (dataClass & DataEdge) {
        up = down = 236'800;
    } else if (dataClass & DataGprs) {
        up = down = 85'600;
    }
    w.u32(0);
    w.u32(state);
    w.u32(dataClass);
    w.u64(up);
    w.u64(down);
    return w.finish();
}

Bytes ModemCore::signalState() const
{
    Writer w;
    w.u32(network_.reportedRssi());
    w.u32(network_.reportedErrorRate());
    w.u32(network_.signalInterval);
    w.u32(network_.rssiThreshold);
    w.u32(network_.errorRateThreshold);
    return w.finish();
}

Bytes ModemCore::deviceServices() const
{
    struct Service
    {
        const mbim::Uuid* id;
        std::vector<uint32_t> cids;
    };
    const Service services[] = {
        {&mbim::BasicConnect, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 19}},
        {&mbim::Sms, {1, 2, 3, 4, 5}},
        {&mbim::Ussd, {1}},
        {&mbim::Phonebook, {1, 2, 3, 4}},
    };
    std::vector<Bytes> items;
    for (const auto& s : services) {
        Writer e;
        e.uuid(*s.id);
        e.u32(0); // no device service stream payload
        e.u32(0);
        e.u32(uint32_t(s.cids.size()));
        for (uint32_t cid : s.cids)
            e.u32(cid);
        items.push_back(e.finish());
    }
    Writer w;
    w.u32(uint32_t(items.size()));
    w.u32(0);
    w.refList(items);
    return w.finish();
}

void ModemCore::announceNetwork()
{
    indicate(mbim::BasicConnect, RegisterStateCid, registerStateInfo());
    indicate(mbim::BasicConnect, PacketService, packetService());
    indicate(mbim::BasicConnect, SignalState, signalState());
}

std::optional<ModemCore::Reply> ModemCore::setPin(const mbim::Request& req)
{
    Reader r(req.information);
    auto type = r.u32(0), operation = r.u32(4);
    auto code = r.string(8), newCode = r.string(16);
    if (!type || !operation || !code || !newCode)
        return Reply{mbim::InvalidParameters, {}};
    std::string pin = utf8(*code), newPin = utf8(*newCode);
    auto answer = [&](uint32_t status, uint32_t pinType, bool locked, uint32_t attempts) {
        Writer w;
        w.u32(pinType);
        w.u32(locked ? 1 : 0);
        w.u32(attempts);
        return Reply{status, w.finish()};
    };
    bool wasLocked = sim_.locked;
    Reply reply;
    if (*operation == PinEnter) {
        SimCard::PinResult result;
        if (*type == Pin1)
            result = sim_.enterPin(pin);
        else if (*type == Puk1)
            result = sim_.enterPuk(pin, newPin);
        else
            return Reply{mbim::NoDeviceSupport, {}};
        switch (result) {
        case SimCard::PinResult::Accepted: reply = answer(mbim::Success, *type, false, sim_.pinAttempts); break;
        case SimCard::PinResult::NotNeeded: reply = Reply{mbim::Success, pinInfo()}; break;
        case SimCard::PinResult::BadFormat: reply = Reply{mbim::InvalidParameters, pinInfo()}; break;
        default: reply = Reply{mbim::Failure, pinInfo()}; break;
        }
    } else {
        if (*type != Pin1)
            return Reply{mbim::NoDeviceSupport, {}};
        if (sim_.locked)
            return Reply{mbim::PinRequired, pinInfo()};
        if (pin != sim_.pin) {
            if (sim_.pinAttempts > 0 && --sim_.pinAttempts == 0)
                sim_.locked = true; // blocked: only the PUK helps now
            simChanged();
            return Reply{mbim::Failure, answer(0, Pin1, sim_.locked, sim_.pinAttempts).information};
        }
        sim_.pinAttempts = 3;
        if (*operation == PinEnable) {
            sim_.pinEnabled = true;
        } else if (*operation == PinDisable) {
            sim_.pinEnabled = false;
        } else if (*operation == PinChange) {
            if (!SimCard::validPin(newPin))
                return Reply{mbim::InvalidParameters, pinInfo()};
            sim_.pin = newPin;
        } else {
            return Reply{mbim::InvalidParameters, {}};
        }
        reply = answer(mbim::Success, Pin1, false, sim_.pinAttempts);
    }
    simChanged();
    if (wasLocked && !sim_.locked) {
        if (network_.radioOn)
            network_.registerAutomatic();
        indicate(mbim::BasicConnect, SubscriberReadyStatus, subscriberReadyStatus());
        announce_ = true;
    }
    return reply;
}

std::optional<ModemCore::Reply> ModemCore::setRegisterState(const mbim::Request& req)
{
    Reader r(req.information);
    auto id = r.string(0);
    auto action = r.u32(8), dataClass = r.u32(12);
    if (!id || !action || !dataClass || *action > 1)
        return Reply{mbim::InvalidParameters, {}};
    if (!network_.radioOn)
        return Reply{mbim::RadioPowerOff, {}};
    if (sim_.locked)
        return Reply{mbim::PinRequired, {}};
    uint32_t wanted = *dataClass & Network::SupportedDataClasses;
    if (*action == 0) {
        network_.requestedDataClasses = wanted;
        network_.registerAutomatic();
    } else {
        const Provider* p = network_.find(utf8(*id));
        if (!p)
            return Reply{mbim::ProviderNotVisible, {}};
        if (wanted && !(p->dataClasses & wanted))
            return Reply{mbim::DataClassNotAvailable, {}};
        network_.registerMode = ModeManual;
        network_.requestedDataClasses = wanted;
        if (p->forbidden) {
            network_.deregister();
            network_.registerState = RegDenied;
            network_.nwError = 11; // PLMN not allowed
            announce_ = true;
            return Reply{mbim::Failure, registerStateInfo()};
        }
        network_.nwError = 0;
        network_.registeredId = p->id;
        network_.registerState = p->home ? RegHome : RegRoaming;
    }
    announce_ = true;
    return Reply{mbim::Success, registerStateInfo()};
}

std::optional<ModemCore::Reply> ModemCore::basicConnect(const mbim::Request& req)
{
    const bool set = req.commandType == mbim::Set;
    Reader r(req.information);
    auto ok = [](Bytes info) { return Reply{mbim::Success, std::move(info)}; };
    switch (req.cid) {
    case DeviceCaps: return set ? Reply{mbim::NoDeviceSupport, {}} : ok(deviceCaps());
    case SubscriberReadyStatus: return set ? Reply{mbim::NoDeviceSupport, {}} : ok(subscriberReadyStatus());
    case RadioState:
        if (set) {
            auto state = r.u32(0);
            if (!state || *state > 1)
                return Reply{mbim::InvalidParameters, {}};
            if (bool(*state) != network_.radioOn) {
                network_.radioOn = *state;
                if (!network_.radioOn)
                    network_.deregister();
                else if (!sim_.locked)
                    network_.registerAutomatic();
                indicate(mbim::BasicConnect, RadioState, radioState());
                announce_ = true;
            }
        }
        return ok(radioState());
    case Pin: return set ? setPin(req) : ok(pinInfo());
    case PinList: return set ? Reply{mbim::NoDeviceSupport, {}} : ok(pinList());
    case HomeProvider:
        if (set)
            return Reply{mbim::NoDeviceSupport, {}};
        if (sim_.locked)
            return Reply{mbim::PinRequired, {}};
        return ok(provider(*network_.home()));
    case PreferredProviders: {
        if (sim_.locked)
            return Reply{mbim::PinRequired, {}};
        if (set) {
            auto count = r.u32(0);
            if (!count || *count > 64)
                return Reply{mbim::InvalidParameters, {}};
            std::vector<std::string> ids;
            for (uint32_t i = 0; i < *count; ++i) {
                auto item = r.ref(4 + 8 * i);
                auto id = item ? Reader(*item).string(0) : std::nullopt;
                if (!id || id->empty())
                    return Reply{mbim::InvalidParameters, {}};
                ids.push_back(utf8(*id));
            }
            network_.preferred = ids;
        }
        std::vector<const Provider*> list;
        for (const auto& id : network_.preferred)
            if (const Provider* p = network_.find(id))
                list.push_back(p);
        return ok(providerList(list));
    }
    case VisibleProviders: {
        if (set)
            return Reply{mbim::NoDeviceSupport, {}};
        if (!network_.radioOn)
            return Reply{mbim::RadioPowerOff, {}};
        auto build = [this] {
            std::vector<const Provider*> list;
            for (const auto& p : network_.providers)
                list.push_back(&p);
            return Reply{mbim::Success, providerList(list)};
        };
        if (r.u32(0).value_or(0) == 1) // restricted scan: what the modem already knows
            return build();
        respondLater(req, config_.scanDelayMs + replyDelayMs_, build);
        return std::nullopt;
    }
    case RegisterStateCid: return set ? setRegisterState(req) : ok(registerStateInfo());
    case PacketService:
        if (set) {
            auto action = r.u32(0);
            if (!action || *action > 1)
                return Reply{mbim::InvalidParameters, {}};
            if (*action == 0 && !network_.isRegistered())
                return Reply{network_.radioOn ? mbim::NotRegistered : mbim::RadioPowerOff, {}};
            network_.packetWanted = *action == 0;
            announce_ = true;
        }
        return ok(packetService());
    case SignalState:
        if (set) {
            auto interval = r.u32(0), rssi = r.u32(4), error = r.u32(8);
            if (!interval || !rssi || !error)
                return Reply{mbim::InvalidParameters, {}};
            network_.signalInterval = *interval;
            network_.rssiThreshold = *rssi;
            network_.errorRateThreshold = *error;
        }
        return ok(signalState());
    case DeviceServices: return set ? Reply{mbim::NoDeviceSupport, {}} : ok(deviceServices());
    case DeviceServiceSubscribeList: {
        if (!set)
            return Reply{mbim::NoDeviceSupport, {}};
        auto count = r.u32(0);
        if (!count || *count > 64)
            return Reply{mbim::InvalidParameters, {}};
        std::map<mbim::Uuid, std::set<uint32_t>> subscriptions;
        for (uint32_t i = 0; i < *count; ++i) {
            auto item = r.ref(4 + 8 * i);
            if (!item)
                return Reply{mbim::InvalidParameters, {}};
            Reader e(*item);
            auto id = e.bytes(0, 16);
            auto cids = e.u32(16);
            if (!id || !cids || *cids > 256)
                return Reply{mbim::InvalidParameters, {}};
            mbim::Uuid uuid;
            std::copy(id->begin(), id->end(), uuid.begin());
            auto& set = subscriptions[uuid];
            for (uint32_t k = 0; k < *cids; ++k) {
                auto cid = e.u32(20 + 4 * k);
                if (!cid)
                    return Reply{mbim::InvalidParameters, {}};
                set.insert(*cid);
            }
        }
        subscriptions_ = std::move(subscriptions);
        return ok(req.information);
    }
    default: return Reply{mbim::NoDeviceSupport, {}};
    }
}

} // namespace sim
