// Finding devices: sysfs, udev, the given paths and their polling, and the arrival and
// removal of the interfaces opened on them.

#include "device/service/BroadbandInterfacePrivate.h"
#include "device/service/ControlPorts.h"
#include "device/service/EventWait.h"

#include <libudev.h>

#include <QSocketNotifier>
#include <QTimer>
#include <QUuid>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int pathPollMs = 500;

// Tells a node from its replacement at the same path, as far as the file system can: a
// pseudo-terminal's replacement may reuse the number, and so the device and inode numbers, of the
// one it replaces, leaving the change time. 0 is no node.
std::uint64_t NodeIdentity(const std::string& path)
{
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    std::uint64_t identity = 14695981039346656037ull;
    for (const std::uint64_t part :
         {static_cast<std::uint64_t>(st.st_rdev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::uint64_t>(st.st_ctim.tv_sec), static_cast<std::uint64_t>(st.st_ctim.tv_nsec)})
        identity = (identity ^ part) * 1099511628211ull;
    return identity ? identity : 1;
}

} // namespace

struct BroadbandService::Watch
{
    QObject context;
    udev* udevContext = nullptr;
    udev_monitor* monitor = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer poll;
    std::vector<std::string> givenPaths;
    std::vector<std::string> initialPaths;

    ~Watch()
    {
        notifier.reset();
        if (monitor)
            udev_monitor_unref(monitor);
        if (udevContext)
            udev_unref(udevContext);
    }
};

BroadbandService::BroadbandService(Options options) : options(std::move(options)), watch(std::make_unique<Watch>())
{
    watch->givenPaths = this->options.paths;
}

BroadbandService::~BroadbandService()
{
    if (Default() == this)
        SetDefault(nullptr);
    // Detach every sink: those that outlive the service must not reach back into it.
    advised.clear();
    lifetime.reset();
    // Interfaces go first: their handlers still refer to the service while they close.
    devices.clear();
    arrivalOrder.clear();
    watch.reset();
}

void BroadbandService::Start()
{
    if (started)
        return;
    started = true;
    // The context also serves the ports' places when they open.
    watch->udevContext = udev_new();
    std::vector<std::string> paths;
    if (options.scanSysfs)
        paths = controlports::Scan(watch->udevContext);
    for (const auto& path : watch->givenPaths)
        if (std::find(paths.begin(), paths.end(), path) == paths.end())
            paths.push_back(path);
    for (const auto& path : paths)
        Open(path, true);

    if (options.watchUdev) {
        if (watch->udevContext)
            watch->monitor = udev_monitor_new_from_netlink(watch->udevContext, "udev");
        if (watch->monitor &&
            udev_monitor_filter_add_match_subsystem_devtype(watch->monitor, "usbmisc", nullptr) >= 0 &&
            udev_monitor_filter_add_match_subsystem_devtype(watch->monitor, "wwan", nullptr) >= 0 &&
            udev_monitor_enable_receiving(watch->monitor) >= 0) {
            watch->notifier =
                std::make_unique<QSocketNotifier>(udev_monitor_get_fd(watch->monitor), QSocketNotifier::Read);
            QObject::connect(watch->notifier.get(), &QSocketNotifier::activated, &watch->context, [this] {
                udev_device* device = udev_monitor_receive_device(watch->monitor);
                if (!device)
                    return;
                const char* action = udev_device_get_action(device);
                const char* node = udev_device_get_devnode(device);
                if (action && node) {
                    if (std::strcmp(action, "add") == 0 && controlports::IsMbimControlPort(device))
                        Open(node, false);
                    else if (std::strcmp(action, "remove") == 0)
                        if (auto it = devices.find(node); it != devices.end())
                            InterfaceRemoved(*it->second);
                }
                udev_device_unref(device);
            });
        } else {
            qCInfo(lcBroadband) << "No udev monitor; device arrival is followed for given paths only";
        }
    }

    watch->poll.setInterval(pathPollMs);
    QObject::connect(&watch->poll, &QTimer::timeout, &watch->context, [this] { PollPaths(); });
    watch->poll.start();
}

bool BroadbandService::WaitUntilSettled(int timeoutMs)
{
    return ProcessEventsUntil([this] { return IsSettled(); }, timeoutMs);
}

void BroadbandService::AddDevicePath(const std::string& path)
{
    if (std::find(watch->givenPaths.begin(), watch->givenPaths.end(), path) == watch->givenPaths.end())
        watch->givenPaths.push_back(path);
    triedNodes.erase(path);
    if (started)
        Open(path, false);
}

void BroadbandService::RemoveDevicePath(const std::string& path)
{
    std::erase(watch->givenPaths, path);
    triedNodes.erase(path);
    if (auto it = devices.find(path); it != devices.end())
        InterfaceRemoved(*it->second);
}

void BroadbandService::PollPaths()
{
    // Given paths have no udev events (a pseudo-terminal has none): a node that appears again
    // under its path is opened as a new arrival.
    for (const auto& path : watch->givenPaths) {
        if (devices.count(path))
            continue;
        const std::uint64_t node = NodeIdentity(path);
        if (node == 0)
            continue;
        if (auto it = triedNodes.find(path); it != triedNodes.end() && it->second == node)
            continue;
        Open(path, false);
    }
}

void BroadbandService::Open(const std::string& path, bool initial)
{
    if (devices.count(path))
        return;
    triedNodes[path] = NodeIdentity(path);
    auto iface = std::make_shared<BroadbandInterface>(*this, path);
    devices[path] = iface;
    if (initial) {
        ++pendingInitialOpens;
        watch->initialPaths.push_back(path);
    }
    iface->Open(options.useProxy);
}

namespace {

// Namespace of the name-based interface IDs.
const QUuid interfaceNamespace("{6f1d2b9e-4c57-4a3e-9a43-2b8f0e6c5d71}");

std::string InterfaceIdOf(const std::string& name)
{
    return QUuid::createUuidV5(interfaceNamespace, QString::fromStdString(name))
        .toString(QUuid::WithBraces)
        .toUpper()
        .toStdString();
}

} // namespace

std::string BroadbandService::UniqueId(BroadbandInterface& iface)
{
    const std::string& identity = iface.d->identity;
    // Devices reporting one device ID (cloned IDs) each take an ID made with their place, whatever
    // order they open in; a device alone keeps the plain one.
    std::vector<BroadbandInterface*> twins;
    for (const auto& [path, other] : devices)
        if (other.get() != &iface && other->ready && !other->d->removed && other->d->identity == identity)
            twins.push_back(other.get());
    if (twins.empty())
        return InterfaceIdOf(identity);
    const std::string plain = InterfaceIdOf(identity);
    for (BroadbandInterface* twin : twins) {
        if (twin->id != plain)
            continue;
        // It arrived alone under the plain ID: it leaves under that one and comes back under its own.
        auto keep = twin->shared_from_this();
        Raise(&IBroadbandInterfaceManagerEvents::OnInterfaceRemoval, *twin);
        if (twin->d->removed)
            continue;
        twin->id = InterfaceIdOf(identity + "@" + twin->d->place);
        qCDebug(lcBroadband) << "Device" << twin->path.c_str() << "is now interface" << twin->id.c_str();
        Raise(&IBroadbandInterfaceManagerEvents::OnInterfaceArrival, *twin);
    }
    return InterfaceIdOf(identity + "@" + iface.d->place);
}

void BroadbandService::InterfaceOpened(BroadbandInterface& iface)
{
    if (iface.d->removed || iface.ready)
        return;
    // The identity survives reconnects: the device ID when the device gives one, else where the
    // port is plugged in (a USB interface or a PCI function, see controlports::PlaceOf), else the
    // path.
    std::string identity;
    auto& caps = iface.d->caps;
    if (caps.deviceId && !caps.deviceId->empty())
        identity = "device:" + *caps.deviceId;
    const controlports::Place found = controlports::PlaceOf(watch->udevContext, iface.path);
    const std::string place = found.place.empty() ? "path:" + iface.path : found.place;
    if (!found.manufacturer.empty())
        caps.manufacturer = found.manufacturer;
    if (!found.product.empty() && (!caps.model || caps.model->empty()))
        caps.model = found.product;
    if (identity.empty())
        identity = place;
    iface.d->identity = identity;
    iface.d->place = place;
    iface.id = UniqueId(iface);
    if (iface.d->removed)
        return;
    iface.ready = true;
    arrivalOrder.push_back(iface.path);
    qCDebug(lcBroadband) << "Device" << iface.path.c_str() << "is interface" << iface.id.c_str();
    if (auto it = std::find(watch->initialPaths.begin(), watch->initialPaths.end(), iface.path);
        it != watch->initialPaths.end()) {
        watch->initialPaths.erase(it);
        --pendingInitialOpens;
    }
    auto keep = iface.shared_from_this();
    Raise(&IBroadbandInterfaceManagerEvents::OnInterfaceArrival, iface);
}

void BroadbandService::InterfaceFailed(BroadbandInterface& iface)
{
    if (auto it = std::find(watch->initialPaths.begin(), watch->initialPaths.end(), iface.path);
        it != watch->initialPaths.end()) {
        watch->initialPaths.erase(it);
        --pendingInitialOpens;
    }
    auto keep = iface.shared_from_this();
    iface.d->removed = true;
    devices.erase(iface.path);
    // Closing inside a libmbim callback would free the device under its own feet.
    QTimer::singleShot(0, &watch->context, [keep] { keep->Close(); });
}

void BroadbandService::InterfaceRemoved(BroadbandInterface& iface)
{
    // udev, the device's removal signal and a removed path may all report one removal.
    if (iface.d->removed)
        return;
    auto keep = iface.shared_from_this();
    const bool wasReady = iface.ready;
    if (!wasReady) {
        InterfaceFailed(iface);
        return;
    }
    // Whatever stands at the path after a removal is tried afresh: it may already be the
    // replacement, and a replacement terminal made within one clock tick of its predecessor has
    // its number, inode and change time, so no identity tells the two apart.
    triedNodes.erase(iface.path);
    std::erase(arrivalOrder, iface.path);
    devices.erase(iface.path);
    Raise(&IBroadbandInterfaceManagerEvents::OnInterfaceRemoval, iface);
    // Pending requests would otherwise only end at their timeout: answer them now.
    const auto pending = iface.d->pending;
    for (const auto& [requestId, kind] : pending)
        CompleteRequest(iface, *iface.d, requestId, kind, Hr::NotReady, nullptr);
    const auto ussd = std::move(iface.d->pendingUssd);
    iface.d->pendingUssd.clear();
    for (const auto& [requestId, done] : ussd) {
        BroadbandInterface::UssdAnswer answer;
        answer.status = Hr::NotReady;
        done(answer);
    }
    iface.ready = false;
    iface.d->removed = true;
    g_cancellable_cancel(iface.d->cancellable);
    QTimer::singleShot(0, &watch->context, [keep] { keep->Close(); });
}
