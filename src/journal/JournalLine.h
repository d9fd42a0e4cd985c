#pragma once

#include "core/TerminalState.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// The line of one weighing, without its line end: number, TAB, date, two
// blanks, time, four blanks, net and "кг", three blanks, tare and "кг".
QString JournalLine(int dayIndex, const WeighingRecord& record);

// The line that closes a running sum: "Сумма( 3)=  30".
QString SumLine(std::int16_t count, double sum);

// The number of a weighing line as JournalLine writes it (a line end left on
// it is allowed); nothing for a sum line or any line not of that shape.
std::optional<int> WeighingLineNumber(QStringView line);

inline const QString LineEnd = QStringLiteral("\r\n");
