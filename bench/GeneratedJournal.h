#pragma once

#include "core/TextRules.h"
#include "journal/JournalLine.h"

#include <QString>

// A day's journal of `lines` weighings in the terminal's own line format,
// CR LF after each, as the benchmarks load and show it.
inline QString GeneratedJournal(int lines)
{
    QString text;
    WeighingRecord record;
    record.RecordDate = DateText(QDate(2026, 6, 15));
    for (int n = 1; n <= lines; ++n) {
        record.RecordTime = TimeText(QTime(0, 0).addSecs(n % 86400));
        record.Net = 5 + (n % 997) * 0.1;
        record.Tare = (n % 7) * 0.5;
        text += JournalLine(n, record) + LineEnd;
    }
    return text;
}
