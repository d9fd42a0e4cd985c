#include "link/WeighingRows.h"

#include "core/OrdinaryFile.h"
#include "journal/DayFile.h"
#include "journal/JournalLineParse.h"
#include "journal/PastJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QStringList UnopenableDays(const QString& dataDir, const QDate& from, const QDate& to)
{
    QStringList problems;
    if (!from.isValid() || !to.isValid())
        return problems;
    const bool folder = QFileInfo(QDir::cleanPath(dataDir)).isDir();
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        QFile file(DayFileName(dataDir, day));
        const auto failed = OpenOrdinaryFile(file, QIODevice::ReadOnly);
        if (!failed || (failed->cause == FailureCause::NotFound && folder))
            continue;
        // The reading fails at the same step and words the reason.
        problems.append(ReadDayJournal(dataDir, day).problem);
    }
    return problems;
}
