#include "link/WeighingRows.h"

#include "journal/JournalLineParse.h"
#include "journal/PastJournal.h"

namespace {

void ReadLine(QStringView line, WeighingRows& out)
{
    if (line.isEmpty())
        return;
    if (const auto fields = ParseWeighingLine(line))
        out.rows.append(*fields);
    else if (!IsSumLine(line))
        ++out.unrecognised;
}

}  // namespace

WeighingRows ReadWeighingRows(const QString& dataDir, const QDate& from, const QDate& to)
{
    WeighingRows out;
    if (!from.isValid() || !to.isValid())
        return out;
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        const DayJournal journal = ReadDayJournal(dataDir, day);
        if (journal.kind == DayJournal::Kind::Unreadable) {
            out.problems.append(journal.problem);
            continue;
        }
        // Every line end (CR LF, or a lone CR or LF) ends a line, as in the
        // day's totals, so both count the same lines.
        ForEachJournalLine(journal.text, [&out](QStringView line) {
            ReadLine(line, out);
            return true;
        });
    }
    return out;
}
