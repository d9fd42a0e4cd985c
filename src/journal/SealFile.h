#pragma once

#include "core/Status.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// The seal of a day file: "MM-DD-YYYY.seal" beside "MM-DD-YYYY.txt", ASCII,
// each line ending in CR LF. Its first line is the link to the day before:
//     0 <link code> [MM-DD-YYYY of the earlier day]
// then one line for each line of the day file, in order:
//     <line number> <code> [S]
// A line's code is HMAC-SHA256 with the installation's key over the code of
// the seal line above it and the journal line's exact bytes, CR LF included;
// codes are written as 64 lower-case hex digits. "S" marks a line sealed
// later than it was written (at a start after a crash or power cut, or after
// a seal that failed). The link code binds the last code of the latest
// earlier sealed day (a fixed start code for the very first sealed day, whose
// link names no day) to this day's date, so a day deleted, replaced, or
// copied under another date breaks the chain at the next day or at itself.

struct SealLine {
    int number = -1;        // 0 for the link line; -1 for a line that does not read
    QByteArray code;        // 32 bytes; empty for a line that does not read
    bool late = false;      // "S"
    QDate linkedDay;        // the link line's earlier day, if it names one
};

struct SealFileContent {
    QList<SealLine> lines;   // every whole line, in order
    qint64 wholeBytes = 0;   // the bytes up to the last CR LF
    bool tornTail = false;   // bytes after the last CR LF: a write cut short
    // The index of the first line that does not read or breaks the numbering
    // (the link line, then 1, 2, ...); -1 when every line is in order.
    int firstBadLine = -1;
};

QString SealFileName(const QString& dataDir, const QDate& date);

// The code the chain of the first sealed day starts from.
QByteArray ChainStartCode(const QByteArray& key);

// The link line's code: HMAC-SHA256(key, earlierCode || "MM-DD-YYYY").
QByteArray LinkCode(const QByteArray& key, const QByteArray& earlierCode, const QDate& day);

// HMAC-SHA256(key, previousCode || journalLine).
QByteArray ChainCode(const QByteArray& key, const QByteArray& previousCode, const QByteArray& journalLine);

// One seal line with its CR LF.
QByteArray SealLineBytes(const SealLine& line);

SealFileContent ParseSealFile(const QByteArray& bytes);

// The day file's lines, each with its CR LF; bytes after the last CR LF make
// a last line without one.
QList<QByteArray> SplitJournalLines(const QByteArray& bytes);

// The days with a seal file, from one listing of the data directory, oldest
// first.
QList<QDate> SealedDays(const QString& dataDir);

// The latest day before `date` with a seal file; invalid when there is none.
QDate LatestSealedDayBefore(const QString& dataDir, const QDate& date);

// A whole file's bytes; a missing file is an empty success when
// `missingIsEmpty`. A failure carries the Russian cause.
Result<QByteArray> ReadWholeFile(const QString& path, bool missingIsEmpty);
