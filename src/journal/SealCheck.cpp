#include "journal/SealCheck.h"

#include "core/ErrorText.h"
#include "core/OrdinaryFile.h"
#include "core/TextRules.h"
#include "journal/DayFile.h"
#include "journal/SealKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <deque>
#include <functional>

namespace {

// How far a removed or added run of lines is looked for past a line that no
// longer matches. Each step costs at most one HMAC; a longer run shows as
// changed lines instead, which is still a change.
constexpr int Lookahead = 64;
// The day file is read in pieces of this size.
constexpr qint64 Chunk = 1 << 20;

// The day file read forward as it is walked, keeping only what the walk may
// still look at, and counting lines as the journal box does.
class DayReader {
public:
    QString open(const QString& path, qint64 limit)
    {
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            return {};
        file_.setFileName(path);
        if (const auto failed = OpenOrdinaryFile(file_, QIODevice::ReadOnly))
            return QStringLiteral("файл %1 не открывается: %2").arg(QDir::toNativeSeparators(path), failed->text);
        size_ = limit < 0 ? file_.size() : std::min(limit, file_.size());
        return {};
    }
    QString failure() const { return failure_; }
    qint64 size() const { return size_; }
    qint64 pos() const { return pos_; }
    bool atEnd() const { return pos_ >= size_; }
    // The number of the line that the next byte belongs to.
    int line() const { return static_cast<int>(ends_) + 1; }
    // The last line a consumed range reached: the line its last byte ended,
    // or the one it stopped inside.
    int lastLine() const { return static_cast<int>(ends_) + (lastWasEnd_ ? 0 : 1); }
    // Whether the last byte consumed ended no line.
    bool midLine() const { return pos_ > 0 && !lastWasEnd_; }

    // Up to `n` bytes from `offset` past the position; fewer at the end.
    QByteArrayView peek(qint64 offset, qint64 n)
    {
        fill(pos_ + offset + n);
        const qint64 from = pos_ + offset - start_;
        const qint64 available = std::max<qint64>(0, static_cast<qint64>(buffer_.size()) - from);
        return QByteArrayView(buffer_).sliced(std::min<qint64>(from, buffer_.size()), std::min(n, available));
    }

    // The length of the CR LF-ended piece at `offset` past the position (to
    // the end when none ends it); -1 when it is longer than any line.
    qint64 segment(qint64 offset)
    {
        const QByteArrayView bytes = peek(offset, MaxJournalLine + 2);
        const qsizetype end = bytes.indexOf(QByteArrayView("\r\n"));
        if (end >= 0)
            return end + 2;
        return bytes.size() > MaxJournalLine ? -1 : bytes.size();
    }

    void consume(qint64 n)
    {
        while (n > 0 && !failed()) {
            fill(pos_ + std::min(n, Chunk));
            const qint64 available = std::min(n, start_ + static_cast<qint64>(buffer_.size()) - pos_);
            if (available <= 0)
                return;
            count(QByteArrayView(buffer_).sliced(pos_ - start_, available));
            pos_ += available;
            n -= available;
        }
    }

    // Consumes through the next CR LF, or to the end.
    void consumeSegment()
    {
        for (;;) {
            const qint64 s = segment(0);
            if (s >= 0) {
                consume(s);
                return;
            }
            // Longer than a line: through to the next CR LF, however far.
            const QByteArrayView bytes = peek(0, Chunk);
            const qsizetype end = bytes.indexOf(QByteArrayView("\r\n"));
            if (end >= 0 || bytes.size() < Chunk) {
                consume(end >= 0 ? end + 2 : bytes.size());
                return;
            }
            consume(bytes.size() - 1);  // a CR at the edge may begin a CR LF
        }
    }

    bool failed() const { return !failure_.isEmpty(); }

private:
    void fill(qint64 until)
    {
        until = std::min(until, size_);
        if (pos_ - start_ > Chunk) {
            buffer_.remove(0, pos_ - start_);
            start_ = pos_;
        }
        while (start_ + buffer_.size() < until && !failed()) {
            const qint64 want = std::max(until - (start_ + buffer_.size()), std::min(Chunk, size_ - (start_ + buffer_.size())));
            const QByteArray more = file_.read(want);
            if (more.isEmpty()) {
                if (file_.error() != QFileDevice::NoError)
                    failure_ = QStringLiteral("ошибка чтения файла %1: %2")
                                   .arg(QDir::toNativeSeparators(file_.fileName()), FileErrorText(file_));
                size_ = start_ + buffer_.size();  // shorter than it was: read what there is
                return;
            }
            buffer_ += more;
        }
    }

    void count(QByteArrayView bytes)
    {
        for (const char c : bytes) {
            if (c == '\r') {
                ++ends_;
                lastWasCr_ = true;
                lastWasEnd_ = true;
            } else if (c == '\n') {
                if (!lastWasCr_)
                    ++ends_;
                lastWasCr_ = false;
                lastWasEnd_ = true;
            } else {
                lastWasCr_ = false;
                lastWasEnd_ = false;
            }
        }
    }

    QFile file_;
    QString failure_;
    QByteArray buffer_;
    qint64 start_ = 0;  // the file position of the buffer's first byte
    qint64 pos_ = 0;
    qint64 size_ = 0;
    qint64 ends_ = 0;
    bool lastWasCr_ = false;
    bool lastWasEnd_ = true;
};

void AddLines(QList<int>& to, int first, int last)
{
    for (int n = first; n <= last; ++n)
        to.append(n);
}

// Whether the bytes are one line as the terminal writes it: no CR or LF but
// the CR LF at its end.
bool IsOneLine(QByteArrayView bytes)
{
    return bytes.size() >= 2 && bytes.size() <= MaxJournalLine && bytes.endsWith("\r\n") &&
           bytes.first(bytes.size() - 2).indexOf('\r') < 0 && bytes.first(bytes.size() - 2).indexOf('\n') < 0;
}

// The bytes after the last record, in pieces: the terminal's own lines that
// the head says are pending, one whole line or a line cut short at the very
// end, and anything else.
void ReadTail(DayReader& day, const SealWalkInput& in, SealWalk& w)
{
    while (!day.atEnd() && !day.failed()) {
        const qint64 cur = day.pos();
        SealTailPiece piece;
        piece.from = cur;
        piece.firstLine = day.line();
        qint64 next = day.size();
        const PendingLine* own = nullptr;
        for (const PendingLine& p : in.pending) {
            if (p.pos == cur && p.length <= MaxJournalLine)
                own = &p;
            else if (p.pos > cur && p.pos < next)
                next = p.pos;
        }
        if (own) {
            const QByteArray bytes = day.peek(0, own->length).toByteArray();
            if (bytes.size() == own->length && PendingCode(in.key, in.date, cur, bytes) == own->code) {
                piece.kind = SealTailPiece::Kind::Pending;
                piece.bytes = bytes;
                day.consume(own->length);
                piece.to = day.pos();
                piece.lastLine = day.lastLine();
                w.tail.append(piece);
                continue;
            }
        }
        piece.kind = SealTailPiece::Kind::Other;
        if (next == day.size() && next - cur <= MaxJournalLine) {
            const QByteArrayView rest = day.peek(0, next - cur);
            if (IsOneLine(rest)) {
                piece.kind = SealTailPiece::Kind::Crash;
                piece.bytes = rest.toByteArray();
            } else if (rest.indexOf('\r') < 0 && rest.indexOf('\n') < 0) {
                piece.kind = SealTailPiece::Kind::Torn;
            }
        }
        day.consume(next - cur);
        piece.to = day.pos();
        piece.lastLine = day.lastLine();
        w.tail.append(piece);
    }
}

}  // namespace

SealWalk WalkDaySeal(const SealWalkInput& in)
{
    SealWalk w;
    // The seal first: the terminal appends a line before its seal, so every
    // record read then speaks of bytes already in the day file.
    SealReader seal;
    if (const Status opened = seal.open(SealFileName(in.dataDir, in.date)); !opened.ok()) {
        w.unreadable = opened.description;
        return w;
    }
    DayReader day;
    if (const QString failed = day.open(DayFileName(in.dataDir, in.date), in.limit); !failed.isEmpty()) {
        w.unreadable = failed;
        return w;
    }
    w.sealExists = seal.exists();

    std::deque<SealRecord> ahead;
    const auto fetch = [&](std::size_t k) -> const SealRecord* {
        SealRecord r;
        while (ahead.size() <= k && seal.next(r))
            ahead.push_back(r);
        return k < ahead.size() ? &ahead[k] : nullptr;
    };
    SealCoder coder(in.key);
    const auto verifies = [&](const QByteArray& previous, const SealRecord& r, qint64 offset) {
        const QByteArrayView bytes = day.peek(offset, r.length);
        return bytes.size() == r.length && coder.code(previous, r, bytes) == r.code;
    };
    const auto fault = [&](SealFinding::Kind kind, int line, int count, const QDate& on = {}) {
        // A run of removed lines at one place is one finding, and so is a
        // run of changed lines one after another.
        if (!w.findings.isEmpty() && w.findings.last().kind == kind) {
            SealFinding& last = w.findings.last();
            if ((kind == SealFinding::Kind::Removed && last.line == line) ||
                (kind == SealFinding::Kind::Changed && last.line + last.count == line)) {
                last.count += count;
                w.lastFaultRecord = w.records;
                return;
            }
        }
        w.findings.append({kind, line, count, on});
        // Gaps are the terminal's own word on what it found, and a
        // continued day no fault: neither asks for sealing to go on marked.
        if (kind != SealFinding::Kind::Continued && kind != SealFinding::Kind::Torn &&
            kind != SealFinding::Kind::Before && kind != SealFinding::Kind::Foreign &&
            kind != SealFinding::Kind::SealsRemoved)
            w.lastFaultRecord = w.records;
    };

    QByteArray previous = DayStartCode(in.key, in.date);
    bool previousKnown = true;
    int skip = 0;  // lookaheads to leave out after one that found nothing, doubling
    int wait = 0;
    while (const SealRecord* next = fetch(0)) {
        const SealRecord r = *next;
        ahead.pop_front();
        ++w.records;
        if (w.records == in.headRecords)
            w.codeAtHead = r.code;
        if (r.kind == 0) {
            fault(SealFinding::Kind::SealDamaged, static_cast<int>(w.records), 0);
            previousKnown = false;
            continue;
        }
        if (w.records == 1 && r.kind != SealLink) {
            fault(SealFinding::Kind::LinkMissing, day.line(), 0);
            previousKnown = false;
        }
        w.lastKind = r.kind;
        w.lastNext = r.kind == SealNext ? r.day : QDate();

        if (r.kind == SealLink) {
            const std::optional<QByteArray> earlier =
                r.day.isValid() ? RecordCodeOf(in.dataDir, r.day, r.records) : ChainStartCode(in.key);
            if (!earlier) {
                fault(SealFinding::Kind::ChainBroken, day.line(), 0, r.day);
            } else if (previousKnown && coder.code(previous, r, *earlier) != r.code) {
                // Sealed under another date: these files are another day's,
                // copied or renamed. Otherwise the day it names changed since.
                QDate broken = r.day.isValid() ? r.day : in.date;
                if (w.records == 1) {
                    for (QDate other = in.date.addYears(-1); other <= in.date.addYears(1); other = other.addDays(1)) {
                        if (other != in.date && coder.code(DayStartCode(in.key, other), r, *earlier) == r.code) {
                            broken = in.date;
                            break;
                        }
                    }
                }
                fault(SealFinding::Kind::ChainBroken, day.line(), 0, broken);
            } else if (w.records > 1) {
                fault(SealFinding::Kind::Continued, day.line(), 0, r.day);
            }
        } else if (r.kind == SealNext || r.kind == SealGap) {
            if (previousKnown && coder.code(previous, r, {}) != r.code)
                fault(SealFinding::Kind::SealDamaged, static_cast<int>(w.records), 0);
            if (r.kind == SealGap && r.reason == GapAfterFault)
                w.lastAfterFault = w.records;
            if (r.kind == SealGap && r.length > 0 && day.atEnd()) {
                fault(SealFinding::Kind::Removed, day.line(), 1);
            } else if (r.kind == SealGap && r.length > 0) {
                const int first = day.line();
                day.consume(r.length);
                const int last = day.lastLine();
                const auto kind = r.reason == GapTorn           ? SealFinding::Kind::Torn
                                  : r.reason == GapBefore       ? SealFinding::Kind::Before
                                  : r.reason == GapSealsRemoved ? SealFinding::Kind::SealsRemoved
                                                                : SealFinding::Kind::Foreign;
                fault(kind, first, last - first + 1);
                AddLines(w.unsealedLines, first, last);
            }
        } else if (!previousKnown) {
            // Its code cannot be checked: the line goes by as not vouched for.
            const int first = day.line();
            day.consume(std::min(r.length, day.size() - day.pos()));
            AddLines(w.unsealedLines, first, day.lastLine());
        } else if (verifies(previous, r, 0)) {
            const int line = day.line();
            day.consume(r.length);
            ++w.lines;
            w.matchedLines.append(line);
            if (r.kind == SealStartUp)
                w.lateLines.append(line);
            else if (r.kind == SealFailed)
                w.failedLines.append(line);
            if (in.wantCodes) {
                while (w.codes.size() < line)
                    w.codes.append(QByteArray());
                w.codes[line - 1] = r.code;
            }
            skip = 0;
            wait = 0;
        } else {
            const qint64 first = day.segment(0);
            bool resynced = false;
            if (first == 0) {
                fault(SealFinding::Kind::Removed, day.line(), 1);
                resynced = true;
            } else if (wait > 0) {
                --wait;
            } else {
                // Removed: a record further on fits the bytes here.
                QByteArray before = r.code;
                int removed = 1;
                for (int k = 0; k < Lookahead && !resynced; ++k) {
                    const SealRecord* a = fetch(static_cast<std::size_t>(k));
                    if (!a || a->kind == 0 || (!a->isLine() && !(a->kind == SealGap && a->length == 0)))
                        break;
                    if (a->isLine()) {
                        if (a->length == first && verifies(before, *a, 0)) {
                            fault(SealFinding::Kind::Removed, day.line(), removed);
                            for (int drop = 0; drop < k; ++drop) {
                                if (++w.records == in.headRecords)
                                    w.codeAtHead = ahead.front().code;
                                ahead.pop_front();
                            }
                            resynced = true;
                            break;
                        }
                        ++removed;
                    }
                    before = a->code;
                }
                if (resynced) {
                    previous = before;
                    continue;
                }
                // Added: this record fits a line further on.
                qint64 offset = 0;
                for (int k = 0; k < Lookahead; ++k) {
                    const qint64 s = day.segment(offset);
                    if (s <= 0)
                        break;
                    offset += s;
                    if (day.segment(offset) == r.length && verifies(previous, r, offset)) {
                        const int from = day.line();
                        day.consume(offset);
                        fault(SealFinding::Kind::Added, from, day.lastLine() - from + 1);
                        AddLines(w.unsealedLines, from, day.lastLine());
                        // This record is read again, now where it fits.
                        ahead.push_front(r);
                        --w.records;
                        resynced = true;
                        break;
                    }
                }
                if (resynced)
                    continue;
                skip = std::max(1, skip * 2);
                wait = skip;
            }
            if (!resynced) {
                // Changed: the bytes in the record's place are not what it sealed.
                const int from = day.line();
                day.consumeSegment();
                fault(SealFinding::Kind::Changed, from, day.lastLine() - from + 1);
                AddLines(w.unsealedLines, from, day.lastLine());
            }
        }
        w.lastCode = r.code;
        previous = r.code;
        previousKnown = true;
    }
    if (seal.failed()) {
        w.unreadable = seal.failure();
        return w;
    }
    w.sealWholeBytes = seal.wholeBytes();
    w.sealSize = seal.size();
    w.end = day.pos();
    ReadTail(day, in, w);
    for (const SealTailPiece& piece : w.tail)
        AddLines(w.unsealedLines, piece.firstLine, piece.lastLine);
    w.endsMidLine = day.midLine();
    if (day.failed())
        w.unreadable = day.failure();
    w.size = day.pos();
    w.totalLines = day.pos() == 0 ? 0 : day.lastLine();
    return w;
}

namespace {

// Russian plural forms: 1 строка, 2 строки, 5 строк.
QString LineCount(int n)
{
    const int tens = n % 100;
    const int ones = n % 10;
    if (ones == 1 && tens != 11)
        return QStringLiteral("%1 строка").arg(n);
    if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        return QStringLiteral("%1 строки").arg(n);
    return QStringLiteral("%1 строк").arg(n);
}

QString GenuineText(int n)
{
    const bool one = n % 10 == 1 && n % 100 != 11;
    return QStringLiteral("Журнал подлинный: %1 %2")
        .arg(LineCount(n), one ? QStringLiteral("совпадает с записанной") : QStringLiteral("совпадают с записанными"));
}

// "3–4, 9" of a list of line numbers.
QString Ranges(const QList<int>& lines)
{
    QStringList ranges;
    for (qsizetype k = 0; k < lines.size();) {
        qsizetype end = k;
        while (end + 1 < lines.size() && lines[end + 1] == lines[end] + 1)
            ++end;
        ranges << (end == k ? QString::number(lines[k]) : QStringLiteral("%1–%2").arg(lines[k]).arg(lines[end]));
        k = end + 1;
    }
    return ranges.join(QStringLiteral(", "));
}

QList<int> Span(int first, int last)
{
    QList<int> lines;
    AddLines(lines, first, last);
    return lines;
}

// "Строка 5 …а" or "Строки 5–6 …ы", as a sentence or after a colon.
QString Lines(const QList<int>& lines, const QString& one, const QString& many, bool sentence)
{
    const QString word = lines.size() == 1 ? QStringLiteral("строка") : QStringLiteral("строки");
    QString text = QStringLiteral("%1 %2 %3").arg(word, Ranges(lines), lines.size() == 1 ? one : many);
    if (sentence)
        text[0] = text[0].toUpper();
    return text;
}

struct Said {
    QString text;
    int lines = 0;
};

// A red finding as said after "Журнал изменён после записи: ".
Said FaultText(const SealFinding& f)
{
    const QList<int> lines = Span(f.line, f.line + f.count - 1);
    switch (f.kind) {
    case SealFinding::Kind::Changed:
        return {f.count == 1 ? QStringLiteral("строка %1").arg(f.line) : Lines(lines, {}, {}, false).trimmed(),
                f.count};
    case SealFinding::Kind::Removed:
        return {QStringLiteral("удалены строки с %1").arg(f.line), f.count};
    case SealFinding::Kind::Added:
        return {f.line > 1 ? QStringLiteral("добавлены строки после %1").arg(f.line - 1)
                           : QStringLiteral("добавлены строки в начале"),
                f.count};
    case SealFinding::Kind::Foreign:
        return {Lines(lines, QStringLiteral("записана не терминалом и не запечатана"),
                      QStringLiteral("записаны не терминалом и не запечатаны"), false),
                f.count};
    case SealFinding::Kind::SealsRemoved:
        return {QStringLiteral("печать %1 %2 удалена")
                    .arg(lines.size() == 1 ? QStringLiteral("строки") : QStringLiteral("строк"), Ranges(lines)),
                f.count};
    case SealFinding::Kind::SealDamaged:
        return {QStringLiteral("файл печати изменён (его строка %1 не читается или не совпадает)").arg(f.line), 0};
    case SealFinding::Kind::LinkMissing:
        return {QStringLiteral("из файла печати удалена его первая строка (связь с прежним днём)"), 0};
    default:
        return {};
    }
}

// What the status line says: the first fault in words, how many lines the
// others concern, the chain's breaks and the warnings. Only the first fault
// is put in words, so a day with every line changed costs no more text.
struct Report {
    QString firstFault;
    int faults = 0;
    int moreLines = 0;
    QList<QDate> broken;  // days the chain breaks at
    QStringList notes;    // warnings, in order

    void fault(const std::function<Said()>& said, int lines)
    {
        if (faults++ == 0)
            firstFault = said().text;
        else
            moreLines += lines;
    }
};

SealCheck Finished(SealCheck check, SealCheck::Verdict verdict, QString text)
{
    check.verdict = verdict;
    check.text = std::move(text);
    return check;
}

QString KeyProblem(const QString& description)
{
    return QStringLiteral("Печать не проверена: %1").arg(description);
}

bool HasSealedHistory(const QString& dataDir)
{
    return QFileInfo::exists(SealHeadFileName(dataDir)) || !SealedDays(dataDir).isEmpty();
}

// Whether the head's day ends by going on in `date`: the head was not yet
// moved on when the terminal stopped.
bool HeadWentOnTo(const QString& dataDir, const SealHead& head, const QDate& date)
{
    if (!head.day.isValid())
        return false;
    const SealRecord last = LastSealRecord(dataDir, head.day);
    return last.kind == SealNext && last.day == date;
}

}  // namespace

SealCheck CheckDaySeal(const QString& dataDir, const QDate& date, qint64 limit)
{
    using Verdict = SealCheck::Verdict;
    SealCheck check;
    const QFileInfo dayInfo(DayFileName(dataDir, date));
    const QFileInfo sealInfo(SealFileName(dataDir, date));
    const bool hasLines = dayInfo.exists() && dayInfo.size() > 0 && limit != 0;
    const bool hasSeal = sealInfo.exists() || sealInfo.isSymLink();

    const Result<QByteArray> key = ReadSealKey(dataDir);
    if (!key.ok()) {
        if (!HasSealedHistory(dataDir))
            return hasLines ? Finished(check, Verdict::NoSeal, QStringLiteral("Журнал без печати (записан до её появления)"))
                            : check;
        return hasLines || hasSeal ? Finished(check, Verdict::NotChecked, KeyProblem(key.status.description)) : check;
    }
    const Result<std::optional<SealHead>> headRead = ReadSealHead(dataDir, key.value);
    const std::optional<SealHead> head = headRead.ok() ? headRead.value : std::nullopt;
    const QString headProblem = !headRead.ok() ? headRead.status.description
                                : !head        ? QStringLiteral("запись о последней печати %1 не найдена")
                                                     .arg(QDir::toNativeSeparators(SealHeadFileName(dataDir)))
                                               : QString();
    const bool isHeadDay = head && head->day == date;

    SealWalkInput in;
    in.dataDir = dataDir;
    in.date = date;
    in.key = key.value;
    in.limit = limit;
    if (isHeadDay)
        in.headRecords = head->records;
    if (head) {
        for (const PendingLine& p : head->pending) {
            if (p.day == date)
                in.pending.append(p);
        }
    }
    SealWalk w = WalkDaySeal(in);
    // A line appended between reading the seal and the day file has its seal
    // by now: walked once more, it is no line left unsealed.
    if (!w.tail.isEmpty() && QFileInfo(SealFileName(dataDir, date)).size() != w.sealSize)
        w = WalkDaySeal(in);
    if (!w.unreadable.isEmpty())
        return Finished(check, Verdict::NotChecked, QStringLiteral("Печать не проверена: %1").arg(w.unreadable));
    check.faultyLines = w.unsealedLines;
    check.matching = static_cast<int>(w.lines);
    check.lateLines = w.lateLines + w.failedLines;
    std::sort(check.lateLines.begin(), check.lateLines.end());

    Report report;
    // Whether the chain was at this day when the terminal last wrote: lines
    // after its last record may then be the terminal's own, not yet sealed.
    // A head one step behind is what a stop between a seal and the head's
    // rewrite leaves.
    bool openEnd = false;
    if (w.sealExists)
        openEnd = isHeadDay || (head && w.lastKind != SealNext && HeadWentOnTo(dataDir, *head, date));
    else
        openEnd = head && (!head->day.isValid() || head->day < date || HeadWentOnTo(dataDir, *head, date));

    if (!w.sealExists) {
        if (w.size == 0) {
            if (isHeadDay && head->lines > 0) {
                return Finished(check, Verdict::Changed,
                                QStringLiteral("Журнал за этот день удалён вместе с печатью: было запечатано %1")
                                    .arg(LineCount(static_cast<int>(head->lines))));
            }
            return check;
        }
        if (!head) {
            return Finished(check, Verdict::SealMissing,
                            QStringLiteral("Журнал без печати: печать удалена или журнал записан до её появления (%1)")
                                .arg(headProblem));
        }
        if (head->firstDay.isValid() && date < head->firstDay) {
            check.faultyLines.clear();
            return Finished(check, Verdict::NoSeal, QStringLiteral("Журнал без печати (записан до её появления)"));
        }
        bool honest = openEnd && !isHeadDay;
        for (const SealTailPiece& piece : w.tail)
            honest = honest && piece.kind != SealTailPiece::Kind::Other;
        if (!honest) {
            return Finished(check, Verdict::SealMissing, head->firstDay.isValid()
                                                             ? QStringLiteral("Журнал без печати: печать удалена")
                                                             : QStringLiteral("Журнал без печати: печать удалена или "
                                                                              "журнал записан до её появления"));
        }
    }

    for (const SealFinding& f : w.findings) {
        if (f.kind == SealFinding::Kind::ChainBroken)
            report.broken.append(f.day);
        else if (f.kind == SealFinding::Kind::Continued)
            report.notes << QStringLiteral("Журнал дописан после начала журнала за %1").arg(DateText(f.day));
        else if (f.kind == SealFinding::Kind::Torn)
            report.notes << QStringLiteral("Строка %1 оборвана при сбое и не запечатана").arg(f.line);
        else if (f.kind == SealFinding::Kind::Before)
            report.notes << Lines(Span(f.line, f.line + f.count - 1), QStringLiteral("записана до появления печати"),
                                  QStringLiteral("записаны до появления печати"), true);
        else
            report.fault([&] { return FaultText(f); }, f.count);
    }

    // The newest seals cut: the head remembers how far the day was sealed.
    // Lines still there lost their seals; lines gone went with theirs. A day
    // the chain left ends by saying where.
    const bool cut = isHeadDay && (w.records < head->records || (head->records > 0 && w.codeAtHead != head->code));
    QList<int> pending;
    QList<int> sealsRemoved;
    for (const SealTailPiece& piece : w.tail) {
        const QList<int> lines = Span(piece.firstLine, piece.lastLine);
        if (piece.kind == SealTailPiece::Kind::Pending) {
            pending << lines;
        } else if (cut) {
            sealsRemoved << lines;
        } else if (openEnd && piece.kind == SealTailPiece::Kind::Crash) {
            report.notes << Lines(lines, QStringLiteral("ещё не запечатана: сбой до её печати"), {}, true);
        } else if (openEnd && piece.kind == SealTailPiece::Kind::Torn) {
            report.notes << Lines(lines, QStringLiteral("оборвана при сбое и не запечатана"), {}, true);
        } else {
            report.fault(
                [&] { return Said{Lines(lines, QStringLiteral("не запечатана"), QStringLiteral("не запечатаны"), false)}; },
                static_cast<int>(lines.size()));
        }
    }
    if (!sealsRemoved.isEmpty()) {
        report.fault([&] { return FaultText({SealFinding::Kind::SealsRemoved, sealsRemoved.first(),
                                             static_cast<int>(sealsRemoved.size()), {}}); },
                     static_cast<int>(sealsRemoved.size()));
    }
    if (cut && head->lines > w.lines + sealsRemoved.size()) {
        report.fault(
            [&] {
                return Said{QStringLiteral("последние строки удалены вместе с печатью (было запечатано %1, осталось %2)")
                                .arg(LineCount(static_cast<int>(head->lines)))
                                .arg(w.lines + sealsRemoved.size())};
            },
            0);
    } else if (!cut && head && w.sealExists && !openEnd && w.lastKind != SealNext && w.records > 0) {
        report.fault(
            [&] {
                return Said{QStringLiteral("конец журнала удалён вместе с печатью (после строки %1)")
                                .arg(w.matchedLines.isEmpty() ? 0 : w.matchedLines.last())};
            },
            0);
    }
    if (!pending.isEmpty()) {
        report.notes << Lines(pending, QStringLiteral("ещё не запечатана: печать не удалась при записи"),
                              QStringLiteral("ещё не запечатаны: печать не удалась при записи"), true);
    }
    if (!w.lateLines.isEmpty()) {
        report.notes << Lines(w.lateLines, QStringLiteral("запечатана при запуске после сбоя"),
                              QStringLiteral("запечатаны при запуске после сбоя"), true);
    }
    if (!w.failedLines.isEmpty()) {
        report.notes << Lines(w.failedLines, QStringLiteral("запечатана позже записи: печать не удалась при записи"),
                              QStringLiteral("запечатаны позже записи: печать не удалась при записи"), true);
    }

    if (report.faults > 0) {
        QString text = QStringLiteral("Журнал изменён после записи: ") + report.firstFault;
        if (report.moreLines > 0)
            text += QStringLiteral(", и ещё %1").arg(LineCount(report.moreLines));
        return Finished(check, Verdict::Changed, text);
    }
    if (!report.broken.isEmpty()) {
        return Finished(check, Verdict::ChainBroken,
                        QStringLiteral("Цепочка прервана: журнал за %1 удалён или заменён")
                            .arg(DateText(report.broken.first().isValid() ? report.broken.first() : date)));
    }
    QStringList said;
    if (w.lines > 0)
        said << GenuineText(static_cast<int>(w.lines));
    // Without the head nothing tells how far the day was sealed.
    if (!head && w.sealExists) {
        said << QStringLiteral("Конец журнала не подтверждён: %1").arg(headProblem) << report.notes;
        return Finished(check, Verdict::NotChecked, said.join(QStringLiteral(". ")));
    }
    said << report.notes;
    if (said.isEmpty())
        return check;
    return Finished(check, report.notes.isEmpty() ? Verdict::Genuine : Verdict::SealedLate,
                    said.join(QStringLiteral(". ")));
}

QStringList SealCodesOfLines(const QString& dataDir, const QDate& date)
{
    const Result<QByteArray> key = ReadSealKey(dataDir);
    if (!key.ok())
        return {};
    SealWalkInput in;
    in.dataDir = dataDir;
    in.date = date;
    in.key = key.value;
    in.wantCodes = true;
    const SealWalk w = WalkDaySeal(in);
    if (!w.unreadable.isEmpty())
        return {};
    QStringList codes;
    for (int n = 0; n < w.totalLines; ++n)
        codes.append(n < w.codes.size() && !w.codes[n].isEmpty() ? QString::fromLatin1(w.codes[n].toHex()) : QString());
    return codes;
}

QString SealHeadLine(const QString& dataDir)
{
    const Result<QByteArray> key = ReadSealKey(dataDir);
    if (!key.ok())
        return HasSealedHistory(dataDir) ? QStringLiteral("Печать журналов: %1").arg(key.status.description)
                                         : QString();
    const Result<std::optional<SealHead>> head = ReadSealHead(dataDir, key.value);
    if (!head.ok())
        return QStringLiteral("Печать журналов: %1").arg(head.status.description);
    if (!head.value || !head.value->day.isValid())
        return QStringLiteral("Печать журналов: ещё ни одной запечатанной строки");
    // The line the last seal vouches for, as the journal box numbers it:
    // where lines were left unsealed its count of sealed lines is less. Only
    // while the day's seal still ends where the head says: the witness is
    // the head's, whatever was cut since.
    qint64 line = head.value->lines;
    const SealRecord last = LastSealRecord(dataDir, head.value->day);
    if (last.isLine() && last.code == head.value->code) {
        DayReader day;
        if (day.open(DayFileName(dataDir, head.value->day), last.pos + last.length).isEmpty() &&
            day.size() == last.pos + last.length) {
            day.consume(day.size());
            if (!day.failed())
                line = day.lastLine();
        }
    }
    return QStringLiteral("Код печати журналов: %1 (строка %2 за %3)")
        .arg(ShortCode(head.value->code))
        .arg(line)
        .arg(DateText(head.value->day));
}
