#pragma once
// TUssdEngine: runs USSD requests on the MBIM USSD service of one device, each on a thread of its
// own, and keeps the dialogue with the network open while the network waits for a further answer.
// What happens is handed to two targets with the blocking hand-over: log lines (WM_USSD_LOG, a
// QString record) to the log window, events (WM_USSD_EVENT, the code in wParam, a QString record
// for the codes that carry a text) to the owner.

#include "device/Texts.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class BroadbandService;
class MessageTarget;

// WM_USSD_EVENT codes.
inline constexpr std::uintptr_t USSD_EVENT_DATA = 1;             // the reply's text
inline constexpr std::uintptr_t USSD_EVENT_ERROR = 2;            // the error's text, may be empty
inline constexpr std::uintptr_t USSD_EVENT_STARTED = 3;          // the thread has started
inline constexpr std::uintptr_t USSD_EVENT_FINISHED = 4;         // the thread is about to end
inline constexpr std::uintptr_t USSD_EVENT_EXCEPTION = 5;        // an exception ended the work
inline constexpr std::uintptr_t USSD_EVENT_SESSION_OPEN = 6;     // a new session was opened
inline constexpr std::uintptr_t USSD_EVENT_SESSION_FINISHED = 7; // the session was closed
inline constexpr std::uintptr_t USSD_EVENT_SESSION_ACTIVE = 8;   // the network expects an answer
inline constexpr std::uintptr_t USSD_EVENT_RESULT = 9;           // short outcome for the status bar

class TUssdEngine
{
public:
    static constexpr std::uint32_t DefaultTimeoutMs = 15000;

    // logWindow: null logs nothing. owner: the window that runs the requests. service: null takes
    // the process's default broadband service. Made on the user-interface thread, where the device
    // layer runs.
    TUssdEngine(MessageTarget* logWindow, MessageTarget* owner, BroadbandService* service = nullptr);
    // Stops a running request and closes a session that is still open.
    ~TUssdEngine();
    TUssdEngine(const TUssdEngine&) = delete;
    TUssdEngine& operator=(const TUssdEngine&) = delete;

    void SetInterfaceId(const std::string& interfaceId);
    std::string InterfaceId() const;
    // Longest wait for a reply.
    void SetTimeout(std::uint32_t milliseconds);
    std::uint32_t Timeout() const;
    // true: 16-bit reply payloads are big-endian. May change while a request runs.
    void SetSwapBytes(bool swap);
    bool SwapBytes() const;

    // Runs text (trimmed by the caller) as the next request. One request at a time: the owner waits
    // for USSD_EVENT_FINISHED. False when no thread could be made: that is logged, and no event
    // follows.
    bool SendRequest(const QString& text);
    bool Start();
    // Cancels a running request at the device and waits for its thread to end, handing over its
    // log lines and events meanwhile. A thread is never killed.
    void Stop();
    bool Running() const;
    // A session is kept while the network waits for a further answer.
    bool SessionOpen() const;

    // Starts work on a new thread; throws std::system_error when none can be made. Tests replace it.
    using Launcher = std::function<std::thread(std::function<void()>)>;
    void SetLauncher(Launcher launcher);

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    std::thread::id threadId_;
    Launcher launcher_;
};
