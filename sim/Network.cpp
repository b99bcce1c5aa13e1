#include "Network.h"

namespace sim {

Network::Network()
{
    providers = {
        {"00101", "Simnet", true, false, SupportedDataClasses},
        {"00102", "Parlo Mobile", false, false, DataGprs | DataEdge | DataUmts | DataHsdpa},
        {"00103", "Closed Cell", false, true, DataGprs | DataEdge},
    };
    preferred = {"00101", "00102"};
}

const Provider* Network::find(const std::string& id) const
{
    for (const auto& p : providers)
        if (p.id == id)
            return &p;
    return nullptr;
}

const Provider* Network::home() const
{
    for (const auto& p : providers)
        if (p.home)
            return &p;
    return providers.empty() ? nullptr : &providers.front();
}

const Provider* Network::roaming() const
{
    for (const auto& p : providers)
        if (!p.home && !p.forbidden)
            return &p;
    return nullptr;
}

const Provider* Network::registered() const
{
    return isRegistered() ? find(registeredId) : static_cast<const Provider*>(nullptr);
}

uint32_t Network::providerState(const Provider& p) const
{
    uint32_t s = radioOn ? uint32_t(ProviderVisible) : 0u;
    if (p.home)
        s |= ProviderHome;
    if (p.forbidden)
        s |= ProviderForbidden;
    if (p.multicarrier)
        s |= ProviderPreferredMulticarrier;
    for (const auto& id : preferred)
        if (id == p.id)
            s |= ProviderPreferred;
    if (isRegistered() && registeredId == p.id)
        s |= ProviderRegistered;
    return s;
}

uint32_t Network::availableDataClasses() const
{
    const Provider* p = registered();
    if (!p)
        return 0;
    uint32_t classes = p->dataClasses;
    if (requestedDataClasses && (classes & requestedDataClasses))
        classes &= requestedDataClasses;
    return classes;
}

uint32_t Network::highestDataClass() const
{
    uint32_t available = availableDataClasses();
    if (currentDataClass & available)
        return currentDataClass;
    for (uint32_t c = DataLte; c; c >>= 1)
        if (available & c)
            return c;
    return 0;
}

uint32_t Network::packetState() const
{
    return isRegistered() && packetWanted ? PacketAttached : PacketDetached;
}

void Network::registerAutomatic()
{
    registerMode = ModeAutomatic;
    nwError = 0;
    if (!radioOn) {
        registerState = RegDeregistered;
        registeredId.clear();
        return;
    }
    const Provider* p = home();
    registeredId = p ? p->id : std::string();
    registerState = p ? RegHome : RegSearching;
}

void Network::deregister()
{
    registerState = RegDeregistered;
    registeredId.clear();
}

} // namespace sim
