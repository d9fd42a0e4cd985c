#include "scale-sim/WeightText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr qint64 VeltarMaxCents = 999999;   // "9999.99"
constexpr qint64 VeltarMinCents = -99999;   // "-999.99"
constexpr qint64 AedMaxCounts = 99999999;
constexpr qint64 AedMinCounts = -9999999;

// Clamps before rounding so that huge values, infinities and NaN never reach
// llround, whose result would be unspecified for them.
qint64 ClampedRound(double value, qint64 low, qint64 high)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(high))
        return high;
    if (value <= static_cast<double>(low))
        return low;
    return std::clamp<qint64>(std::llround(value), low, high);
}

}  // namespace

QByteArray VeltarWeightField(double kg)
{
    // Whole cents keep the text exact and avoid "-0.00" for tiny negatives.
    const qint64 cents = ClampedRound(kg * 100.0, VeltarMinCents, VeltarMaxCents);
    const qint64 magnitude = std::llabs(cents);
    QByteArray text;
    if (cents < 0)
        text += '-';
    text += QByteArray::number(magnitude / 100);
    text += '.';
    text += QByteArray::number(magnitude % 100).rightJustified(2, '0');
    return text.rightJustified(7, ' ');
}

QByteArray VeltarFrame(double kg, bool steady)
{
    return Stx + VeltarWeightField(kg) + (steady ? "ST" : "US");
}

qint64 AedCounts(double kg)
{
    return ClampedRound(kg / AedKgPerCount, AedMinCounts, AedMaxCounts);
}

QByteArray AedAnswer(double kg)
{
    return QByteArray::number(AedCounts(kg)).rightJustified(8, ' ') + "\r\n";
}
