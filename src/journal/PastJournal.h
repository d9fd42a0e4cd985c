#pragma once

#include <QDate>
#include <QList>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QStringView>

// The journals of any day, as the terminal left them in the data directory.
// Nothing here writes, renames or keeps open a file: each day file is opened
// for reading, read whole and closed at once, so the terminal goes on
// appending to today's file meanwhile.

struct DayJournal {
    enum class Kind { Missing, Read, Unreadable };
    Kind kind = Kind::Missing;
    QString text;     // the file's whole text, line ends as they are
    QString problem;  // why it could not be read, for the operator
};

// The day file of `date`, line by line from Windows-1251 or UTF-8 (DayFileText).
// Missing is said only when the data folder could be looked into; a folder
// that cannot be read makes the day unreadable, with the reason.
DayJournal ReadDayJournal(const QString& dataDir, const QDate& date);

// A day's date as a Russian reader writes it: 03.12.2026. (The file names and
// the report heading keep the date text, 12-03-2026.)
QString DayDateText(const QDate& date);

// The days that have a day file (an ordinary file named by the date text and
// ".txt"), from one listing of the data directory; no file is opened.
QSet<QDate> DaysWithJournal(const QString& dataDir);

// What a day's journal holds. Sum lines close a running sum; they are no
// weighings. Other lines are what does not read as either (a line edited by
// hand, foreign bytes); empty lines are not counted.
struct DayTotals {
    int weighings = 0;
    int sumLines = 0;
    int otherLines = 0;
    double net = 0;  // the weighings' net weights added up, kilograms
    int lines = 0;   // every line, empty ones too, as the journal box numbers them
    QList<int> otherLineNumbers;  // the other lines' numbers, from 1, in the box's numbering
};

// Calls `line` with each line of a journal text, without its line end: every
// line end (CR LF, or a lone CR or LF) ends a line, and what follows the last
// one is a line too (empty after a final line end). Stops as soon as `line`
// returns false. The one reading of lines for totals, views and reports, so
// they all count the same lines.
template <typename Line>
void ForEachJournalLine(QStringView text, Line&& line)
{
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        if (!line(text.sliced(start, i - start)))
            return;
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    line(text.sliced(start));
}

// Every line end (CR LF, or a lone CR or LF) ends a line, as in the report.
// The net weights are added as the decimals they are written as, so the sum
// carries no binary noise however many lines are added.
DayTotals CountDayTotals(QStringView journalText);

// The summary under a day's journal: the number of weighings and their sum,
// written as the window's labels write numbers, and the lines not counted
// with the first few of their numbers.
QString DayTotalsText(const DayTotals& totals, const QLocale& locale = QLocale());
