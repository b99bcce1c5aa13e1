#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

// The application's log file. Logging is opt-in: the file is opened, never created, so lines
// are written only when a file of the expected name already exists. The file is UTF-8.
//
// A replay logs a million lines in a second, so lines are not written one by one: they collect
// in memory and a writer thread appends them in one write() at most WriteIntervalMs after the
// first of them was logged, or sooner once BatchBytes have collected. Each line keeps the time it
// was logged. Safe to call from any thread.
class TApplicationLog
{
public:
    static constexpr int WriteIntervalMs = 50;
    static constexpr std::size_t BatchBytes = 1024 * 1024;
    // A logger waits for the writer beyond this, so a stalled disk cannot take all memory.
    static constexpr std::size_t MaxPendingBytes = 32 * 1024 * 1024;

    explicit TApplicationLog(std::string path);
    // Writes every line still waiting.
    ~TApplicationLog();
    TApplicationLog(const TApplicationLog&) = delete;
    TApplicationLog& operator=(const TApplicationLog&) = delete;

    // Start-of-run marker and other raw text.
    void WriteText(const char* text);
    // Every other line; the text is UTF-8.
    void WriteString(std::string_view text);
    // Returns when every line logged before the call is in the file (or its write failed).
    void Flush();

    bool IsOpen() const { return file >= 0; }
    const std::string& Path() const { return path; }

    // "dd.mm.yyyy hh:nn:ss  " for the current local time.
    static std::string TimestampPrefix();
    // The log file beside a program: the executable path with its extension replaced by ".log".
    static std::string PathForExecutable(const std::string& executablePath);

    // The one log object of the process, or nullptr before it exists and after it is gone.
    static TApplicationLog* Current();

private:
    void WriteLine(std::string_view text);
    void WriterLoop();
    void WriteAll(const std::string& lines);

    std::mutex lock;
    std::condition_variable wake;    // the writer: lines waiting, a flush asked for, or the end
    std::condition_variable written; // Flush callers and loggers held back by a full buffer
    std::string path;
    int file = -1;

    // Whole lines not yet taken by the writer, and when the first of them was logged.
    std::string pending;
    std::chrono::steady_clock::time_point firstPending;
    std::uint64_t logged = 0;  // lines put into pending, ever
    std::uint64_t done = 0;    // of those, lines written or lost to a failed write
    std::uint64_t flushTo = 0; // the writer does not wait while done is below this
    bool stopping = false;

    // The prefix of the second last formatted; local time is worked out once a second.
    std::time_t prefixSecond = -1;
    char prefix[32] = {};
    std::size_t prefixSize = 0;

    std::thread writer; // runs only while the file is open
};
