#pragma once

#include <QStringView>

#include <optional>

// Reads the number at the start of a scale's text: blanks, tabs and line
// feeds are skipped wherever they stand; an optional sign; digits with at
// most one period (whatever the regional settings); an optional exponent.
// Reading stops at the first character that cannot continue the number, and
// a text with no digit reads as 0. Nothing is returned only for a value too
// large for a double, which the readers treat as no reading.
std::optional<double> ParseLeadingNumber(QStringView text);

// Whether the reader above finds digits at the start of the text, after the
// blanks and the sign it passes over. A text that fails this reads as 0
// without having carried a number at all ("E1", "abc", silence).
bool StartsWithNumber(QStringView text);
