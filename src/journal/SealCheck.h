#pragma once

#include "journal/SealFile.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// Whether a day file is still what the terminal wrote, by its seal file, the
// head of the chain and the installation's key. It only reads files and
// keeps nothing between calls, so it runs on any thread. Both files are read
// as they are walked, never held whole: a day of any size is checked in time
// and memory that grow with it linearly and boundedly.
struct SealCheck {
    enum class Verdict {
        Empty,        // no journal lines and nothing sealed: nothing to say
        Genuine,      // every line matches its seal
        SealedLate,   // genuine as far as sealed, with a warning: lines sealed late, not yet sealed, cut
                      // short by a crash, or the day continued after another began
        Changed,      // lines changed, removed, added or left without their seals
        ChainBroken,  // the day does not continue the day it was sealed after
        NoSeal,       // written before the terminal sealed its journals
        SealMissing,  // no seal file, though the day was written since sealing began
        NotChecked,   // the key or the seal file cannot be read
    };
    Verdict verdict = Verdict::Empty;
    int matching = 0;        // lines that match their seals
    QList<int> faultyLines;  // line numbers (from 1, as the journal box counts them) without a valid seal
    QList<int> lateLines;    // line numbers sealed later than written
    QString text;            // the status line, in Russian; empty for Verdict::Empty

    bool fault() const
    {
        return verdict == Verdict::Changed || verdict == Verdict::ChainBroken || verdict == Verdict::SealMissing ||
               verdict == Verdict::NotChecked;
    }
};

// Checks the day file as it is now against the day's seal; with a limit,
// only its first `limit` bytes.
SealCheck CheckDaySeal(const QString& dataDir, const QDate& date, qint64 limit = -1);

// The hex code of the seal that vouches for each line of the day's file, in
// the order of the lines as the journal box numbers them (every CR LF, lone
// CR or lone LF ends a line; no empty line is counted after the last line
// end); a null string for a line without a valid seal. Empty when the key or
// the files cannot be read.
QStringList SealCodesOfLines(const QString& dataDir, const QDate& date);

// The chain's head as printed at the end of a report: the day and line the
// last seal went to and its short code.
QString SealHeadLine(const QString& dataDir);

// What walking a day's seal along its file found: shared by the check and by
// the sealing, which checks a day before it extends its chain.
struct SealFinding {
    enum class Kind {
        Changed,       // a line not as sealed
        Removed,       // sealed lines gone: `count` of them before `line`
        Added,         // lines not in the seal, before a line that is
        Foreign,       // a gap: written by something else
        SealsRemoved,  // a gap: their seals were removed
        Torn,          // a gap: a line cut short by a crash
        Before,        // a gap: written before sealing began
        SealDamaged,   // a record of the seal file does not read or does not fit: `line` is its number there
        LinkMissing,   // the seal does not begin with its link
        ChainBroken,   // a link does not fit the day it names (`day`)
        Continued,     // the day continued after another (`day`) began: a note
    } kind;
    int line = 0;  // the first line concerned
    int count = 0;  // lines concerned
    QDate day;
};

// A piece of the day file after its last record.
struct SealTailPiece {
    enum class Kind {
        Pending,  // a line of the terminal's own whose sealing failed (the head says so)
        Crash,    // one whole line at the very end: what a crash between the two writes leaves
        Torn,     // bytes without a line end at the very end: a line cut short
        Other,
    } kind;
    qint64 from = 0;
    qint64 to = 0;
    int firstLine = 0;
    int lastLine = 0;
    QByteArray bytes;  // Pending and Crash: the line
};

struct SealWalk {
    QString unreadable;  // why the day or the seal could not be read
    bool sealExists = false;
    qint64 records = 0;  // whole records
    qint64 lines = 0;    // sealed lines found as sealed
    QByteArray lastCode;
    char lastKind = 0;
    QDate lastNext;             // the last record's day when it is N
    QByteArray codeAtHead;      // the code of record number `headRecords`, when asked for
    qint64 lastFaultRecord = 0;  // the number of the record at the last fault found, 0 for none
    qint64 lastAfterFault = 0;   // the number of the last "G C" record
    qint64 sealWholeBytes = 0;
    qint64 sealSize = 0;  // the seal file's bytes when it was opened
    qint64 end = 0;   // where the records end in the day file
    qint64 size = 0;  // the day file's bytes looked at
    bool endsMidLine = false;  // the last byte looked at ends no line
    QList<SealFinding> findings;
    QList<SealTailPiece> tail;
    QList<int> matchedLines;  // line numbers found as sealed
    QList<int> lateLines;     // of them, sealed at a start after a crash
    QList<int> failedLines;   // of them, sealed late after a failed seal
    QList<int> unsealedLines;  // lines without a valid seal
    int totalLines = 0;
    QList<QByteArray> codes;  // by line (index 0 is line 1), when asked for
};

struct SealWalkInput {
    QString dataDir;
    QDate date;
    QByteArray key;
    qint64 limit = -1;        // the day file's bytes to look at; -1 for all
    qint64 headRecords = 0;   // the record whose code to give back
    QList<PendingLine> pending;  // this day's, from the head
    bool wantCodes = false;
};

SealWalk WalkDaySeal(const SealWalkInput& input);
