#pragma once

#include "core/Clock.h"

#include <QDateTime>

// A clock that stands still until a test moves it.
class FakeClock final : public Clock {
public:
    QDateTime now{QDate(2026, 6, 15), QTime(9, 5, 30)};

    QDate currentDate() const override { return now.date(); }
    QTime currentTime() const override { return now.time(); }
};
