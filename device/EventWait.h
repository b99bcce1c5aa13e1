#pragma once

#include <functional>

// Runs the calling thread's event loop until done() holds or timeoutMs has passed; returns
// done(). For tools and tests, never the UI. The tick wakes the loop every tickMs so that a
// condition no event announces is still seen.
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs, int tickMs = 20);
