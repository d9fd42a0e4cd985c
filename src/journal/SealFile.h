#pragma once

#include "core/Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QFile>
#include <QList>
#include <QMessageAuthenticationCode>
#include <QString>

#include <optional>

// The seal of a day file: "MM-DD-YYYY.seal" beside "MM-DD-YYYY.txt", ASCII,
// each record a line ended by CR LF:
//     <kind> <position> <length> <code> [<more>]
// position and length are bytes of the day file the record speaks of (0 for
// records that cover none), code is 64 lower-case hex digits. Kinds:
//     L  the chain comes here from another day: <more> is that day and how
//        many records its seal had then ("MM-DD-YYYY 12"), or "- 0" for the
//        very first day sealed
//     N  the chain went on in another day: <more> is that day
//     W  a line the terminal wrote, sealed as it was written
//     S  a line sealed at a start after a crash left it without its seal
//     F  a line sealed later because sealing had failed when it was written
//     G  bytes the seal does not vouch for: <more> is why: X written by
//        something else, R their seals were removed, T a line cut short by a
//        crash (with the line end the terminal added to close it), B written
//        before sealing began (found when the first seal was made), C no
//        bytes: sealing went on here after the day's check had failed
// Each code is HMAC-SHA256 with the installation's key over the code above
// it (for the first record, a code of the day's date), the record's text
// without its code, and what the record vouches for: a line's exact bytes,
// CR LF included, or for L the code of the named day's record it follows.
// So the kind is inside the code, a record cannot be moved, left out or
// copied to another day, and every day's chain starts from its own date.

inline constexpr char SealLink = 'L';
inline constexpr char SealNext = 'N';
inline constexpr char SealWritten = 'W';
inline constexpr char SealStartUp = 'S';
inline constexpr char SealFailed = 'F';
inline constexpr char SealGap = 'G';

inline constexpr char GapForeign = 'X';
inline constexpr char GapSealsRemoved = 'R';
inline constexpr char GapTorn = 'T';
inline constexpr char GapBefore = 'B';
inline constexpr char GapAfterFault = 'C';

// No line the terminal writes comes near this; a longer one is nobody's line.
inline constexpr qint64 MaxJournalLine = 1024;

inline constexpr int SealCodeSize = 32;

struct SealRecord {
    char kind = 0;  // 0: the record does not read
    qint64 pos = 0;
    qint64 length = 0;
    QByteArray code;  // SealCodeSize bytes
    QDate day;        // L: the day the chain came from (invalid: the chain's start); N: where it went on
    qint64 records = 0;  // L: that day's records when the chain left it
    char reason = 0;     // G
    bool isLine() const { return kind == SealWritten || kind == SealStartUp || kind == SealFailed; }
};

QString SealFileName(const QString& dataDir, const QDate& date);

// The code a day's chain starts from, and the code the very first day's link
// binds in place of an earlier day's.
QByteArray DayStartCode(const QByteArray& key, const QDate& date);
QByteArray ChainStartCode(const QByteArray& key);

// The record's code after `previous`. `vouched`: the line's bytes, or for L
// the named day's code.
QByteArray RecordCode(const QByteArray& key, const QByteArray& previous, const SealRecord& record,
                      QByteArrayView vouched);

// The same with one key for many records, its HMAC and text buffer reused: a
// day of a million lines is checked with a million codes.
class SealCoder {
public:
    explicit SealCoder(const QByteArray& key) : mac_(QCryptographicHash::Sha256, key) {}
    QByteArray code(const QByteArray& previous, const SealRecord& record, QByteArrayView vouched);

private:
    QMessageAuthenticationCode mac_;
    QByteArray text_;
};

// One record with its CR LF, and one read back from its text without it.
QByteArray SealRecordBytes(const SealRecord& record);
SealRecord ParseSealRecord(QByteArrayView text);

// Reads a seal file record by record without holding it whole.
class SealReader {
public:
    // Opens the file; a missing one reads as empty. Only what it holds now
    // is read: records appended meanwhile are not. A failure carries the
    // Russian cause.
    Status open(const QString& path);
    bool exists() const { return exists_; }
    // The next whole record (kind 0 when its line does not read); false at the
    // end. A last line without its CR LF (a write cut short) is no record.
    bool next(SealRecord& record);
    qint64 wholeBytes() const { return whole_; }  // up to the last CR LF read
    qint64 size() const { return size_; }         // what it held when opened
    bool tornTail() const { return torn_; }
    bool failed() const { return failed_; }
    QString failure() const { return failure_; }

private:
    QFile file_;
    QByteArray line_;
    qint64 size_ = 0;
    bool exists_ = false;
    qint64 whole_ = 0;
    bool torn_ = false;
    bool failed_ = false;
    QString failure_;
};

// The code of a day's `n`-th record (from 1), as written; nothing when the
// seal has fewer or cannot be read.
std::optional<QByteArray> RecordCodeOf(const QString& dataDir, const QDate& day, qint64 n);

// The day's last record as written; kind 0 when there is none.
SealRecord LastSealRecord(const QString& dataDir, const QDate& day);

// The head of the chain: where the last seal went, under the key, so that
// cutting the newest lines together with their seals is seen. Rewritten
// whole after every seal.
struct PendingLine {
    QDate day;
    qint64 pos = 0;
    qint64 length = 0;
    QByteArray code;  // HMAC of the line's bytes
};
struct SealHead {
    QDate firstDay;    // sealing began on this day; invalid when that is no longer known
    QDate day;         // the day the chain last went to; invalid before the first seal
    qint64 records = 0;  // records in that day's seal
    qint64 lines = 0;    // sealed lines of that day
    QByteArray code;     // its last record's code
    // The terminal's own lines whose sealing failed, to be sealed late.
    QList<PendingLine> pending;
};

QString SealHeadFileName(const QString& dataDir);
QByteArray SealHeadBytes(const QByteArray& key, const SealHead& head);
// A missing head is nothing; a damaged one, or one not made with this key,
// is a failure with the Russian cause.
Result<std::optional<SealHead>> ReadSealHead(const QString& dataDir, const QByteArray& key);
// Written durably; the failure's cause when it could not be.
std::optional<QString> SaveSealHead(const QString& dataDir, const QByteArray& key, const SealHead& head);

// The head's code as it is printed: 12 hex digits in groups of four.
QString ShortCode(const QByteArray& code);

// HMAC of a pending line's bytes, so an edit of it is never sealed late.
QByteArray PendingCode(const QByteArray& key, const QDate& day, qint64 pos, QByteArrayView bytes);

// The days with a seal file, from one listing of the data directory, oldest
// first.
QList<QDate> SealedDays(const QString& dataDir);

// A whole file's bytes; a missing file is an empty success when
// `missingIsEmpty`. A failure carries the Russian cause.
Result<QByteArray> ReadWholeFile(const QString& path, bool missingIsEmpty);

