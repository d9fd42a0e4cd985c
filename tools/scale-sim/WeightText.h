#pragma once

#include <QByteArray>
#include <QtGlobal>

// What either scale puts on the line for a weight. The field widths are what
// the terminal cuts out of the stream, so a value that does not fit is
// clamped to the nearest one that does rather than widening the field.

inline constexpr char Stx = '\x02';

// Kilograms per count of the AED digitiser's measured value.
inline constexpr double AedKgPerCount = 0.00050271;

// The weight in kilograms, right-aligned in exactly seven characters with two
// decimals: "  12.50", "  -0.40", from "-999.99" to "9999.99".
QByteArray VeltarWeightField(double kg);

// One frame of the own scale: STX, the weight field, then "ST" (steady) or
// "US" (moving). No line end: the terminal finds frames by their STX.
QByteArray VeltarFrame(double kg, bool steady);

// The digitiser's measured value for a weight, rounded to whole counts and
// clamped to what eight characters can hold.
qint64 AedCounts(double kg);

// The digitiser's answer to "msv?;": the counts right-aligned in eight
// characters, then CR LF ("   19892\r\n").
QByteArray AedAnswer(double kg);
