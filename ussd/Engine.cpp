#include "ussd/Engine.h"

#include "app/MessageTarget.h"
#include "app/Messages.h"
#include "device/UssdCoding.h"
#include "device/service/BroadbandService.h"
#include "device/service/UssdService.h"
#include "ussd/Coding.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>
#include <mutex>
#include <system_error>

using namespace ussd;

namespace {

// A short pause before each request, and one between the reply's arrival and its reading; a stop
// cuts both short.
constexpr int StartPauseMs = 100;
constexpr int ReplyPauseMs = 300;
// A request that began just after a stop asked for cancellation is asked again this often.
constexpr int CancelRetryMs = 100;
constexpr std::int32_t ActionRequired = 1;

QString What(const std::exception& e)
{
    return QString::fromLocal8Bit(e.what());
}

// What one request came to.
struct Outcome
{
    QString replyText;
    QString errorText;
    std::int32_t resultCode = -1; // -1: no reply was read
    bool keepAlive = false;
    bool success = false;
};

} // namespace

// Everything the engine thread touches. The thread holds it too, so that an engine that has to let
// go of a thread it cannot wait for leaves it a valid state to finish in.
struct TUssdEngine::Shared
{
    QObject context; // of the user-interface thread, where the device is reached
    std::atomic<MessageTarget*> log;
    std::atomic<MessageTarget*> owner;
    std::atomic<BroadbandService*> service;
    std::atomic<std::uint32_t> timeout{DefaultTimeoutMs};
    std::atomic<bool> swap{true};
    std::atomic<bool> abandoned{false};
    WaitEvent stop;
    WaitEvent finished;

    mutable std::mutex lock; // guards the fields below
    std::string interfaceId;
    QString request;
    std::unique_ptr<UssdService> session;

    Shared(MessageTarget* log, MessageTarget* owner, BroadbandService* service)
        : log(log), owner(owner), service(service)
    { }

    void Log(const QString& line)
    {
        MessageTarget* target = log.load();
        if (target == nullptr)
            return;
        try {
            target->SendRecord(WM_USSD_LOG, 0, line);
        } catch (...) {
            // A log line that could not be written changes nothing in the request.
        }
    }
    // A failing handler's exception reaches the request, which reports it.
    void Event(std::uintptr_t code)
    {
        if (MessageTarget* target = owner.load())
            target->Send(WM_USSD_EVENT, code, 0);
    }
    void Event(std::uintptr_t code, const QString& text)
    {
        if (MessageTarget* target = owner.load())
            target->SendRecord(WM_USSD_EVENT, code, text);
    }

    void CancelWait()
    {
        std::lock_guard guard(lock);
        if (session)
            session->Cancel();
    }
    void CloseSession()
    {
        std::unique_ptr<UssdService> closing;
        {
            std::lock_guard guard(lock);
            closing = std::move(session);
        }
        if (closing)
            closing->Close();
    }

    static void Thread(std::shared_ptr<Shared> self);
    void Run();
    bool Send(const QString& text);
    bool CreateSession();
    void Exchange(const QString& text, Outcome& outcome);
    void ReadReply(const UssdReply& reply, Outcome& outcome);
};

void TUssdEngine::Shared::Thread(std::shared_ptr<Shared> self)
{
    try {
        self->Run();
    } catch (...) {
        // Only the hand-over of the last events can fail here; the thread ends all the same.
    }
    self->finished.Set();
    // Let go of by its engine: the last reference goes on the thread that made the state.
    if (self->abandoned.load())
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [keep = std::move(self)] {}, Qt::QueuedConnection);
}

void TUssdEngine::Shared::Run()
{
    Event(USSD_EVENT_STARTED);
    stop.Wait(StartPauseMs);
    try {
        if (service.load() != nullptr)
            Log(QStringLiteral("USSD -> Initialize -> Ok"));
        else
            Log(QStringLiteral("USSD -> Initialize -> Error: ") + ErrorText(Hr::ServiceNotStarted));
        QString text;
        {
            std::lock_guard guard(lock);
            text = request;
        }
        Send(text);
    } catch (const std::exception& e) {
        Event(USSD_EVENT_EXCEPTION);
        Log(QStringLiteral("USSD -> SendRequest() -> Exception: ") + What(e));
    }
    Event(USSD_EVENT_FINISHED);
}

bool TUssdEngine::Shared::Send(const QString& text)
{
    Outcome outcome;
    try {
        if (!CreateSession()) {
            CloseSession();
            Log(QStringLiteral("USSD -> Send() -> CreateSession -> Error"));
        } else {
            Exchange(text, outcome);
            if (outcome.keepAlive) {
                Log(QStringLiteral("USSD -> UssdSession -> Keep alive"));
            } else {
                CloseSession();
                Log(QStringLiteral("USSD -> UssdSession -> Finished"));
            }
        }
    } catch (const std::exception& e) {
        Log(QStringLiteral("USSD -> Send() -> Exception: ") + What(e));
        // Only a dialogue the network keeps open may outlive the request.
        if (!outcome.keepAlive)
            CloseSession();
    }

    if (outcome.success)
        Event(USSD_EVENT_DATA, outcome.replyText);
    else
        Event(USSD_EVENT_ERROR, outcome.errorText);
    Event(outcome.keepAlive ? USSD_EVENT_SESSION_ACTIVE : USSD_EVENT_SESSION_FINISHED);
    QString result;
    if (outcome.resultCode == -1)
        result = QStringLiteral("Request uncompleted");
    else if (outcome.resultCode == 0 || outcome.resultCode == ActionRequired)
        result = QStringLiteral("Request completed");
    else
        result = ResultCodeText(outcome.resultCode);
    Event(USSD_EVENT_RESULT, result);
    return outcome.success;
}

bool TUssdEngine::Shared::CreateSession()
{
    try {
        std::string id;
        {
            std::lock_guard guard(lock);
            if (session) {
                Log(QStringLiteral("USSD -> UssdSession -> Active..."));
                return true;
            }
            id = interfaceId;
        }
        auto opened = std::make_unique<UssdService>(&context, service.load());
        const HRESULT hr = opened->Open(id);
        if (Failed(hr)) {
            Log(QStringLiteral("USSD -> UssdSessionStatics->CreateFromNetworkInterfaceId -> Error: ") +
                ErrorWithCode(hr));
            return false;
        }
        {
            std::lock_guard guard(lock);
            session = std::move(opened);
        }
        Event(USSD_EVENT_SESSION_OPEN);
        Log(QStringLiteral("USSD -> UssdSession -> Ready..."));
        return true;
    } catch (const std::exception& e) {
        Log(QStringLiteral("USSD -> CreateSession() -> Exception: ") + What(e));
        return false;
    }
}

void TUssdEngine::Shared::Exchange(const QString& text, Outcome& outcome)
{
    std::uint8_t dcs = 0;
    Bytes payload;
    UssdService::Encode(text, dcs, payload);
    if (payload.empty()) {
        // Nothing of the text can be sent.
        Log(QStringLiteral("USSD -> UssdMessageFactory->CreateMessage -> Error: ") + ErrorWithCode(Hr::InvalidArg));
        Log(QStringLiteral("USSD -> Send() -> CreateMessage -> Error"));
        return;
    }
    Log(QStringLiteral("USSD -> UssdMessage->Data Coding: %1").arg(int(dcs)));
    Log(QStringLiteral("USSD -> UssdMessage->Text: ") + text);

    UssdService* current = nullptr;
    {
        std::lock_guard guard(lock);
        current = session.get();
    }
    Log(QStringLiteral("USSD -> Waiting response..."));
    UssdReply reply;
    HRESULT hr = Hr::Abort;
    if (!stop.IsSet() && current != nullptr) {
        const auto wait = static_cast<int>(std::min<std::uint32_t>(timeout.load(), INT_MAX));
        hr = current->SendAndWait(text, wait, reply);
    }
    // A stop that coincides with the reply wins.
    if (stop.IsSet() || hr == Hr::Abort) {
        Log(QStringLiteral("USSD -> Stop event..."));
        outcome.errorText = QStringLiteral("Request cancelled");
        return;
    }
    if (hr == Hr::Pending) {
        outcome.errorText = QStringLiteral("No response, timeout");
        Log(QStringLiteral("USSD -> No response, timeout..."));
        return;
    }
    if (hr == Hr::Busy) {
        // Refused beside another dialogue that waits for its user; closing this session afterwards
        // sends no cancel, so that dialogue goes on.
        outcome.errorText = QString::fromLatin1(UssdBusyText);
        Log(QStringLiteral("USSD -> UssdSession->SendMessageAndGetReplyAsync -> Error: ") + ErrorWithCode(hr));
        return;
    }
    if (Failed(hr)) {
        // The device ended the exchange without a reply: it refused it, or it went away.
        outcome.errorText = QStringLiteral("Bad request");
        Log(QStringLiteral("USSD -> UssdAsyncInfo->GetResults -> Error: ") + ErrorWithCode(hr));
        return;
    }
    stop.Wait(ReplyPauseMs);
    ReadReply(reply, outcome);
}

void TUssdEngine::Shared::ReadReply(const UssdReply& reply, Outcome& outcome)
{
    outcome.resultCode = reply.ResultCode;
    Log(QStringLiteral("USSD -> UssdReply->Result code: %1 (%2)")
            .arg(ResultCodeText(reply.ResultCode))
            .arg(reply.ResultCode));
    if (reply.ResultCode == ActionRequired)
        outcome.keepAlive = true;
    const std::uint8_t dcs = reply.DataCodingScheme;
    Log(QStringLiteral("USSD -> UssdResponse->Data Coding: %1").arg(int(dcs)));

    // The text as the device layer reads it: GSM and UCS2 by their tables, 8-bit data octet by octet.
    outcome.replyText = reply.HasText ? reply.Text : DecodeOctets(reply.Payload.data(), reply.Payload.size());
    Log(QStringLiteral("USSD -> UssdResponse->TextDef: ") + outcome.replyText);
    outcome.success = true;

    const Bytes& payload = reply.Payload;
    Log(QStringLiteral("USSD -> UssdResponse->GetData -> %1 bytes").arg(static_cast<qulonglong>(payload.size())));
    Log(QStringLiteral("USSD -> UssdResponse->GetData: ") + HexDump(payload));
    if (UssdAlphabetOf(dcs) == UssdAlphabet::Ucs2) {
        // 16-bit text in the byte order the user chose.
        const std::size_t skip = std::min(UssdPrefixOctets(dcs), payload.size());
        outcome.replyText = swap.load() ? DecodeUcs2Swapped(payload.data() + skip, payload.size() - skip)
                                        : DecodeUcs2(payload.data() + skip, payload.size() - skip);
        Log(QStringLiteral("USSD -> UssdResponse->Text: ") + outcome.replyText);
    } else if (outcome.replyText.isEmpty()) {
        outcome.replyText = DecodeGsm7(payload.data(), payload.size());
        Log(QStringLiteral("USSD -> UssdResponse->Text: ") + outcome.replyText);
    }
}

TUssdEngine::TUssdEngine(MessageTarget* logWindow, MessageTarget* owner, BroadbandService* service)
    : shared_(std::make_shared<Shared>(logWindow, owner, service)),
      launcher_([](std::function<void()> work) { return std::thread(std::move(work)); })
{ }

TUssdEngine::~TUssdEngine()
{
    if (thread_.joinable())
        Stop();
    if (shared_->abandoned.load())
        return; // the thread finishes with the session
    std::unique_ptr<UssdService> session;
    {
        std::lock_guard guard(shared_->lock);
        session = std::move(shared_->session);
    }
    if (session) {
        session->Close();
        session.reset();
        shared_->Log(QStringLiteral("USSD -> Session closed"));
    }
}

void TUssdEngine::SetInterfaceId(const std::string& interfaceId)
{
    std::lock_guard guard(shared_->lock);
    shared_->interfaceId = interfaceId;
}

std::string TUssdEngine::InterfaceId() const
{
    std::lock_guard guard(shared_->lock);
    return shared_->interfaceId;
}

void TUssdEngine::SetTimeout(std::uint32_t milliseconds)
{
    shared_->timeout = milliseconds;
}

std::uint32_t TUssdEngine::Timeout() const
{
    return shared_->timeout.load();
}

void TUssdEngine::SetSwapBytes(bool swap)
{
    shared_->swap = swap;
}

bool TUssdEngine::SwapBytes() const
{
    return shared_->swap.load();
}

void TUssdEngine::SetLauncher(Launcher launcher)
{
    launcher_ = std::move(launcher);
}

bool TUssdEngine::SendRequest(const QString& text)
{
    {
        std::lock_guard guard(shared_->lock);
        shared_->request = text;
    }
    return Start();
}

bool TUssdEngine::Start()
{
    shared_->Log(QStringLiteral("USSD -> Start()"));
    if (Running() || shared_->abandoned.load())
        return false;
    // The last run has ended: reap its thread.
    if (thread_.joinable())
        thread_.join();
    shared_->stop.Reset();
    shared_->finished.Reset();
    if (shared_->service.load() == nullptr)
        shared_->service = BroadbandService::Default();
    try {
        thread_ = launcher_([shared = shared_]() mutable { Shared::Thread(std::move(shared)); });
    } catch (const std::system_error&) {
        thread_ = std::thread();
    }
    if (!thread_.joinable()) {
        shared_->finished.Set();
        shared_->Log(QStringLiteral("USSD -> Start() -> Error: Unable to create comminication thread."));
        return false;
    }
    threadId_ = thread_.get_id();
    return true;
}

void TUssdEngine::Stop()
{
    shared_->Log(QStringLiteral("USSD -> Stop()"));
    shared_->stop.Set();
    if (!thread_.joinable())
        return;
    if (IsHandlingMessageFrom(threadId_)) {
        // Asked from inside one of the thread's own hand-overs, which waits for this to return:
        // the thread is cancelled and let go, and sends nothing more.
        shared_->log = nullptr;
        shared_->owner = nullptr;
        shared_->abandoned = true;
        shared_->CancelWait();
        thread_.detach();
        return;
    }
    shared_->CancelWait();
    // Waiting hands the thread's log lines and events over, so it can always reach its end.
    while (!shared_->finished.Wait(CancelRetryMs))
        shared_->CancelWait();
    thread_.join();
}

bool TUssdEngine::Running() const
{
    return thread_.joinable() && !shared_->finished.IsSet();
}

bool TUssdEngine::SessionOpen() const
{
    std::lock_guard guard(shared_->lock);
    return shared_->session != nullptr;
}
