#pragma once
// Plays a given sound at most once per interval. A replay of thousands of unread messages asks
// for the message sound thousands of times in a second; the desktop should hear it once.

#include <QHash>
#include <QString>

#include <functional>

class SoundThrottle
{
public:
    static constexpr int DefaultIntervalMs = 500;
    // Milliseconds of a monotonic clock; tests set it.
    using MonotonicMs = std::function<qint64()>;

    explicit SoundThrottle(int intervalMs = DefaultIntervalMs, MonotonicMs now = {});

    // True when the sound may play now; it then counts as played at this moment. A refused
    // request does not extend the quiet time.
    bool Allow(const QString& name);

private:
    int interval;
    MonotonicMs now;
    QHash<QString, qint64> lastPlayed;
};
