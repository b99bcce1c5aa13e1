#include "app/desktop/SoundThrottle.h"

#include <QElapsedTimer>

SoundThrottle::SoundThrottle(int intervalMs, MonotonicMs clock) : interval(intervalMs), now(std::move(clock))
{
    if (!now) {
        now = [start = QElapsedTimer()]() mutable {
            if (!start.isValid())
                start.start();
            return start.elapsed();
        };
    }
}

bool SoundThrottle::Allow(const QString& name)
{
    const qint64 t = now();
    const auto last = lastPlayed.constFind(name);
    // A clock that went back (a test, a suspend oddity) must not silence a sound for long.
    if (last != lastPlayed.constEnd() && t >= *last && t - *last < interval)
        return false;
    lastPlayed.insert(name, t);
    return true;
}
