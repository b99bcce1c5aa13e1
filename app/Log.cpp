#include "app/Log.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<TApplicationLog*> currentLog{nullptr};

std::size_t FormatPrefix(std::time_t when, char* out, std::size_t size)
{
    std::tm local{};
    localtime_r(&when, &local);
    const int n = std::snprintf(out, size, "%02d.%02d.%04d %02d:%02d:%02d  ", local.tm_mday, local.tm_mon + 1,
                                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return n < 0 ? 0 : std::min(static_cast<std::size_t>(n), size - 1);
}

} // namespace

TApplicationLog::TApplicationLog(std::string logPath) : path(std::move(logPath))
{
    // O_APPEND makes every write land at the end even when another process appended meanwhile;
    // no O_CREAT: a missing file means logging is off for this run.
    file = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (file >= 0)
        writer = std::thread([this] { WriterLoop(); });
    currentLog.store(this);
    WriteText("");
}

TApplicationLog::~TApplicationLog()
{
    TApplicationLog* self = this;
    currentLog.compare_exchange_strong(self, nullptr);
    if (writer.joinable()) {
        {
            std::lock_guard guard(lock);
            stopping = true;
        }
        wake.notify_one();
        writer.join(); // it writes what is left first
    }
    if (file >= 0)
        ::close(file);
}

TApplicationLog* TApplicationLog::Current()
{
    return currentLog.load();
}

std::string TApplicationLog::TimestampPrefix()
{
    char buffer[64];
    return std::string(buffer, FormatPrefix(std::time(nullptr), buffer, sizeof buffer));
}

std::string TApplicationLog::PathForExecutable(const std::string& executablePath)
{
    const auto slash = executablePath.find_last_of('/');
    const auto dot = executablePath.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1))
        return executablePath.substr(0, dot) + ".log";
    return executablePath + ".log";
}

void TApplicationLog::WriteText(const char* text)
{
    WriteLine(text ? std::string_view(text) : std::string_view());
}

void TApplicationLog::WriteString(std::string_view text)
{
    WriteLine(text);
}

void TApplicationLog::WriteLine(std::string_view text)
{
    if (file < 0)
        return;
    bool wakeWriter = false;
    {
        std::unique_lock guard(lock);
        if (pending.size() >= MaxPendingBytes)
            written.wait(guard, [this] { return pending.size() < MaxPendingBytes || stopping; });
        // Under the lock, so that the times of the lines never go back in the file.
        const std::time_t now = std::time(nullptr);
        if (now != prefixSecond) {
            prefixSize = FormatPrefix(now, prefix, sizeof prefix);
            prefixSecond = now;
        }
        const std::size_t before = pending.size();
        if (before == 0) {
            firstPending = std::chrono::steady_clock::now();
            wakeWriter = true;
        }
        pending.append(prefix, prefixSize);
        pending.append(text);
        pending.append("\r\n", 2);
        ++logged;
        if (before < BatchBytes && pending.size() >= BatchBytes)
            wakeWriter = true;
    }
    if (wakeWriter)
        wake.notify_one();
}

void TApplicationLog::Flush()
{
    if (file < 0)
        return;
    std::unique_lock guard(lock);
    const std::uint64_t target = logged;
    if (done >= target)
        return;
    flushTo = std::max(flushTo, target);
    wake.notify_one();
    written.wait(guard, [this, target] { return done >= target; });
}

void TApplicationLog::WriterLoop()
{
    std::string batch;
    std::unique_lock guard(lock);
    for (;;) {
        wake.wait(guard, [this] { return stopping || !pending.empty(); });
        if (pending.empty())
            break; // stopping, and everything is written
        wake.wait_until(guard, firstPending + std::chrono::milliseconds(WriteIntervalMs),
                        [this] { return stopping || flushTo > done || pending.size() >= BatchBytes; });
        // The buffers trade places, so both keep their capacity.
        batch.swap(pending);
        const std::uint64_t upTo = logged;
        written.notify_all(); // loggers held back by a full buffer
        guard.unlock();
        WriteAll(batch);
        if (batch.capacity() > 4 * BatchBytes)
            std::string().swap(batch); // after a burst the writer was slow in: give the memory back
        else
            batch.clear();
        guard.lock();
        done = upTo;
        written.notify_all();
    }
}

void TApplicationLog::WriteAll(const std::string& lines)
{
    // The batch holds only whole lines and goes in one write call, so another process appending
    // to the file never lands inside one of them. A short write is finished.
    const char* data = lines.data();
    std::size_t left = lines.size();
    while (left > 0) {
        const ssize_t count = ::write(file, data, left);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return; // these lines are lost; the next batch is tried afresh
        data += count;
        left -= static_cast<std::size_t>(count);
    }
}
