#pragma once
// The time as the controllers see it; tests set it.

#include <QDateTime>

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() const = 0;
};

class SystemClock : public Clock
{
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};
