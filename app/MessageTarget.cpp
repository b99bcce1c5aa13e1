#include "MessageTarget.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <unordered_map>

namespace detail {

struct Item;

// The messages sent to one thread and not yet handled. The same mutex and condition guard the
// completion of the messages this thread has sent, so a blocked thread wakes for either.
struct Mailbox
{
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<Item*> queue;
    std::atomic<std::size_t> queued{0}; // queue.size(), readable without the lock
    // The thread is idling in Pump and picks new messages up without a posted wake-up.
    bool lingering = false;
};

struct Item
{
    MessageTarget* target = nullptr;
    Message message;
    std::intptr_t result = 0;
    std::exception_ptr error;
    std::atomic<bool> done{false}; // written under sender->mutex
    std::shared_ptr<Mailbox> sender;
    std::thread::id senderId;
};

} // namespace detail

namespace {

using detail::Item;
using detail::Mailbox;
using Clock = std::chrono::steady_clock;

// After handling a message the thread waits this long for the next one before it returns to its
// event loop; a worker that streams rows then costs no event-loop round trip per row.
constexpr auto kLinger = std::chrono::microseconds(500);
// Longest stretch of streamed messages before the event loop gets its turn again.
constexpr auto kBurst = std::chrono::milliseconds(30);
// Before a blocked thread sleeps it spins this long: a hand-over to a thread that is awake then
// costs no wake-up of a sleeping thread, which is most of its price. Only with a second core.
constexpr auto kSpin = std::chrono::microseconds(30);

// Spins until ready() holds or kSpin has passed; true when it holds.
template <class Ready> bool Spin(Ready ready)
{
    static const bool worthIt = std::thread::hardware_concurrency() > 1;
    if (!worthIt)
        return ready();
    const auto until = Clock::now() + kSpin;
    for (unsigned i = 0;; ++i) {
        if (ready())
            return true;
        if ((i & 7) == 7 && Clock::now() > until)
            return false;
        // Yielding rather than pausing: on a busy machine the partner may be waiting for this core.
        std::this_thread::yield();
    }
}

struct Registry
{
    std::mutex mutex;
    std::unordered_map<QThread*, std::shared_ptr<Mailbox>> boxes;
};

Registry& registry()
{
    // Never destroyed: threads may still send while static objects are torn down.
    static auto* r = new Registry;
    return *r;
}

std::shared_ptr<Mailbox> MailboxOf(QThread* thread)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto& box = r.boxes[thread];
    if (!box)
        box = std::make_shared<Mailbox>();
    return box;
}

struct OwnMailbox
{
    std::shared_ptr<Mailbox> box;
    QThread* thread = nullptr;
    ~OwnMailbox()
    {
        if (!box)
            return;
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = r.boxes.find(thread);
        if (it != r.boxes.end() && it->second == box)
            r.boxes.erase(it);
    }
};

thread_local OwnMailbox tOwn;
// Senders of the messages whose handlers are running on this thread, innermost last.
thread_local std::vector<std::thread::id> tHandling;

const std::shared_ptr<Mailbox>& Own()
{
    if (!tOwn.box) {
        tOwn.thread = QThread::currentThread();
        tOwn.box = MailboxOf(tOwn.thread);
    }
    return tOwn.box;
}

void Serve(Item* item)
{
    tHandling.push_back(item->senderId);
    try {
        item->result = item->target->HandleMessage(item->message);
    } catch (...) {
        item->error = std::current_exception();
    }
    tHandling.pop_back();
    std::shared_ptr<Mailbox> sender = item->sender;
    std::lock_guard lock(sender->mutex);
    item->done = true; // the sender may free the item as soon as the lock is released
    sender->cv.notify_all();
}

void PostPump(QObject* context);
void ResumePump(QObject* context);

// Runs from the event loop of the mailbox's thread.
void Pump(const std::shared_ptr<Mailbox>& box)
{
    std::unique_lock lock(box->mutex);
    const auto start = Clock::now();
    bool served = false;
    for (;;) {
        if (!box->queue.empty()) {
            if (Clock::now() - start > kBurst) {
                ResumePump(box->queue.front()->target->Context());
                break;
            }
            Item* item = box->queue.front();
            box->queue.pop_front();
            box->queued.store(box->queue.size());
            lock.unlock();
            Serve(item);
            lock.lock();
            served = true;
            continue;
        }
        if (!served)
            break;
        box->lingering = true;
        lock.unlock();
        const bool more = Spin([&] { return box->queued.load() != 0; });
        lock.lock();
        if (!more && box->queue.empty())
            box->cv.wait_for(lock, kLinger);
        box->lingering = false;
        if (box->queue.empty())
            break;
    }
}

void PostPump(QObject* context)
{
    // The pump finds the mailbox of the thread it runs on: the one that was posted to, unless the
    // context moved, in which case that thread's own messages are what it can serve.
    QMetaObject::invokeMethod(
        context, [] { Pump(Own()); }, Qt::QueuedConnection);
}

void ResumePump(QObject* context)
{
    // Through a timer, not a posted event: a chain of posted events keeps the event loop from ever
    // going idle, and timers wait for that once one has fired, so a long stream would hold them
    // back for several bursts in a row.
    QTimer::singleShot(1, Qt::PreciseTimer, context, [] { Pump(Own()); });
}

// Blocks until done() holds (checked under the mailbox lock), handling the messages sent to this
// thread meanwhile. Returns false when the deadline passed first.
template <class Done> bool WaitServing(Mailbox& box, Done done, const Clock::time_point* deadline)
{
    std::unique_lock lock(box.mutex);
    for (;;) {
        if (done())
            return true;
        if (!box.queue.empty()) {
            Item* item = box.queue.front();
            box.queue.pop_front();
            box.queued.store(box.queue.size());
            lock.unlock();
            Serve(item);
            lock.lock();
            continue;
        }
        if (deadline == nullptr) {
            box.cv.wait(lock);
        } else if (box.cv.wait_until(lock, *deadline) == std::cv_status::timeout) {
            if (done())
                return true;
            if (box.queue.empty())
                return false;
        }
    }
}

} // namespace

MessageTarget::MessageTarget(QObject* context) : context_(context)
{ }

MessageTarget::~MessageTarget()
{
    // Release senders still waiting for this target; their messages are dropped with result 0.
    std::vector<std::shared_ptr<Mailbox>> boxes;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (auto& [thread, box] : r.boxes)
            boxes.push_back(box);
    }
    for (auto& box : boxes) {
        std::vector<Item*> dropped;
        {
            std::lock_guard lock(box->mutex);
            for (auto it = box->queue.begin(); it != box->queue.end();) {
                if ((*it)->target == this) {
                    dropped.push_back(*it);
                    it = box->queue.erase(it);
                } else {
                    ++it;
                }
            }
            box->queued.store(box->queue.size());
            // The wake-up posted for the remaining messages may have gone to this target's context.
            if (!dropped.empty() && !box->queue.empty())
                PostPump(box->queue.front()->target->Context());
        }
        for (Item* item : dropped) {
            std::shared_ptr<Mailbox> sender = item->sender;
            std::lock_guard lock(sender->mutex);
            item->done = true;
            sender->cv.notify_all();
        }
    }
}

std::intptr_t MessageTarget::Send(unsigned number, std::uintptr_t wParam, std::intptr_t lParam)
{
    Message m;
    m.Number = number;
    m.WParam = wParam;
    m.LParam = lParam;
    return Deliver(m);
}

std::intptr_t MessageTarget::Deliver(const Message& message)
{
    QThread* thread = context_->thread();
    if (thread == QThread::currentThread()) {
        tHandling.push_back(std::this_thread::get_id());
        struct Pop
        {
            ~Pop() { tHandling.pop_back(); }
        } pop;
        return HandleMessage(message);
    }

    const std::shared_ptr<Mailbox>& own = Own();
    std::shared_ptr<Mailbox> box = MailboxOf(thread);
    Item item;
    item.target = this;
    item.message = message;
    item.sender = own;
    item.senderId = std::this_thread::get_id();
    bool post;
    {
        std::lock_guard lock(box->mutex);
        box->queue.push_back(&item);
        box->queued.store(box->queue.size());
        post = !box->lingering;
        box->cv.notify_all();
    }
    if (post)
        PostPump(context_);
    if (!Spin([&] { return item.done.load() || own->queued.load() != 0; }) || !item.done.load())
        WaitServing(
            *own, [&] { return item.done.load(); }, nullptr);
    if (item.error)
        std::rethrow_exception(item.error);
    return item.result;
}

void WaitEvent::Set()
{
    set_.store(true);
    std::lock_guard lock(mutex_);
    for (auto& box : waiters_) {
        std::lock_guard boxLock(box->mutex);
        box->cv.notify_all();
    }
}

bool WaitEvent::Wait(int timeoutMs)
{
    if (set_.load())
        return true;
    std::shared_ptr<Mailbox> own = Own();
    {
        std::lock_guard lock(mutex_);
        waiters_.push_back(own);
    }
    bool result;
    if (timeoutMs < 0) {
        result = WaitServing(
            *own, [&] { return set_.load(); }, nullptr);
    } else {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        result = WaitServing(
            *own, [&] { return set_.load(); }, &deadline);
    }
    std::lock_guard lock(mutex_);
    for (auto it = waiters_.begin(); it != waiters_.end(); ++it) {
        if (*it == own) {
            waiters_.erase(it);
            break;
        }
    }
    return result;
}

bool IsHandlingMessageFrom(std::thread::id sender)
{
    for (const auto& id : tHandling)
        if (id == sender)
            return true;
    return false;
}
