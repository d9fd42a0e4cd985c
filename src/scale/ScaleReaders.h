#pragma once

#include "core/Terminal.h"

#include <QString>

// Start of a frame of the maker's own scale.
constexpr char16_t Stx = 0x02;

// The earliest frame in the text: the nine characters after the first STX
// that has nine characters after it; empty when there is none.
QString FindFrame(const QString& received);

// Kilograms per unit of the AED 9101B's measured value.
constexpr double AedCountsToKg = 0.00050271;

// The own scale: takes the first whole frame of what arrived since the last
// pass and shows its weight. A closed or silent scale shows 0. Returns a
// failure when the pass read nothing from the scale (the port failed, or no
// whole frame came), so the caller can tell a reading from none.
Status ReadVeltarScale(Terminal& terminal);

// The AED 9101B: converts its answer to kilograms, subtracts the tare rounded
// down to 0.1 kg (the tare of the previous pass), and shows net weight and tare.
// Returns a failure when the port failed or no answer came.
Status ReadAedScale(Terminal& terminal);
