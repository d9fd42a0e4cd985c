#include "core/TextRules.h"

#include <charconv>
#include <cmath>
#include <string>

QString DateText(const QDate& date)
{
    return QString::asprintf("%02d-%02d-%04d", date.month(), date.day(), date.year());
}

QString TimeText(const QTime& time)
{
    return QString::asprintf("%02d:%02d:%02d", time.hour(), time.minute(), time.second());
}

namespace {

// Shortest form with at most 15 significant digits and a period, so that the
// binary noise of sums such as 0.1 + 0.2 does not show.
QString FifteenDigits(double value)
{
    if (value == 0)
        return QStringLiteral("0");  // also turns -0 into 0
    return QString::number(value, 'G', 15);
}

}  // namespace

QString DisplayNumberText(double value, const QLocale& locale)
{
    QString text = FifteenDigits(value);
    const QString separator = locale.decimalPoint();
    if (separator != QStringLiteral("."))
        text.replace(u'.', separator);
    return text;
}

QString JournalNumberText(double value)
{
    const QString text = FifteenDigits(value);
    return std::signbit(value) && value != 0 ? text : u' ' + text;
}

namespace {

bool IsAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// A number checked for its shape: sign, digits with at most one separator,
// optional exponent. Kept in pieces so that an out-of-range value can be told
// apart as too large or too small.
struct NumberShape {
    bool negative = false;
    std::string integerDigits;
    std::string fractionDigits;
    long long exponent = 0;  // clamped; only its order of magnitude matters
};

std::optional<NumberShape> ReadNumberShape(const QString& text, const QString& separator)
{
    NumberShape shape;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        shape.negative = text[i++] == u'-';
    while (i < n && IsAsciiDigit(text[i]))
        shape.integerDigits += static_cast<char>(text[i++].unicode());
    if (i < n && !separator.isEmpty() && QStringView(text).sliced(i).startsWith(separator)) {
        i += separator.size();
        while (i < n && IsAsciiDigit(text[i]))
            shape.fractionDigits += static_cast<char>(text[i++].unicode());
    }
    if (shape.integerDigits.empty() && shape.fractionDigits.empty())
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            negativeExponent = text[i++] == u'-';
        int exponentDigits = 0;
        while (i < n && IsAsciiDigit(text[i])) {
            if (shape.exponent < 1'000'000)
                shape.exponent = shape.exponent * 10 + (text[i].unicode() - u'0');
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
        if (negativeExponent)
            shape.exponent = -shape.exponent;
    }
    if (i != n)
        return std::nullopt;
    return shape;
}

// Decimal order of magnitude of a non-zero number: 0 for 1..9.99, -1 for 0.1..0.99.
long long OrderOfMagnitude(const NumberShape& shape)
{
    const auto firstNonZero = shape.integerDigits.find_first_not_of('0');
    if (firstNonZero != std::string::npos)
        return static_cast<long long>(shape.integerDigits.size() - firstNonZero) - 1 + shape.exponent;
    const auto leadingZeros = shape.fractionDigits.find_first_not_of('0');
    return -static_cast<long long>(leadingZeros) - 1 + shape.exponent;
}

}  // namespace

std::optional<std::int16_t> TextToInt16(const QString& text, const QLocale& locale)
{
    const auto shape = ReadNumberShape(text.trimmed(), locale.decimalPoint());
    if (!shape)
        return std::nullopt;

    // from_chars, unlike strtod, does not depend on the C locale, which Qt
    // sets from the environment at start.
    std::string c = (shape->integerDigits.empty() ? std::string("0") : shape->integerDigits);
    if (!shape->fractionDigits.empty())
        c += '.' + shape->fractionDigits;
    c += 'e' + std::to_string(shape->exponent);
    double value = 0;
    const auto [end, error] = std::from_chars(c.data(), c.data() + c.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (OrderOfMagnitude(*shape) >= 0)
            return std::nullopt;
        value = 0;  // too small to hold: it rounds to zero anyway
    } else if (error != std::errc() || end != c.data() + c.size()) {
        return std::nullopt;
    }
    if (shape->negative)
        value = -value;

    // nearbyint rounds in the default mode: to nearest, halves to even.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}
