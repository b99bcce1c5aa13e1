// The service's registries: the process default, the interfaces that arrived, the advised sinks.

#include "device/service/BroadbandService.h"

#include <algorithm>

namespace {

BroadbandService* defaultService = nullptr;

} // namespace

BroadbandService* BroadbandService::Default()
{
    return defaultService;
}

void BroadbandService::SetDefault(BroadbandService* service)
{
    defaultService = service;
}

HRESULT BroadbandService::GetInterfaces(std::vector<std::shared_ptr<BroadbandInterface>>& interfaces) const
{
    if (!started)
        return Hr::ServiceNotStarted;
    interfaces.clear();
    for (const auto& path : arrivalOrder)
        if (auto it = devices.find(path); it != devices.end() && it->second->ready)
            interfaces.push_back(it->second);
    return Hr::Ok;
}

HRESULT BroadbandService::GetInterface(const std::string& interfaceId, std::shared_ptr<BroadbandInterface>& iface) const
{
    if (!started)
        return Hr::ServiceNotStarted;
    for (const auto& [path, candidate] : devices)
        if (candidate->ready && candidate->id == interfaceId) {
            iface = candidate;
            return Hr::Ok;
        }
    return Hr::DeviceNotFound;
}

HRESULT BroadbandService::AdviseKind(BroadbandEventKind kind, void* sink, std::uint32_t& cookie)
{
    if (!sink)
        return Hr::InvalidArg;
    cookie = ++lastCookie;
    advised.push_back({cookie, kind, sink});
    return Hr::Ok;
}

HRESULT BroadbandService::Unadvise(std::uint32_t cookie)
{
    const auto removed = std::erase_if(advised, [cookie](const Advised& a) { return a.cookie == cookie; });
    return removed ? Hr::Ok : Hr::InvalidArg;
}

std::vector<std::uint32_t> BroadbandService::CookiesOf(BroadbandEventKind kind) const
{
    std::vector<std::uint32_t> cookies;
    for (const auto& a : advised)
        if (a.kind == kind)
            cookies.push_back(a.cookie);
    return cookies;
}

void* BroadbandService::SinkOf(std::uint32_t cookie) const
{
    // Looked up at each call: a sink may be unadvised by an earlier sink's handler.
    for (const auto& a : advised)
        if (a.cookie == cookie)
            return a.sink;
    return nullptr;
}
