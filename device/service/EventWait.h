#pragma once

#include <functional>

// Runs the calling thread's event loop until done() holds or timeoutMs has passed; returns
// done(). A nested loop: for tools, tests and waits that must block their own thread. The tick wakes the loop every tickMs so that a
// condition no event announces is still seen.
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs, int tickMs = 20);
