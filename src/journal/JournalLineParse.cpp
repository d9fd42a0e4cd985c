#include "journal/JournalLineParse.h"

#include <array>
#include <charconv>

namespace {

bool IsDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Reads the text at `at` and moves past it; fails without moving otherwise.
bool Expect(QStringView line, qsizetype& at, QStringView text)
{
    if (!line.sliced(at).startsWith(text))
        return false;
    at += text.size();
    return true;
}

// `count` digits at `at` as a number.
std::optional<int> Digits(QStringView line, qsizetype& at, int count)
{
    if (line.size() - at < count)
        return std::nullopt;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const QChar c = line[at + i];
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    at += count;
    return value;
}

// A journal number text: a blank or a minus sign, digits with an optional
// fraction, an optional exponent ("1E+15", "5.5E-17"), as the journal's
// number rule writes a double. Read with from_chars, which, unlike strtod,
// does not depend on the C locale.
std::optional<double> JournalNumber(QStringView line, qsizetype& at)
{
    qsizetype i = at;
    if (i >= line.size() || (line[i] != u' ' && line[i] != u'-'))
        return std::nullopt;
    const bool negative = line[i++] == u'-';
    const qsizetype start = i;
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < line.size() && IsDigit(line[i]))
            ++i;
        return i > from;
    };
    if (!digits())
        return std::nullopt;
    if (i < line.size() && line[i] == u'.') {
        ++i;
        if (!digits())
            return std::nullopt;
    }
    if (i < line.size() && (line[i] == u'E' || line[i] == u'e')) {
        ++i;
        if (i < line.size() && (line[i] == u'+' || line[i] == u'-'))
            ++i;
        if (!digits())
            return std::nullopt;
    }
    // The text is ASCII digits, period, sign and exponent by now; a number
    // written by the journal's rule has at most 15 digits and an exponent.
    char ascii[64];
    const qsizetype length = i - start;
    if (length >= qsizetype(sizeof ascii))
        return std::nullopt;
    for (qsizetype k = 0; k < length; ++k)
        ascii[k] = static_cast<char>(line[start + k].unicode());
    double value = 0;
    const auto [end, error] = std::from_chars(ascii, ascii + length, value);
    if (error != std::errc() || end != ascii + length)
        return std::nullopt;
    at = i;
    return negative ? -value : value;
}

// Three digit groups of the given widths joined by one separator, as the
// date text ("06-15-2026") and the time text ("09:05:30") are.
std::optional<std::array<int, 3>> DigitGroups(QStringView line, qsizetype& at, std::array<int, 3> widths,
                                              char16_t separator)
{
    std::array<int, 3> groups{};
    for (int k = 0; k < 3; ++k) {
        if (k > 0 && !Expect(line, at, QStringView(&separator, 1)))
            return std::nullopt;
        const std::optional<int> group = Digits(line, at, widths[k]);
        if (!group)
            return std::nullopt;
        groups[k] = *group;
    }
    return groups;
}

// A journal number text that is a whole number from 0 up.
std::optional<int> JournalCount(QStringView line, qsizetype& at)
{
    qsizetype i = at;
    if (i >= line.size() || line[i] != u' ')
        return std::nullopt;
    ++i;
    const qsizetype start = i;
    long long value = 0;
    while (i < line.size() && IsDigit(line[i]) && value <= 1'000'000'000)
        value = value * 10 + (line[i++].unicode() - u'0');
    if (i == start || (i < line.size() && IsDigit(line[i])))
        return std::nullopt;
    at = i;
    return static_cast<int>(value);
}

}  // namespace

std::optional<WeighingLineFields> ParseWeighingLine(QStringView line)
{
    WeighingLineFields fields;
    qsizetype at = 0;

    const std::optional<int> number = JournalCount(line, at);
    if (!number || *number < 1 || !Expect(line, at, u"\t"))
        return std::nullopt;
    fields.number = *number;

    const auto date = DigitGroups(line, at, {2, 2, 4}, u'-');  // month, day, year
    if (!date || !Expect(line, at, u"  "))
        return std::nullopt;
    fields.date = QDate((*date)[2], (*date)[0], (*date)[1]);

    const auto time = DigitGroups(line, at, {2, 2, 2}, u':');
    if (!time || !Expect(line, at, u"    "))
        return std::nullopt;
    fields.time = QTime((*time)[0], (*time)[1], (*time)[2]);
    if (!fields.date.isValid() || !fields.time.isValid())
        return std::nullopt;

    const std::optional<double> net = JournalNumber(line, at);
    if (!net || !Expect(line, at, u"кг   "))
        return std::nullopt;
    const std::optional<double> tare = JournalNumber(line, at);
    if (!tare || !Expect(line, at, u"кг") || at != line.size())
        return std::nullopt;
    fields.net = *net;
    fields.tare = *tare;
    return fields;
}

bool IsSumLine(QStringView line)
{
    qsizetype at = 0;
    return Expect(line, at, u"Сумма(") && JournalCount(line, at) && Expect(line, at, u")= ") &&
           JournalNumber(line, at) && at == line.size();
}
