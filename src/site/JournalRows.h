#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// One line of a day file as the site database keeps it.
struct JournalRow {
    int line = 0;                  // from 1, as "Журнал за день" numbers the lines
    QString kind;                  // "weighing", "sum" or "other"
    std::optional<int> number;     // a weighing's number within its day
    std::optional<QString> time;   // a weighing's time, "HH:mm:ss"
    std::optional<QString> net;    // a weighing's net weight, or a sum's total, as a decimal text
    std::optional<QString> tare;   // a weighing's tare
    QString text;                  // the line as the day window reads it, without its line end
    std::optional<QString> seal;   // the line's seal code in hex
    qsizetype bytes = 0;           // its bytes in the file, line end (and a leading byte order mark) included
};

// The whole lines at the start of `bytes` (a day file's bytes from the start
// of a line on), numbered from `firstLine`, each line read on its own in
// UTF-8 or Windows-1251 as the day window reads it (a byte order mark only
// at the file's start). A line is whole once a line end (CR LF, a lone CR
// or LF) follows it; the bytes after the last LF wait, since a CR there may
// be half of a CR LF. At most `maxLines` lines; `used` is set to the bytes
// they span.
QList<JournalRow> ReadJournalRows(const QByteArray& bytes, int firstLine, bool atFileStart, int maxLines,
                                  qsizetype* used);

// How many whole lines (as above) `bytes` holds.
int CountWholeLines(const QByteArray& bytes);

// Fills in each row's kind and fields from its text.
void ClassifyJournalRow(JournalRow& row);

// A PostgreSQL array literal of texts ("{"a","b",NULL}"), each element
// quoted and escaped, for a parameter cast to any array type.
QByteArray ArrayLiteral(const QList<std::optional<QString>>& elements);
