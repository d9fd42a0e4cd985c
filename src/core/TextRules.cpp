#include "core/TextRules.h"

#include "core/DecimalNumber.h"

#include <cmath>

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

// Sign, digits with at most one separator, optional exponent, and nothing else.
std::optional<DecimalNumber> ReadWholeNumber(const QString& text, const QString& separator)
{
    DecimalNumber number;
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        number.negative = text[i++] == u'-';
    while (i < n && IsAsciiDigit(text[i]))
        number.integerDigits += static_cast<char>(text[i++].unicode());
    if (i < n && !separator.isEmpty() && QStringView(text).sliced(i).startsWith(separator)) {
        i += separator.size();
        while (i < n && IsAsciiDigit(text[i]))
            number.fractionDigits += static_cast<char>(text[i++].unicode());
    }
    if (!number.hasDigits())
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            negativeExponent = text[i++] == u'-';
        int exponentDigits = 0;
        for (; i < n && IsAsciiDigit(text[i]); ++i, ++exponentDigits)
            number.addExponentDigit(text[i].unicode() - u'0');
        if (exponentDigits == 0)
            return std::nullopt;
        if (negativeExponent)
            number.exponent = -number.exponent;
    }
    if (i != n)
        return std::nullopt;
    return number;
}

}  // namespace

std::optional<std::int16_t> TextToInt16(const QString& text, const QLocale& locale)
{
    const auto number = ReadWholeNumber(text.trimmed(), locale.decimalPoint());
    if (!number)
        return std::nullopt;
    const auto value = DecimalNumberValue(*number);
    if (!value)
        return std::nullopt;
    // nearbyint rounds in the default mode: to nearest, halves to even.
    const double rounded = std::nearbyint(*value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}
