#pragma once
// A fake sysfs and /dev from umockdev, for finding modems: devices come from description files
// (tests/support/sysfs/, the format umockdev-record writes) or are added one by one, and a port's
// testbed dev/NAME is made a link to a simulated modem's terminal, which the preload then serves
// as /dev/NAME. Only a process with umockdev's preload sees the testbed; children get it through
// ChildEnvironment().

#include <string>
#include <utility>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace testsupport {

class FakeSysfs
{
public:
    // An empty testbed; sets UMOCKDEV_DIR, which the destructor removes with the testbed.
    FakeSysfs();
    ~FakeSysfs();
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    // Adds the devices of a description file of tests/support/sysfs (lines starting with # are
    // left out); false with the reason otherwise.
    bool AddDescription(const std::string& fileName, std::string& error);
    // Adds one device under a parent (a syspath; empty for a top-level device) and returns its
    // syspath. Needs the preload in this process.
    std::string AddDevice(const std::string& subsystem, const std::string& name, const std::string& parent,
                          const std::vector<std::pair<std::string, std::string>>& attributes,
                          const std::vector<std::pair<std::string, std::string>>& properties);
    void RemoveDevice(const std::string& syspath);
    // Sends a udev event ("add", "remove") for a device to the udev monitors of preloaded
    // processes.
    void Uevent(const std::string& syspath, const std::string& action);

    std::string Root() const;
    // Where the simulated modem behind /dev/NAME links its terminal.
    std::string DevPath(const std::string& name) const;
    UMockdevTestbed* Testbed() const { return testbed; }

    // Is umockdev's preload loaded in this process?
    static bool PreloadActive();
    // What a child needs to see the testbed: LD_PRELOAD (with the sanitizer runtime first in a
    // sanitizer build, which insists on coming first) and UMOCKDEV_DIR.
    std::vector<std::pair<std::string, std::string>> ChildEnvironment() const;

private:
    UMockdevTestbed* testbed;
};

} // namespace testsupport
