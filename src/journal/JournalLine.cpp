#include "journal/JournalLine.h"

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
