// Sending log lines and messages to the target, and what every sink does alike.

#include "device/BroadbandSend.h"
#include "device/service/BroadbandService.h"

using broadband::Decimal;
using broadband::separator;

void BroadbandSender::LogLine(const std::string& text) const
{
    if (target)
        target->SendRecord(WM_BROADBAND_LOG, 0, text);
}

void BroadbandSender::Event(std::uintptr_t code, std::intptr_t lParam) const
{
    if (target)
        target->Send(WM_BROADBAND_EVENT, code, lParam);
}

void BroadbandSender::EventResult(std::uintptr_t code, std::uint32_t requestId, HRESULT status,
                                  std::uint32_t messageReference, std::int32_t attemptsRemaining) const
{
    if (target)
        target->SendRecord(WM_BROADBAND_EVENT, code,
                           BROADBAND_REQUEST_RESULT{requestId, status, messageReference, attemptsRemaining});
}

void BroadbandSender::Plain(unsigned number, std::uintptr_t wParam, std::intptr_t lParam) const
{
    if (target)
        target->Send(number, wParam, lParam);
}

void BroadbandSender::LogFailed(const char* step, HRESULT hr) const
{
    LogLine(std::string(step) + "() -> Failed: " + HresultText(hr));
}

void BroadbandSender::BlockHeading(const char* title) const
{
    LogLine("");
    LogLine(title);
    LogLine(separator);
}

bool BroadbandSink::Connect(BroadbandService* newSource)
{
    Disconnect();
    if (!newSource) {
        LogLine(std::string(className) +
                "::Connect() -> QueryInterface -> Failed: " + std::to_string(static_cast<HRESULT>(0x80004003)));
        return false;
    }
    std::uint32_t newCookie = 0;
    const HRESULT hr = AdviseOn(*newSource, newCookie);
    if (Failed(hr)) {
        LogLine(std::string(className) + "::Connect() -> pIConnectionPoint->Advise -> Failed: " + std::to_string(hr));
        return false;
    }
    cookie = newCookie;
    source = newSource;
    sourceLifetime = newSource->Lifetime();
    LogLine(std::string(className) + "::Connect() -> Ok");
    return true;
}

void BroadbandSink::Disconnect()
{
    if (cookie == 0)
        return;
    // A destroyed source took the advice with it.
    if (!sourceLifetime.expired())
        source->Unadvise(cookie);
    cookie = 0;
    source = nullptr;
    sourceLifetime.reset();
    LogLine(std::string(className) + "::Disconnect() -> Ok");
}

void BroadbandSink::EntryLine(const char* method) const
{
    LogLine(std::string(className) + "::" + method + "()");
}

bool BroadbandSink::CompletionLine(const char* method, std::uint32_t requestId, HRESULT status) const
{
    // Any status but 0 is an error, success codes included.
    if (status != 0)
        LogLine(std::string(className) + "::" + method + "() -> Error: " + HresultText(status) +
                ", Request ID = " + Decimal(requestId));
    else
        LogLine(std::string(className) + "::" + method + "() -> Ok, Request ID = " + Decimal(requestId));
    return status == 0;
}

void BroadbandSink::Completion(const char* method, std::uintptr_t code, std::uint32_t requestId, HRESULT status) const
{
    CompletionLine(method, requestId, status);
    EventResult(code, requestId, status);
}
