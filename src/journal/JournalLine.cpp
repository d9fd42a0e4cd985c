#include "journal/JournalLine.h"
#include "journal/JournalLineParse.h"

#include "core/TextRules.h"

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
    while (line.endsWith(u'\n') || line.endsWith(u'\r'))
        line.chop(1);
    const std::optional<WeighingLineFields> fields = ParseWeighingLine(line);
    if (!fields)
        return std::nullopt;
    return fields->number;
}
