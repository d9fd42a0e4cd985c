#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <cstdint>
#include <optional>

// Date text: "06-15-2026" (month-day-year), whatever the regional settings.
QString DateText(const QDate& date);

// Time text: "09:05:30" on the 24-hour clock, whatever the regional settings.
QString TimeText(const QTime& time);

// How a number is shown in a label: at most 15 significant digits, no
// trailing zeros, the locale's decimal separator, "0" for zero.
QString DisplayNumberText(double value, const QLocale& locale = QLocale());

// How a number is written into a journal line: as above with a period, and a
// leading blank when it is not negative (" 12.5", "-2.5").
QString JournalNumberText(double value);

// The conversion of operator text to a 16-bit integer shared by start-up and
// the scale dialog: blanks around the number ignored, optional sign, a
// fraction in the locale's decimal separator rounded half to even, an
// exponent. Empty text, non-numbers and values outside -32768..32767 fail.
std::optional<std::int16_t> TextToInt16(const QString& text, const QLocale& locale = QLocale());
