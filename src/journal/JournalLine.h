#pragma once

#include "core/TerminalState.h"

#include <QString>

#include <cstdint>

// The line of one weighing, without its line end: number, TAB, date, two
// blanks, time, four blanks, net and "кг", three blanks, tare and "кг".
QString JournalLine(int dayIndex, const WeighingRecord& record);

// The line that closes a running sum: "Сумма( 3)=  30".
QString SumLine(std::int16_t count, double sum);

inline const QString LineEnd = QStringLiteral("\r\n");
