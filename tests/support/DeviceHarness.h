// A window that keeps what the device layer hands it, and the simulated modem with a session
// over it, for the tests that run the device layer (and what sits on it) against the simulator.
#pragma once

#include "app/MessageTarget.h"
#include "device/Broadband.h"
#include "device/service/BroadbandService.h"
#include "device/service/Phonebook.h"
#include "sim/ModemSimulator.h"
#include "support/Wait.h"

#include <QEventLoop>
#include <QObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

namespace harness {

constexpr int waitMs = 15000; // generous: a condition is awaited, never a duration

inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = waitMs)
{
    return testsupport::WaitFor(done, timeoutMs);
}

struct Received
{
    unsigned number = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::optional<std::string> text;
    std::optional<BROADBAND_REQUEST_RESULT> result;
    std::optional<BROADBAND_SMS_DATA> sms;
    std::optional<BROADBAND_INFO_DATA> row;
    std::optional<BROADBAND_REGISTRATION_DATA> registration;
    std::optional<MBIM_PHONEBOOK_CONFIGURATION> phonebook;
    std::optional<MBIM_PHONEBOOK_ITEM> entry;
};

class Window
{
public:
    Window() : target(&context, [this](const Message& m) { return Handle(m); }) { }

    std::vector<std::string> Log() const
    {
        std::vector<std::string> lines;
        for (const auto& r : received)
            if (r.number == WM_BROADBAND_LOG)
                lines.push_back(*r.text);
        return lines;
    }
    bool Logged(const std::string& line) const
    {
        const auto log = Log();
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    // Rows as "kind|name|value".
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (const auto& r : received)
            if (r.number == WM_BROADBAND_INFO)
                rows.push_back(std::to_string(r.wParam) + "|" + r.row->Name + "|" + r.row->Value);
        return rows;
    }
    bool HasRow(const std::string& row) const
    {
        const auto rows = Rows();
        return std::find(rows.begin(), rows.end(), row) != rows.end();
    }
    std::vector<Received> Events(std::uintptr_t code) const
    {
        std::vector<Received> out;
        for (const auto& r : received)
            if (r.number == WM_BROADBAND_EVENT && r.wParam == code)
                out.push_back(r);
        return out;
    }
    std::vector<BROADBAND_SMS_DATA> Messages() const
    {
        std::vector<BROADBAND_SMS_DATA> out;
        for (const auto& r : received)
            if (r.number == WM_BROADBAND_SMS)
                out.push_back(*r.sms);
        return out;
    }
    // Signal messages as (wParam, lParam).
    std::vector<std::pair<std::uintptr_t, std::intptr_t>> Signals() const
    {
        std::vector<std::pair<std::uintptr_t, std::intptr_t>> out;
        for (const auto& r : received)
            if (r.number == WM_BROADBAND_SIGNAL)
                out.emplace_back(r.wParam, r.lParam);
        return out;
    }
    std::optional<HRESULT> ResultOf(std::uintptr_t code, std::uint32_t requestId) const
    {
        for (const auto& r : Events(code))
            if (r.result && r.result->RequestID == requestId)
                return r.result->Status;
        return std::nullopt;
    }
    bool AwaitResult(std::uintptr_t code, std::uint32_t requestId)
    {
        return WaitFor([&] { return ResultOf(code, requestId).has_value(); });
    }
    std::vector<MBIM_PHONEBOOK_ITEM> Entries() const
    {
        std::vector<MBIM_PHONEBOOK_ITEM> out;
        for (const auto& r : received)
            if (r.entry)
                out.push_back(*r.entry);
        return out;
    }
    std::size_t Count(unsigned number) const
    {
        return static_cast<std::size_t>(
            std::count_if(received.begin(), received.end(), [&](const Received& r) { return r.number == number; }));
    }
    void Clear() { received.clear(); }

    QObject context;
    MessageFunctionTarget target;
    std::vector<Received> received;

private:
    std::intptr_t Handle(const Message& m)
    {
        Received r;
        r.number = m.Number;
        r.wParam = m.WParam;
        r.lParam = m.LParam;
        if (const auto* text = m.Record<std::string>())
            r.text = *text;
        if (const auto* result = m.Record<BROADBAND_REQUEST_RESULT>())
            r.result = *result;
        if (const auto* sms = m.Record<BROADBAND_SMS_DATA>())
            r.sms = *sms;
        if (const auto* row = m.Record<BROADBAND_INFO_DATA>())
            r.row = *row;
        if (const auto* registration = m.Record<BROADBAND_REGISTRATION_DATA>())
            r.registration = *registration;
        if (const auto* config = m.Record<MBIM_PHONEBOOK_CONFIGURATION>())
            r.phonebook = *config;
        if (const auto* entry = m.Record<MBIM_PHONEBOOK_ITEM>())
            r.entry = *entry;
        received.push_back(std::move(r));
        return 0;
    }
};

// The simulated modem with a connected session over it.
class Rig
{
public:
    explicit Rig(const std::string& link, sim::ModemConfig config = {})
    {
        sim::ModemSimulator::Options options;
        options.linkPath = link;
        options.modem = config;
        simulator = std::make_unique<sim::ModemSimulator>(options);
        std::string error;
        EXPECT_TRUE(simulator->start(&error)) << error;
        BroadbandService::Options serviceOptions;
        serviceOptions.paths.push_back(simulator->devicePath());
        serviceOptions.scanSysfs = false;
        serviceOptions.watchUdev = false;
        service = std::make_unique<BroadbandService>(serviceOptions);
        service->Start();
        EXPECT_TRUE(service->WaitUntilSettled(waitMs));
        session = std::make_unique<MobileBroadband>(&window.target, service.get());
        connected = session->Connect();
    }
    ~Rig()
    {
        session.reset();
        service.reset();
        // Let closing devices finish inside the loop they were opened in.
        QEventLoop().processEvents(QEventLoop::AllEvents, 20);
    }

    Window window;
    std::unique_ptr<sim::ModemSimulator> simulator;
    std::unique_ptr<BroadbandService> service;
    std::unique_ptr<MobileBroadband> session;
    bool connected = false;
};

} // namespace harness
