#include "device/service/EventWait.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs, int tickMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer tick;
    tick.start(tickMs);
    while (!done() && !deadline.hasExpired())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}
