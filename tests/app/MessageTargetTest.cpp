#include "app/MessageTarget.h"
#include "app/Messages.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int guardMs = 20000;

TEST(MessageTarget, SameThreadIsADirectCallWithRecordAndResult)
{
    QObject context;
    std::vector<std::string> seen;
    MessageFunctionTarget target(&context, [&](const Message& m) -> std::intptr_t {
        if (auto* r = m.Record<DATABASE_SMS_DATA>()) {
            seen.push_back(r->Pdu);
            EXPECT_EQ(m.Record<DATABASE_TEMPLATE_DATA>(), nullptr); // asked as the wrong type
            return static_cast<std::intptr_t>(m.WParam) + 1;
        }
        EXPECT_FALSE(m.HasRecord());
        return m.LParam * 2;
    });
    DATABASE_SMS_DATA row;
    row.Pdu = "0011";
    EXPECT_EQ(target.SendRecord(WM_DATABASE_SMS, 41, row), 42);
    EXPECT_EQ(target.Send(WM_BROADBAND_SIGNAL, 1, 21), 42);
    EXPECT_EQ(seen, std::vector<std::string>{"0011"});
}

TEST(MessageTarget, NumbersKeepTheirValues)
{
    EXPECT_EQ(WM_TRAY_NOTIFY, 1125u);
    EXPECT_EQ(WM_DATACLASS_NOTIFY, 1126u);
    EXPECT_EQ(WM_BROADBAND_LOG, 1144u);
    EXPECT_EQ(WM_BROADBAND_PHONEBOOK, 1151u);
    EXPECT_EQ(WM_DATABASE_SMS, 1245u);
    EXPECT_EQ(WM_DATABASE_TEMPLATE, 1246u);
    EXPECT_EQ(WM_DATABASE_LOAD, 1248u);
    EXPECT_EQ(WM_USSD_LOG, 1325u);
    EXPECT_EQ(WM_USSD_EVENT, 1326u);
}

// A worker hands records to the main thread: each runs there, in order, while the record (on the
// worker's stack) is alive, and the worker sees the handler's effect as soon as Send returns.
TEST(MessageTarget, CrossThreadSendBlocksUntilHandledOnTargetThread)
{
    QObject context;
    QThread* mainThread = QThread::currentThread();
    int handled = 0;
    bool wrongThread = false;
    std::vector<std::string> pdus;
    MessageFunctionTarget target(&context, [&](const Message& m) -> std::intptr_t {
        if (QThread::currentThread() != mainThread)
            wrongThread = true;
        pdus.push_back(m.Record<DATABASE_SMS_DATA>()->Pdu);
        return ++handled;
    });
    constexpr int kCount = 500;
    std::atomic<bool> finished{false};
    std::vector<std::intptr_t> results;
    std::thread worker([&] {
        for (int i = 0; i < kCount; ++i) {
            DATABASE_SMS_DATA row;
            row.Pdu = std::to_string(i);
            results.push_back(target.SendRecord(WM_DATABASE_SMS, i, row));
            row.Pdu = "overwritten after the hand-over";
        }
        finished = true;
    });
    EXPECT_TRUE(testsupport::WaitFor([&] { return finished.load(); }, guardMs));
    worker.join();
    EXPECT_FALSE(wrongThread);
    ASSERT_EQ(pdus.size(), size_t(kCount));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(pdus[i], std::to_string(i));
        EXPECT_EQ(results[i], i + 1);
    }
}

// The target's thread does not run its event loop but waits on an event that the sender sets
// only after its sends returned: the waiting thread must handle them, or both threads hang.
TEST(MessageTarget, WaitingThreadKeepsHandlingSends)
{
    QObject context;
    int handled = 0;
    bool insideWait = false;
    bool handledOutsideWait = false;
    MessageFunctionTarget target(&context, [&](const Message&) -> std::intptr_t {
        if (!insideWait)
            handledOutsideWait = true;
        ++handled;
        return 0;
    });
    WaitEvent done;
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i)
            target.Send(WM_DATABASE_LOAD, 1);
        done.Set();
    });
    insideWait = true;
    EXPECT_TRUE(done.Wait());
    insideWait = false;
    worker.join();
    EXPECT_EQ(handled, 200);
    EXPECT_FALSE(handledOutsideWait);
    // Wake-ups posted for sends already handled inside the wait find nothing left to do.
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 200);
}

TEST(MessageTarget, WaitEventTimesOutAndResets)
{
    WaitEvent e;
    EXPECT_FALSE(e.Wait(0));
    EXPECT_FALSE(e.Wait(5));
    e.Set();
    EXPECT_TRUE(e.IsSet());
    EXPECT_TRUE(e.Wait(0));
    EXPECT_TRUE(e.Wait());
    e.Reset();
    EXPECT_FALSE(e.Wait(0));
}

TEST(MessageTarget, HandlerExceptionReachesTheSender)
{
    QObject context;
    MessageFunctionTarget target(&context,
                                 [&](const Message&) -> std::intptr_t { throw std::runtime_error("handler failed"); });
    std::atomic<bool> finished{false};
    std::string caught;
    std::thread worker([&] {
        try {
            target.Send(WM_USSD_LOG);
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
        finished = true;
    });
    EXPECT_TRUE(testsupport::WaitFor([&] { return finished.load(); }, guardMs));
    worker.join();
    EXPECT_EQ(caught, "handler failed");
}

TEST(MessageTarget, KnowsWhoseMessageIsBeingHandled)
{
    QObject context;
    std::thread::id workerId;
    bool inside = false;
    MessageFunctionTarget target(&context, [&](const Message&) -> std::intptr_t {
        inside = IsHandlingMessageFrom(workerId);
        return 0;
    });
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        target.Send(WM_DATABASE_LOAD, 1);
        finished = true;
    });
    workerId = worker.get_id();
    EXPECT_TRUE(testsupport::WaitFor([&] { return finished.load(); }, guardMs));
    worker.join();
    EXPECT_TRUE(inside);
    EXPECT_FALSE(IsHandlingMessageFrom(workerId));
}

// The main thread, handling a worker's message, sends to a target on that worker's thread: the
// worker is blocked in its own send and must handle the nested message meanwhile.
TEST(MessageTarget, MutualSendsBetweenTwoThreadsDoNotDeadlock)
{
    QThread workerThread;
    QObject workerContext;
    workerContext.moveToThread(&workerThread);
    QObject mainContext;
    std::atomic<int> workerHandled{0};
    MessageFunctionTarget onWorker(&workerContext, [&](const Message& m) -> std::intptr_t {
        ++workerHandled;
        return static_cast<std::intptr_t>(m.WParam) * 10;
    });
    std::intptr_t nested = 0;
    MessageFunctionTarget onMain(&mainContext, [&](const Message& m) -> std::intptr_t {
        nested = onWorker.Send(WM_BROADBAND_EVENT, m.WParam);
        return nested + 1;
    });
    std::atomic<std::intptr_t> result{0};
    workerThread.start();
    QMetaObject::invokeMethod(&workerContext, [&] { result = onMain.Send(WM_BROADBAND_EVENT, 7); });
    EXPECT_TRUE(testsupport::WaitFor([&] { return result.load() != 0; }, guardMs));
    workerThread.quit();
    workerThread.wait();
    EXPECT_EQ(nested, 70);
    EXPECT_EQ(result.load(), 71);
    EXPECT_EQ(workerHandled.load(), 1);
}

} // namespace
