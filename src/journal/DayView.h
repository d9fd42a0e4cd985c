#pragma once

#include "journal/PastJournal.h"
#include "journal/SealCheck.h"

#include <QDate>
#include <QString>

#include <atomic>

// No real day comes near this many lines (a day numbers at most 1000
// weighings); a file that does was joined or filled by something else. The
// journal box lays out only this many, so that showing such a day stays
// quick and small; the totals still count the whole day.
inline constexpr int ShownLinesLimit = 10000;

// What the day journal window shows of a day, made away from the window's
// thread: the file read and decoded, its totals, and the text for the box.
struct DayView {
    QDate date;
    DayJournal::Kind kind = DayJournal::Kind::Missing;
    QString problem;  // why the file could not be read
    DayTotals totals;
    QString boxText;  // the first ShownLinesLimit lines, each ended by LF as the box wants
    int shownLines = 0;
    qint64 dayLines = 0;  // the day's lines, without the empty one after a last line end
    SealCheck seal;       // whether the file is still as the terminal wrote it
    bool empty() const { return kind != DayJournal::Kind::Read || totals.lines == 0 || boxText.isEmpty(); }
    bool cut() const { return dayLines > shownLines; }
};

// Reads the day and makes its view. The whole text is dropped once counted:
// only the box's part is kept.
DayView MakeDayView(const QString& dataDir, const QDate& date);
// The view of a day already read.
DayView MakeDayView(const DayJournal& journal, const QDate& date);

// "строка", "строки" or "строк", as Russian counts `count` lines.
QString LinesWord(qint64 count);

// The box's part of a journal text: its first `limit` lines, every line end
// (CR LF, a lone CR or LF) written as LF. Sets `lines` to how many it took.
QString BoxLines(QStringView journal, int limit, int& lines);

// The note under a day cut short in the box.
QString CutNote(const DayView& view);
