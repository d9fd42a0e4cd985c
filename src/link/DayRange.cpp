#include "link/DayRange.h"

#include <optional>

namespace {

bool IsAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Exactly four, two and two digits joined by '-', and a date of the calendar.
// Checked by hand rather than by QDate::fromString, which also takes a sign
// or fewer digits in some fields.
std::optional<QDate> IsoDate(const QString& text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return std::nullopt;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!IsAsciiDigit(text[i]))
            return std::nullopt;
    const QDate date(text.left(4).toInt(), text.mid(5, 2).toInt(), text.mid(8, 2).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

}  // namespace

DayRange ParseDayRange(const QString& fromText, const QString& toText, const QDate& today)
{
    DayRange range;
    const auto read = [&](const QString& text, QDate& date) {
        if (text.isEmpty()) {
            date = today;
            return true;
        }
        const std::optional<QDate> parsed = IsoDate(text);
        if (!parsed) {
            range.error = QStringLiteral("Неверная дата «%1»: нужна дата вида ГГГГ-ММ-ДД, например 2026-12-07.")
                              .arg(text.left(40));
            return false;
        }
        date = *parsed;
        return true;
    };
    if (!read(fromText, range.from) || !read(toText, range.to)) {
        range.from = range.to = QDate();
        return range;
    }
    if (range.from > range.to) {
        // A date nobody typed is said to be what it stands for.
        const QString end = toText.isEmpty() ? QStringLiteral("сегодняшней %1 (конечная дата to не задана)")
                                             : QStringLiteral("конечной %1");
        range.error = QStringLiteral("Начальная дата %1 позже %2.")
                          .arg(range.from.toString(Qt::ISODate), end.arg(range.to.toString(Qt::ISODate)));
    } else if (range.from.daysTo(range.to) + 1 > MaxRangeDays) {
        range.error = QStringLiteral("Слишком длинный промежуток: не больше %1 дней за один запрос.").arg(MaxRangeDays);
    }
    if (!range.error.isEmpty())
        range.from = range.to = QDate();
    return range;
}
