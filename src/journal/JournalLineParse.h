#pragma once

#include <QDate>
#include <QStringView>
#include <QTime>

#include <optional>

// A weighing line of a day file read back into its fields.
struct WeighingLineFields {
    int number = 0;  // the weighing's number within its day
    QDate date;
    QTime time;
    double net = 0;  // kilograms
    double tare = 0;
};

// Reads a line (without its line end) laid out exactly as a recording writes
// it: the day's number, TAB, date text, two blanks, time text, four blanks,
// net weight and "кг", three blanks, tare and "кг", each number as a journal
// number text (a leading blank or a minus sign). Anything else gives nothing:
// a sum line, a line edited out of shape, a number that is not one.
std::optional<WeighingLineFields> ParseWeighingLine(QStringView line);

// Whether the line is the line that closes a running sum: "Сумма(", the
// count, ")= " and the sum, each a journal number text.
bool IsSumLine(QStringView line);
