#include "link/WeighingRows.h"

#include "journal/JournalLineParse.h"
#include "journal/PastJournal.h"

namespace {

void ReadLine(QStringView line, WeighingRows& out)
{
    if (line.isEmpty())
        return;
    if (const auto fields = ParseWeighingLine(line))
        out.rows.append({fields->number, fields->date, fields->time, fields->net, fields->tare});
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
        const QStringView text(journal.text);
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c != u'\r' && c != u'\n')
                continue;
            ReadLine(text.sliced(start, i - start), out);
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
        ReadLine(text.sliced(start), out);
    }
    return out;
}
