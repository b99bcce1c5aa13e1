#pragma once

#include <mutex>
#include <string>
#include <string_view>

// The application's log file. Logging is opt-in: the file is opened, never created, so lines
// are written only when a file of the expected name already exists. The file is UTF-8.
class TApplicationLog
{
public:
    explicit TApplicationLog(std::string path);
    ~TApplicationLog();
    TApplicationLog(const TApplicationLog&) = delete;
    TApplicationLog& operator=(const TApplicationLog&) = delete;

    // Start-of-run marker and other raw text.
    void WriteText(const char* text);
    // Every other line; the text is UTF-8.
    void WriteString(std::string_view text);

    bool IsOpen() const { return file >= 0; }
    const std::string& Path() const { return path; }

    // "dd.mm.yyyy hh:nn:ss  " for the current local time; shared with the on-screen echo.
    static std::string TimestampPrefix();
    // The log file beside a program: the executable path with its extension replaced by ".log".
    static std::string PathForExecutable(const std::string& executablePath);

    // The one log object of the process, or nullptr before it exists and after it is gone.
    static TApplicationLog* Current();

private:
    void WriteLine(std::string_view text);

    std::mutex lock;
    std::string path;
    int file = -1;
};
