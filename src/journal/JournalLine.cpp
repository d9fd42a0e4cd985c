#include "journal/JournalLine.h"

#include "core/TextRules.h"

#include <QRegularExpression>

QString JournalLine(int dayIndex, const WeighingRecord& record)
{
    return JournalNumberText(dayIndex) + u'\t' + record.RecordDate + QStringLiteral("  ") + record.RecordTime +
           QStringLiteral("    ") + JournalNumberText(record.Net) + QStringLiteral("кг") + QStringLiteral("   ") +
           JournalNumberText(record.Tare) + QStringLiteral("кг");
}

QString SumLine(std::int16_t count, double sum)
{
    return QStringLiteral("Сумма(") + JournalNumberText(count) + QStringLiteral(")= ") + JournalNumberText(sum);
}

std::optional<int> WeighingLineNumber(QStringView line)
{
    // Number, date, time, net and tare exactly as written above; the numbers
    // of weights as the journal number text writes them.
    static const QRegularExpression shape(QStringLiteral(
        "^ (\\d{1,5})\t\\d\\d-\\d\\d-\\d{4}  \\d\\d:\\d\\d:\\d\\d    "
        "[ -][0-9.E+-]+кг   [ -][0-9.E+-]+кг\r?\n?$"));
    const QRegularExpressionMatch match = shape.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return match.capturedView(1).toInt();
}
