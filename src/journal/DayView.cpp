#include "journal/DayView.h"

QString BoxLines(QStringView journal, int limit, int& lines)
{
    QString box;
    lines = 0;
    if (limit <= 0)
        return box;
    // The last line, ended or not, and the empty line after a last line end,
    // count as the box counts its blocks.
    ForEachJournalLine(journal, [&](QStringView line) {
        box += line;
        box += u'\n';
        return ++lines < limit;
    });
    box.chop(1);
    return box;
}

DayView MakeDayView(const QString& dataDir, const QDate& date)
{
    return MakeDayView(ReadDayJournal(dataDir, date), date);
}

DayView MakeDayView(const DayJournal& journal, const QDate& date)
{
    DayView view;
    view.date = date;
    view.kind = journal.kind;
    view.problem = journal.problem;
    if (journal.kind != DayJournal::Kind::Read)
        return view;
    view.totals = CountDayTotals(journal.text);
    const bool ended = journal.text.endsWith(u'\n') || journal.text.endsWith(u'\r');
    view.dayLines = view.totals.lines - (ended ? 1 : 0);
    view.boxText = BoxLines(journal.text, ShownLinesLimit, view.shownLines);
    return view;
}

QString CutNote(const DayView& view)
{
    return QStringLiteral("Показаны первые %1 строк из %2; итоги и печать по всему дню.")
        .arg(view.shownLines)
        .arg(view.dayLines);
}

QString LinesWord(qint64 count)
{
    const qint64 lastTwo = count % 100;
    const qint64 last = count % 10;
    if (lastTwo >= 11 && lastTwo <= 14)
        return QStringLiteral("строк");
    if (last == 1)
        return QStringLiteral("строка");
    if (last >= 2 && last <= 4)
        return QStringLiteral("строки");
    return QStringLiteral("строк");
}
