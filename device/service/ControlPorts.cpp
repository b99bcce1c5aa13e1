#include "device/service/ControlPorts.h"

#include <libudev.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

namespace controlports {

namespace {

struct DeviceRef
{
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
using Device = std::unique_ptr<udev_device, DeviceRef>;

bool Equals(const char* text, const char* expected)
{
    return text && std::strcmp(text, expected) == 0;
}

std::string Trimmed(const char* text)
{
    std::string value = text ? text : "";
    while (!value.empty() && (value.back() == '\n' || value.back() == ' '))
        value.pop_back();
    return value;
}

} // namespace

bool IsMbimControlPort(udev_device* device)
{
    if (!device || !udev_device_get_devnode(device))
        return false;
    const char* subsystem = udev_device_get_subsystem(device);
    if (Equals(subsystem, "usbmisc")) {
        // cdc-wdm nodes also serve QMI and AT modems (qmi_wwan, huawei_cdc_ncm); the interface's
        // driver tells.
        udev_device* parent = udev_device_get_parent(device);
        return parent && Equals(udev_device_get_driver(parent), "cdc_mbim");
    }
    if (Equals(subsystem, "wwan")) {
        // One modem has ports of several types (AT, QMI, QCDM, firmware download, ...).
        return Trimmed(udev_device_get_sysattr_value(device, "type")) == "MBIM";
    }
    return false;
}

std::vector<std::string> Scan(udev* context)
{
    std::vector<std::string> nodes;
    if (!context)
        return nodes;
    udev_enumerate* enumerate = udev_enumerate_new(context);
    if (!enumerate)
        return nodes;
    udev_enumerate_add_match_subsystem(enumerate, "usbmisc");
    udev_enumerate_add_match_subsystem(enumerate, "wwan");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
    {
        Device device(udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (IsMbimControlPort(device.get()))
            nodes.emplace_back(udev_device_get_devnode(device.get()));
    }
    udev_enumerate_unref(enumerate);
    std::sort(nodes.begin(), nodes.end());
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
    return nodes;
}

Place PlaceOf(udev* context, const std::string& devicePath)
{
    Place result;
    if (!context || devicePath.rfind("/dev/", 0) != 0)
        return result;
    const std::string name = std::filesystem::path(devicePath).filename().string();
    for (const char* subsystem : {"usbmisc", "wwan"}) {
        Device port(udev_device_new_from_subsystem_sysname(context, subsystem, name.c_str()));
        if (!port || !Equals(udev_device_get_devnode(port.get()), devicePath.c_str()))
            continue;
        if (std::strcmp(subsystem, "usbmisc") == 0) {
            udev_device* usbInterface =
                udev_device_get_parent_with_subsystem_devtype(port.get(), "usb", "usb_interface");
            if (!usbInterface)
                return result;
            result.place = std::string("usb:") + udev_device_get_sysname(usbInterface);
            if (udev_device* usbDevice =
                    udev_device_get_parent_with_subsystem_devtype(usbInterface, "usb", "usb_device")) {
                result.manufacturer = Trimmed(udev_device_get_sysattr_value(usbDevice, "manufacturer"));
                result.product = Trimmed(udev_device_get_sysattr_value(usbDevice, "product"));
            }
            return result;
        }
        // The port hangs from the WWAN device (wwanN), which hangs from the modem's bus device.
        udev_device* wwan = udev_device_get_parent(port.get());
        udev_device* bus = wwan ? udev_device_get_parent(wwan) : nullptr;
        const char* busSubsystem = bus ? udev_device_get_subsystem(bus) : nullptr;
        if (busSubsystem)
            result.place = std::string(busSubsystem) + ":" + udev_device_get_sysname(bus);
        return result;
    }
    return result;
}

} // namespace controlports
