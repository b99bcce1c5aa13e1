// Finding modems in a fake sysfs (umockdev): which devices are MBIM control ports, where they are
// plugged in, and the service opening them at start and following udev's add and remove events.
// The program runs with umockdev's preload (ctest sets it), which sends /sys, /dev and the udev
// socket to the testbed.

#include "device/service/BroadbandService.h"
#include "device/service/ControlPorts.h"
#include "sim/ModemSimulator.h"
#include "support/FakeSysfs.h"
#include "support/Wait.h"

#include <libudev.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using testsupport::FakeSysfs;
using testsupport::WaitFor;

namespace {

const std::string pcieFunction = "/sys/devices/pci0000:00/0000:00:1c.0/0000:02:00.0";
const std::string wwan0 = pcieFunction + "/wwan/wwan0";
const std::string usbInterface = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.12";

struct Udev
{
    udev* context = udev_new();
    ~Udev() { udev_unref(context); }
};

class DiscoveryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!FakeSysfs::PreloadActive())
            GTEST_SKIP() << "umockdev's preload is not loaded, so the fake sysfs cannot be seen; run "
                            "the program under umockdev-wrapper (ctest does)";
        sysfs = std::make_unique<FakeSysfs>();
        std::string error;
        ASSERT_TRUE(sysfs->AddDescription("modems.umockdev", error)) << error;
    }

    // A simulated modem behind /dev/NAME.
    void Plug(const std::string& name)
    {
        sim::ModemSimulator::Options options;
        options.modem.demoContents = false;
        options.linkPath = sysfs->DevPath(name);
        auto modem = std::make_unique<sim::ModemSimulator>(options);
        std::string error;
        ASSERT_TRUE(modem->start(&error)) << error;
        modems[name] = std::move(modem);
    }

    // A WWAN device and its ports of the given types (port name to type), hanging from a PCI
    // function; returns the ports' syspaths by name.
    std::map<std::string, std::string> AddWwan(const std::string& function, const std::string& wwanName,
                                               const std::map<std::string, std::string>& ports)
    {
        const std::string wwan = sysfs->AddDevice("wwan", wwanName, function, {}, {});
        std::map<std::string, std::string> syspaths;
        for (const auto& [name, type] : ports)
            syspaths[name] =
                sysfs->AddDevice("wwan", name, wwan, {{"type", type + "\n"}}, {{"DEVNAME", "/dev/" + name}});
        return syspaths;
    }

    std::unique_ptr<FakeSysfs> sysfs;
    std::map<std::string, std::unique_ptr<sim::ModemSimulator>> modems;
};

TEST_F(DiscoveryTest, OnlyMbimPortsOfUsbAndPcieModemsAreControlPorts)
{
    Udev udev;
    struct Case
    {
        std::string syspath;
        bool port;
    };
    const Case cases[] = {
        {wwan0 + "/wwan0mbim0", true},
        {usbInterface + "/usbmisc/cdc-wdm0", true},
        {wwan0 + "/wwan0at0", false},                                                      // AT port of the same modem
        {"/sys/devices/pci0000:00/0000:00:1c.1/0000:03:00.0/wwan/wwan1/wwan1qmi0", false}, // a QMI modem
        {"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.4/usbmisc/cdc-wdm1", false}, // cdc-wdm of qmi_wwan
        {wwan0, false},        // the WWAN device itself has no node
        {pcieFunction, false}, // nor has the PCI function
        {usbInterface, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.syspath);
        udev_device* device = udev_device_new_from_syspath(udev.context, c.syspath.c_str());
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(controlports::IsMbimControlPort(device), c.port);
        udev_device_unref(device);
    }
    EXPECT_EQ(controlports::Scan(udev.context), (std::vector<std::string>{"/dev/cdc-wdm0", "/dev/wwan0mbim0"}));
}

TEST_F(DiscoveryTest, PlaceIsTheUsbInterfaceOrThePciFunctionWhateverTheNumbers)
{
    // The kernel numbered the same modem wwan3 after a reset.
    const auto renumbered = AddWwan(pcieFunction, "wwan3", {{"wwan3mbim0", "MBIM"}});
    Udev udev;
    struct Case
    {
        std::string node;
        std::string place, manufacturer, product;
    };
    const Case cases[] = {
        {"/dev/wwan0mbim0", "pci:0000:02:00.0", "", ""},
        {"/dev/wwan3mbim0", "pci:0000:02:00.0", "", ""},
        {"/dev/cdc-wdm0", "usb:1-3:1.12", "Example Radio Works", "Example MBIM stick"},
        {"/dev/pts/0", "", "", ""},      // a terminal, as the simulated modem's
        {"/dev/wwan7mbim0", "", "", ""}, // not in sysfs
        {"/tmp/wwan0mbim0", "", "", ""}, // a name in sysfs, but not its node
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        const controlports::Place place = controlports::PlaceOf(udev.context, c.node);
        EXPECT_EQ(place.place, c.place);
        EXPECT_EQ(place.manufacturer, c.manufacturer);
        EXPECT_EQ(place.product, c.product);
    }
}

class Arrivals final : public IBroadbandInterfaceManagerEvents
{
public:
    void OnInterfaceArrival(BroadbandInterface& iface) override { arrived.push_back(iface.DevicePath()); }
    void OnInterfaceRemoval(BroadbandInterface& iface) override
    {
        removed.emplace_back(iface.DevicePath(), iface.InterfaceID());
    }
    std::vector<std::string> arrived;
    std::vector<std::pair<std::string, std::string>> removed;
};

std::map<std::string, std::string> IdsByPath(const BroadbandService& service)
{
    std::vector<std::shared_ptr<BroadbandInterface>> interfaces;
    service.GetInterfaces(interfaces);
    std::map<std::string, std::string> ids;
    for (const auto& iface : interfaces)
        ids[iface->DevicePath()] = iface->InterfaceID();
    return ids;
}

TEST_F(DiscoveryTest, ServiceOpensUsbAndPciePortsAtStartAndFollowsUdev)
{
    // Every node has a modem behind it, so a port taken wrongly would arrive too.
    for (const char* name : {"cdc-wdm0", "cdc-wdm1", "wwan0mbim0", "wwan0at0", "wwan1qmi0"})
        Plug(name);
    BroadbandService::Options options;
    options.useProxy = false; // a proxy of the machine would not see the testbed
    BroadbandService service(options);
    Arrivals events;
    std::uint32_t cookie = 0;
    ASSERT_EQ(service.Advise(&events, cookie), 0);
    service.Start();
    ASSERT_TRUE(service.WaitUntilSettled(testsupport::waitMs));
    const auto atStart = IdsByPath(service);
    ASSERT_EQ(atStart.size(), 2u);
    EXPECT_TRUE(atStart.count("/dev/cdc-wdm0"));
    EXPECT_TRUE(atStart.count("/dev/wwan0mbim0"));

    // A second PCIe modem comes: its AT port is announced first, then its MBIM port.
    const std::string function = sysfs->AddDevice("pci", "0000:04:00.0", "", {{"vendor", "0x8086"}},
                                                  {{"DRIVER", "iosm"}, {"PCI_SLOT_NAME", "0000:04:00.0"}});
    auto ports = AddWwan(function, "wwan2", {{"wwan2at0", "AT"}, {"wwan2mbim0", "MBIM"}});
    Plug("wwan2at0");
    Plug("wwan2mbim0");
    sysfs->Uevent(ports["wwan2at0"], "add");
    sysfs->Uevent(ports["wwan2mbim0"], "add");
    ASSERT_TRUE(WaitFor([&] { return IdsByPath(service).count("/dev/wwan2mbim0") == 1; }));
    const std::string id = IdsByPath(service).at("/dev/wwan2mbim0");
    // The AT port was offered first; had it been taken, it would have arrived by now or soon.
    EXPECT_FALSE(WaitFor([&] { return IdsByPath(service).count("/dev/wwan2at0") == 1; }, 1000));

    // It goes, and with it the USB modem.
    events.removed.clear();
    sysfs->Uevent(ports["wwan2mbim0"], "remove");
    sysfs->Uevent(usbInterface + "/usbmisc/cdc-wdm0", "remove");
    ASSERT_TRUE(WaitFor([&] { return events.removed.size() == 2; }));
    EXPECT_EQ(events.removed[0], std::make_pair(std::string("/dev/wwan2mbim0"), id));
    EXPECT_EQ(events.removed[1], std::make_pair(std::string("/dev/cdc-wdm0"), atStart.at("/dev/cdc-wdm0")));
    EXPECT_EQ(IdsByPath(service),
              (std::map<std::string, std::string>{{"/dev/wwan0mbim0", atStart.at("/dev/wwan0mbim0")}}));

    // The modem comes back at the same PCI function with other numbers: the same interface ID.
    sysfs->RemoveDevice(ports["wwan2mbim0"]);
    ports = AddWwan(function, "wwan5", {{"wwan5mbim0", "MBIM"}});
    ASSERT_EQ(::symlink(modems["wwan2mbim0"]->terminalPath().c_str(), sysfs->DevPath("wwan5mbim0").c_str()), 0);
    sysfs->Uevent(ports["wwan5mbim0"], "add");
    ASSERT_TRUE(WaitFor([&] { return IdsByPath(service).count("/dev/wwan5mbim0") == 1; }));
    EXPECT_EQ(IdsByPath(service).at("/dev/wwan5mbim0"), id);
    EXPECT_EQ(service.Unadvise(cookie), 0);
}

} // namespace
