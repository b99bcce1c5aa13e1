#pragma once
// Event sounds through libcanberra: the historic names map to freedesktop sound-theme events, a
// name ending in ".wav" is played as that file, anything else is ignored. libcanberra runs on a
// worker thread of its own, so Play never waits for the sound server; each sound plays at most
// once per half second; errors (no sound server, no card) are silent.

#include "app/Sounds.h"
#include "app/desktop/SoundThrottle.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

class DesktopSound : public SoundPlayer
{
public:
    // What libcanberra is asked to play: a theme event or a file.
    struct Request
    {
        QByteArray eventId;
        QByteArray file;
        bool operator==(const Request&) const = default;
    };
    static std::optional<Request> Resolve(const QString& name);

    explicit DesktopSound(SoundThrottle::MonotonicMs now = {});
    ~DesktopSound() override;
    DesktopSound(const DesktopSound&) = delete;
    DesktopSound& operator=(const DesktopSound&) = delete;

    void Play(const QString& name) override;

    // Requests handed to libcanberra so far, and its result code of the last one (0: success).
    int Dispatched() const { return dispatched.load(); }
    int LastResult() const { return lastResult.load(); }

private:
    void Run();

    std::mutex lock;
    std::condition_variable wake;
    std::deque<Request> queue;
    bool stopping = false;
    SoundThrottle throttle;
    std::atomic<int> dispatched{0};
    std::atomic<int> lastResult{0};
    std::thread worker;
};
