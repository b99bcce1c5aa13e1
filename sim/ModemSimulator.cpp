#include "ModemSimulator.h"

#include "StateFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

// Output the host does not read is dropped beyond this, so a host that went away
// without closing cannot make the simulator grow without bound.
constexpr size_t MaxPending = 256 * 1024;

ModemSimulator::ModemSimulator() : ModemSimulator(Options())
{ }

ModemSimulator::ModemSimulator(const Options& options) : options_(options), core_(options.modem)
{
    core_.onOpen = [this] {
        pending_.clear();
        if (slave_ >= 0)
            tcflush(slave_, TCIFLUSH);
    };
    core_.onSimChanged = [this] { saveState(); };
    core_.log = [this](const std::string& line) {
        if (log_)
            log_(line);
    };
}

ModemSimulator::~ModemSimulator()
{
    stop();
}

void ModemSimulator::setLog(std::function<void(const std::string&)> log)
{
    std::lock_guard lock(mutex_);
    log_ = std::move(log);
}

int64_t ModemSimulator::nowMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - epoch_).count();
}

void ModemSimulator::saveState()
{
    if (options_.statePath.empty())
        return;
    std::string error;
    if (!sim::saveState(options_.statePath, core_.sim(), error) && log_)
        log_(error);
}

bool ModemSimulator::start(std::string* error)
{
    if (running())
        return true;
    std::string why;
    {
        std::lock_guard lock(mutex_);
        if (!options_.statePath.empty()) {
            bool existed = false;
            if (!loadState(options_.statePath, core_.sim(), existed, why)) {
                if (error)
                    *error = why;
                return false;
            }
            if (options_.modem.simLocked)
                core_.sim().pinEnabled = true;
            core_.powerOn();
            if (!existed)
                saveState();
        }
        if (!openTerminal(why)) {
            if (error)
                *error = why;
            return false;
        }
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error)
            *error = std::string("pipe: ") + std::strerror(errno);
        std::lock_guard lock(mutex_);
        closeTerminal();
        return false;
    }
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    stopping_ = false;
    thread_ = std::thread([this] { serve(); });
    return true;
}

void ModemSimulator::stop()
{
    if (!thread_.joinable())
        return;
    stopping_ = true;
    wake();
    thread_.join();
    std::lock_guard lock(mutex_);
    closeTerminal();
    ::close(wakeRead_);
    ::close(wakeWrite_);
    wakeRead_ = wakeWrite_ = -1;
}

bool ModemSimulator::openTerminal(std::string& error)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[128];
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0)
            ::close(master);
        return false;
    }
    // Holding the slave side open keeps the terminal alive between hosts, so that the
    // master never sees a hang-up and the terminal settings stay put.
    int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        error = std::string("cannot open ") + name + ": " + std::strerror(errno);
        ::close(master);
        return false;
    }
    termios tio{};
    tcgetattr(slave, &tio);
    cfmakeraw(&tio); // MBIM is binary: no echo, no line editing, no translation
    tcsetattr(slave, TCSANOW, &tio);
    master_ = master;
    slave_ = slave;
    terminal_ = name;
    if (!options_.linkPath.empty()) {
        std::string temp = options_.linkPath + ".new";
        ::unlink(temp.c_str());
        if (::symlink(name, temp.c_str()) != 0 || ::rename(temp.c_str(), options_.linkPath.c_str()) != 0) {
            error = "cannot link " + options_.linkPath + ": " + std::strerror(errno);
            closeTerminal();
            return false;
        }
    }
    return true;
}

void ModemSimulator::closeTerminal()
{
    // The link goes first: once the terminal is closed its number is free for any other program,
    // and a host polling the link would open that one instead.
    if (!options_.linkPath.empty() && master_ >= 0)
        ::unlink(options_.linkPath.c_str());
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
    terminal_.clear();
    pending_.clear();
}

std::string ModemSimulator::devicePath() const
{
    std::lock_guard lock(mutex_);
    if (terminal_.empty())
        return {};
    return options_.linkPath.empty() ? terminal_ : options_.linkPath;
}

std::string ModemSimulator::terminalPath() const
{
    std::lock_guard lock(mutex_);
    return terminal_;
}

bool ModemSimulator::plugged() const
{
    std::lock_guard lock(mutex_);
    return master_ >= 0;
}

void ModemSimulator::wake()
{
    if (wakeWrite_ >= 0) {
        char c = 1;
        [[maybe_unused]] auto n = ::write(wakeWrite_, &c, 1);
    }
}

void ModemSimulator::flushOutput()
{
    for (auto& fragment : core_.takeOutput())
        pending_.insert(pending_.end(), fragment.begin(), fragment.end());
    if (pending_.size() > MaxPending)
        pending_.clear();
    while (master_ >= 0 && !pending_.empty()) {
        ssize_t n = ::write(master_, pending_.data(), pending_.size());
        if (n <= 0)
            break;
        pending_.erase(pending_.begin(), pending_.begin() + n);
    }
}

void ModemSimulator::serve()
{
    uint8_t buffer[8192];
    while (!stopping_) {
        int timeout = 1000;
        pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {-1, 0, 0}};
        {
            std::lock_guard lock(mutex_);
            core_.advance(nowMs());
            flushOutput();
            if (auto deadline = core_.nextDeadline())
                timeout = int(std::clamp<int64_t>(*deadline - nowMs(), 0, 1000));
            if (master_ >= 0) {
                fds[1].fd = master_;
                fds[1].events = short(POLLIN | (pending_.empty() ? 0 : POLLOUT));
            }
        }
        if (poll(fds, 2, timeout) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN)
            while (::read(wakeRead_, buffer, sizeof buffer) > 0) { }
        if (fds[1].revents & POLLIN) {
            std::lock_guard lock(mutex_);
            if (master_ == fds[1].fd) {
                ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n > 0) {
                    core_.advance(nowMs());
                    core_.receive(std::span<const uint8_t>(buffer, size_t(n)));
                }
            }
        }
    }
}

void ModemSimulator::withCore(const std::function<void(ModemCore&)>& f)
{
    {
        std::lock_guard lock(mutex_);
        core_.advance(nowMs());
        f(core_);
    }
    wake();
}

size_t ModemSimulator::deliverSms(const DeliverRequest& request)
{
    size_t parts = 0;
    withCore([&](ModemCore& c) { parts = c.deliverSms(request); });
    return parts;
}

bool ModemSimulator::deliverStatusReport(const std::string& recipient, uint8_t reference, uint8_t status)
{
    bool stored = false;
    withCore([&](ModemCore& c) { stored = c.deliverStatusReport(recipient, reference, status); });
    return stored;
}

void ModemSimulator::setSignal(uint32_t rssi, uint32_t errorRate)
{
    withCore([&](ModemCore& c) { c.setSignal(rssi, errorRate); });
}

void ModemSimulator::setRadio(bool on)
{
    withCore([&](ModemCore& c) { c.setRadio(on); });
}

void ModemSimulator::setRegistration(uint32_t state, const std::string& providerId)
{
    withCore([&](ModemCore& c) { c.setRegistration(state, providerId); });
}

void ModemSimulator::setDataClass(uint32_t dataClass)
{
    withCore([&](ModemCore& c) { c.setDataClass(dataClass); });
}

void ModemSimulator::setServiceCentre(const std::string& address)
{
    withCore([&](ModemCore& c) { c.setServiceCentre(address); });
}

void ModemSimulator::damageNext(const mbim::Uuid& service, uint32_t cid, const Damage& damage)
{
    withCore([&](ModemCore& c) { c.damageNext(service, cid, damage); });
}

void ModemSimulator::failNextSend(uint32_t status)
{
    withCore([&](ModemCore& c) { c.failNextSend(status); });
}

void ModemSimulator::delayNextSendCompletion(uint32_t ms)
{
    withCore([&](ModemCore& c) { c.delayNextSendCompletion(ms); });
}

void ModemSimulator::reportNextWith(uint8_t status)
{
    withCore([&](ModemCore& c) { c.reportNextWith(status); });
}

void ModemSimulator::dropNextSendCompletion()
{
    withCore([&](ModemCore& c) { c.dropNextSendCompletion(); });
}

void ModemSimulator::setReplyDelay(uint32_t ms)
{
    withCore([&](ModemCore& c) { c.setReplyDelay(ms); });
}

std::string ModemSimulator::describeStorage()
{
    std::lock_guard lock(mutex_);
    return core_.describeStorage();
}

void ModemSimulator::unplug()
{
    {
        std::lock_guard lock(mutex_);
        core_.hostGone();
        closeTerminal();
    }
    wake();
}

bool ModemSimulator::replug(std::string* error)
{
    std::string why;
    {
        std::lock_guard lock(mutex_);
        if (master_ >= 0) {
            core_.hostGone();
            closeTerminal();
        }
        core_.powerOn();
        if (!openTerminal(why)) {
            if (error)
                *error = why;
            return false;
        }
    }
    wake();
    return true;
}

} // namespace sim
