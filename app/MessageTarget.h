#pragma once
// Blocking hand-over of window messages between threads.
//
// A MessageTarget receives (number, wParam, lParam or record). Sent from the target's own thread,
// a message is a direct call. Sent from any other thread, the sender blocks until the target's
// thread has handled it, so a record passed by reference lives on the sender's side and is valid
// exactly while the handler runs; the receiver copies what it keeps.
//
// A thread that blocks (in Send, or in WaitEvent::Wait) keeps handling the messages other threads
// send to it meanwhile. That is what lets the user-interface thread wait for a worker that is
// itself blocked handing a record to the user-interface thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <typeinfo>
#include <vector>

class QObject;

namespace detail {
struct Mailbox;
}

// One message as its target receives it.
struct Message
{
    unsigned Number = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;

    // The record sent with SendRecord, or null when there is none or it is of another type.
    template <class T> const T* Record() const
    {
        return type_ != nullptr && *type_ == typeid(T) ? static_cast<const T*>(record_) : nullptr;
    }
    bool HasRecord() const { return record_ != nullptr; }

    const void* record_ = nullptr;
    const std::type_info* type_ = nullptr;
};

class MessageTarget
{
public:
    // context: the object whose thread handles the messages, normally the receiving window itself.
    // It must outlive this target.
    explicit MessageTarget(QObject* context);
    virtual ~MessageTarget();
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;

    // Hands the message over and returns the handler's result once it has run. An exception thrown
    // by the handler reaches the sender. Sending to a thread that never returns to its event loop
    // (nor waits in Send or WaitEvent::Wait) blocks the sender until it does.
    std::intptr_t Send(unsigned number, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

    template <class T> std::intptr_t SendRecord(unsigned number, std::uintptr_t wParam, const T& record)
    {
        Message m;
        m.Number = number;
        m.WParam = wParam;
        m.record_ = &record;
        m.type_ = &typeid(T);
        return Deliver(m);
    }

    QObject* Context() const { return context_; }

    // Handles one message on the context's thread.
    virtual std::intptr_t HandleMessage(const Message& message) = 0;

private:
    std::intptr_t Deliver(const Message& message);
    QObject* context_;
};

// A target that hands each message to a function; for dialogs and tests.
class MessageFunctionTarget : public MessageTarget
{
public:
    using Handler = std::function<std::intptr_t(const Message&)>;
    MessageFunctionTarget(QObject* context, Handler handler) : MessageTarget(context), handler_(std::move(handler)) { }
    std::intptr_t HandleMessage(const Message& message) override { return handler_(message); }

private:
    Handler handler_;
};

// A manual-reset event. Waiting on it keeps handling the messages sent to the waiting thread.
class WaitEvent
{
public:
    void Set();
    void Reset() { set_.store(false); }
    bool IsSet() const { return set_.load(); }
    // Returns true once the event is set, false when timeoutMs (if not negative) ran out first.
    bool Wait(int timeoutMs = -1);

private:
    std::atomic<bool> set_{false};
    std::mutex mutex_;
    std::vector<std::shared_ptr<detail::Mailbox>> waiters_;
};

// True while the calling thread is inside the handler of a message sent by the given thread. A
// thread must not wait for a sender whose message it is handling: that sender waits for it.
bool IsHandlingMessageFrom(std::thread::id sender);
