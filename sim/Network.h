// The radio network as the modem sees it: providers, registration, signal, data class.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

enum ProviderState : uint32_t {
    ProviderHome = 0x01,
    ProviderForbidden = 0x02,
    ProviderPreferred = 0x04,
    ProviderVisible = 0x08,
    ProviderRegistered = 0x10,
    ProviderPreferredMulticarrier = 0x20,
};

enum RegisterState : uint32_t {
    RegUnknown = 0,
    RegDeregistered = 1,
    RegSearching = 2,
    RegHome = 3,
    RegRoaming = 4,
    RegPartner = 5,
    RegDenied = 6,
};

enum RegisterMode : uint32_t { ModeUnknown = 0, ModeAutomatic = 1, ModeManual = 2 };

enum DataClass : uint32_t {
    DataGprs = 0x01,
    DataEdge = 0x02,
    DataUmts = 0x04,
    DataHsdpa = 0x08,
    DataHsupa = 0x10,
    DataLte = 0x20,
};

enum PacketState : uint32_t { PacketUnknown = 0, PacketAttached = 2, PacketDetached = 4 };

struct Provider
{
    std::string id;
    std::string name;
    bool home = false;
    bool forbidden = false;
    uint32_t dataClasses = 0;
    bool multicarrier = false; // preferred for multicarrier use
};

class Network
{
public:
    Network();

    static constexpr uint32_t SupportedDataClasses = DataGprs | DataEdge | DataUmts | DataHsdpa | DataHsupa | DataLte;

    std::vector<Provider> providers; // visible when the radio is on
    std::vector<std::string> preferred;

    bool radioOn = true;
    uint32_t registerState = RegDeregistered;
    uint32_t registerMode = ModeAutomatic;
    std::string registeredId;
    uint32_t nwError = 0;
    uint32_t requestedDataClasses = 0; // 0: no restriction
    uint32_t currentDataClass = DataLte;
    bool packetWanted = true; // the host's last attach/detach

    uint32_t rssi = 20; // 0..31, 99 unknown
    uint32_t errorRate = 0;
    uint32_t signalInterval = 0;
    uint32_t rssiThreshold = 0;
    uint32_t errorRateThreshold = 0;

    const Provider* find(const std::string& id) const;
    const Provider* home() const;
    // The first provider that is neither the home network nor forbidden.
    const Provider* roaming() const;
    const Provider* registered() const;
    bool isRegistered() const
    {
        return registerState == RegHome || registerState == RegRoaming || registerState == RegPartner;
    }
    uint32_t providerState(const Provider& p) const;
    uint32_t availableDataClasses() const;
    uint32_t packetState() const;
    uint32_t reportedRssi() const { return radioOn ? rssi : 99; }
    uint32_t reportedErrorRate() const { return radioOn ? errorRate : 99; }
    uint32_t highestDataClass() const;

    void registerAutomatic();
    void deregister();
};

} // namespace sim
