#pragma once

#include <QDate>
#include <QString>

// A range of days asked for by another program.
struct DayRange {
    QDate from, to;
    QString error;  // in Russian; empty when the range is valid
};

// The longest range one request may read, in days with both ends included: a
// year, leap or not.
inline constexpr int MaxRangeDays = 366;

// The range from the texts given in a query, each "YYYY-MM-DD"; a missing
// (null or empty) text stands for today. `from` must not be after `to`, and
// the range holds at most MaxRangeDays days.
DayRange ParseDayRange(const QString& fromText, const QString& toText, const QDate& today);
