// MBIM control ports in sysfs: the cdc-wdm nodes of USB modems (class usbmisc, interface bound to
// cdc_mbim) and the ports the kernel's WWAN subsystem gives PCIe modems (class wwan, attribute
// type "MBIM", /dev/wwanNmbimM). Read through libudev, which a fake sysfs serves as well.
#pragma once

#include <string>
#include <vector>

struct udev;
struct udev_device;

namespace controlports {

// Is the device an MBIM control port with a device node? Devices of other subsystems are not.
bool IsMbimControlPort(udev_device* device);

// Device nodes of every MBIM control port in sysfs, sorted.
std::vector<std::string> Scan(udev* context);

struct Place
{
    std::string place; // empty when the node is no port in sysfs
    std::string manufacturer;
    std::string product;
};

// Where the port behind a device node (/dev/NAME) is plugged in, named so that it stays the same
// across reconnects and reboots:
// - a USB port: "usb:" and the USB interface's name (its place in the USB tree, "1-3:1.12"); the
//   USB device's manufacturer and product strings come with it;
// - a WWAN port: the subsystem and name of the device the WWAN device hangs from, for a PCIe modem
//   "pci:" and the PCI function's address ("pci:0000:02:00.0"). The wwanN and port numbers are
//   left out: the kernel hands them out in order of probing. A PCI function has one MBIM port.
Place PlaceOf(udev* context, const std::string& devicePath);

} // namespace controlports
