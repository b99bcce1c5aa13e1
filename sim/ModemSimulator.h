// The simulated modem on a pseudo-terminal, served by a thread of its own. libmbim opens
// the terminal's path as it opens /dev/cdc-wdmN. Every control is safe to call from
// any thread.
#pragma once

#include "ModemCore.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace sim {

class ModemSimulator
{
public:
    struct Options
    {
        ModemConfig modem;
        std::string statePath; // keeps the SIM between runs when set
        std::string linkPath;  // a symbolic link kept pointing at the current terminal
    };

    ModemSimulator();
    explicit ModemSimulator(const Options& options);
    ~ModemSimulator();
    ModemSimulator(const ModemSimulator&) = delete;
    ModemSimulator& operator=(const ModemSimulator&) = delete;

    // Loads the state file, opens the terminal and starts serving.
    bool start(std::string* error = nullptr);
    void stop();
    bool running() const { return thread_.joinable(); }

    // The path a host opens: the link when one was asked for, else the terminal.
    std::string devicePath() const;
    std::string terminalPath() const;

    size_t deliverSms(const DeliverRequest& request);
    bool deliverStatusReport(const std::string& recipient, uint8_t reference, uint8_t status);
    void setSignal(uint32_t rssi, uint32_t errorRate);
    void setRadio(bool on);
    void setRegistration(uint32_t state, const std::string& providerId = {});
    void setDataClass(uint32_t dataClass);
    void setServiceCentre(const std::string& address);
    void damageNext(const mbim::Uuid& service, uint32_t cid, const Damage& damage);
    void failNextSend(uint32_t status);
    void dropNextSendCompletion();
    void reportNextWith(uint8_t status);
    void delayNextSendCompletion(uint32_t ms);
    void setReplyDelay(uint32_t ms);
    std::string describeStorage();

    // Closes the terminal as a removed device does; replug opens a new one.
    void unplug();
    bool replug(std::string* error = nullptr);
    bool plugged() const;

    // Runs `f` on the modem under its lock, for what the controls above do not cover.
    void withCore(const std::function<void(ModemCore&)>& f);

    // Diagnostic lines, called from the serving thread.
    void setLog(std::function<void(const std::string&)> log);

private:
    bool openTerminal(std::string& error);
    void closeTerminal();
    void serve();
    void wake();
    void flushOutput();
    void saveState();
    int64_t nowMs() const;

    Options options_;
    ModemCore core_;
    mutable std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int wakeRead_ = -1, wakeWrite_ = -1;
    int master_ = -1, slave_ = -1;
    std::string terminal_;
    Bytes pending_; // written to the terminal as it accepts
    std::function<void(const std::string&)> log_;
    std::chrono::steady_clock::time_point epoch_ = std::chrono::steady_clock::now();
};

} // namespace sim
