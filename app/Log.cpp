#include "app/Log.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {
std::atomic<TApplicationLog*> currentLog{nullptr};
}

TApplicationLog::TApplicationLog(std::string logPath) : path(std::move(logPath))
{
    // O_APPEND makes every line land at the end even when another process appended meanwhile;
    // no O_CREAT: a missing file means logging is off for this run.
    file = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    currentLog.store(this);
    WriteText("");
}

TApplicationLog::~TApplicationLog()
{
    TApplicationLog* self = this;
    currentLog.compare_exchange_strong(self, nullptr);
    if (file >= 0)
        ::close(file);
}

TApplicationLog* TApplicationLog::Current()
{
    return currentLog.load();
}

std::string TApplicationLog::TimestampPrefix()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d %02d:%02d:%02d  ", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return buffer;
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
    std::lock_guard guard(lock);
    if (file < 0)
        return;
    std::string line = TimestampPrefix();
    line.append(text);
    line.append("\r\n");
    // One write call per line; a short write is finished so a line is never cut in two.
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(file, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return; // the line is lost; the next one is tried afresh
        data += written;
        left -= static_cast<size_t>(written);
    }
}
