#pragma once
// Tests wait through the same event-loop wait as the device layer's own blocking calls.

#include "device/service/EventWait.h"

#include <functional>

namespace testsupport {

constexpr int waitMs = 30000; // generous: a condition is awaited, never a duration

inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = waitMs)
{
    return ProcessEventsUntil(done, timeoutMs, 10);
}

} // namespace testsupport
