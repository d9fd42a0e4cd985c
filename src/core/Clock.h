#pragma once

#include <QDate>
#include <QTime>

// The wall clock, injectable so that a test can cross midnight.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate currentDate() const = 0;
    virtual QTime currentTime() const = 0;
};

class SystemClock final : public Clock {
public:
    QDate currentDate() const override { return QDate::currentDate(); }
    QTime currentTime() const override { return QTime::currentTime(); }
};
