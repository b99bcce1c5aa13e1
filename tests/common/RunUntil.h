#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>

// Runs the event loop until done() holds; a generous guard turns a hang into a failure.
template <class Done> bool RunUntil(Done done, int guardMs = 30000)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer guard;
    guard.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&guard, &QTimer::timeout, [&] {
        timedOut = true;
        loop.quit();
    });
    guard.start(guardMs);
    if (!done())
        loop.exec();
    return !timedOut;
}
