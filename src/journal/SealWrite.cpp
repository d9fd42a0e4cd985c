#include "journal/SealWrite.h"

#include "core/Cp1251.h"
#include "core/DurableAppend.h"
#include "core/ErrorText.h"
#include "core/OrdinaryFile.h"
#include "core/TextRules.h"
#include "journal/DayFile.h"
#include "journal/SealCheck.h"
#include "journal/SealFile.h"
#include "journal/SealKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <optional>

namespace {

// A line this process appended and has not sealed yet: start-up sealing was
// still running, or sealing failed.
struct OwnLine {
    QDate day;
    qint64 before = 0;  // the file's size before the append; a line end put before the line lies between
    qint64 pos = 0;
    QByteArray bytes;
    bool failed = false;
};

// Far more than a day's weighings: past it, the oldest lines wait no longer
// in memory and read as not sealed.
constexpr int OwnLinesKept = 2000;

// What this process knows of the day the chain is at, valid while both of
// its files have the sizes the last seal left them with.
struct Cursor {
    QDate day;
    qint64 daySize = -1;
    qint64 sealSize = -1;
    qint64 records = 0;
    qint64 lines = 0;
    QByteArray code;
    QDate leftFor;  // the day the last record says the chain went on in
};

struct Writer {
    QString dataDir;
    bool holding = false;  // start-up sealing runs: lines wait for it
    QByteArray key;
    std::optional<SealHead> head;
    std::optional<Cursor> cursor;
    QList<OwnLine> own;
    QString failureTold;  // the failure told; empty while sealing works
    bool clockTold = false;
    QSet<QDate> changedTold;
    QStringList notes;  // to be told with the next result
};

Writer& TheWriter(const QString& dataDir)
{
    static Writer writer;
    if (writer.dataDir != dataDir) {
        writer = Writer{};
        writer.dataDir = dataDir;
    }
    return writer;
}

QString Shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

qint64 FileSize(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? info.size() : 0;
}

// What is known of a day before more is sealed on it: its records as walked,
// with what lies after them.
struct DayState {
    QDate day;
    SealWalk walk;
    QString changed;  // the check's words when the day failed its check
};

// A fault found after the last "G C" record (gaps are the terminal's own
// word on what it found and need none).
bool NeedsFaultMark(const SealWalk& walk)
{
    return walk.lastFaultRecord > walk.lastAfterFault;
}

DayState Examine(const QString& dataDir, const QByteArray& key, const std::optional<SealHead>& head,
                 const QDate& day, qint64 limit)
{
    SealWalkInput in;
    in.dataDir = dataDir;
    in.date = day;
    in.key = key;
    in.limit = limit;
    if (head && head->day == day)
        in.headRecords = head->records;
    if (head) {
        for (const PendingLine& p : head->pending) {
            if (p.day == day)
                in.pending.append(p);
        }
    }
    DayState state{day, WalkDaySeal(in), {}};
    const bool cut = head && head->day == day && state.walk.records < head->records;
    if (NeedsFaultMark(state.walk) || cut) {
        const SealCheck check = CheckDaySeal(dataDir, day, limit);
        if (check.fault())
            state.changed = check.text;
    }
    return state;
}

// Appends records to a seal file after its first `keep` bytes (a record cut
// short by a crash is cut off first) and returns once they are on disk.
Status AppendSeal(const QString& dataDir, const QString& path, qint64 keep, const QByteArray& bytes)
{
    const auto failure = [&](const QString& cause) {
        return Status::failure(ErrorNumber::DeviceIo,
                               QStringLiteral("ошибка записи в файл %1: %2").arg(Shown(path), cause));
    };
    if (QFileInfo::exists(path) && QFileInfo(path).size() > keep) {
        // Cut apart from the appending: where appending is emulated by one
        // seek at opening (Windows), a file shortened after opening would be
        // written past its end.
        QFile torn(path);
        if (const auto failed = OpenOrdinaryFile(torn, QIODevice::ReadWrite))
            return failure(failed->text);
        if (!torn.resize(keep))
            return failure(FileErrorText(torn));
    }
    if (const auto failed = AppendDurably(path, dataDir, bytes))
        return failure(failed->cause);
    return Status::success();
}

// Records chained onto a day's seal as they are made.
struct Chain {
    QByteArray key;
    QByteArray code;
    qint64 records = 0;
    qint64 lines = 0;
    QByteArray bytes;

    void add(SealRecord r, QByteArrayView vouched)
    {
        r.code = RecordCode(key, code, r, vouched);
        code = r.code;
        bytes += SealRecordBytes(r);
        ++records;
        lines += r.isLine() ? 1 : 0;
    }
    void line(char kind, qint64 pos, const QByteArray& bytes)
    {
        SealRecord r;
        r.kind = kind;
        r.pos = pos;
        r.length = bytes.size();
        add(r, bytes);
    }
    void gap(char reason, qint64 pos, qint64 length)
    {
        SealRecord r;
        r.kind = SealGap;
        r.pos = pos;
        r.length = length;
        r.reason = reason;
        add(r, {});
    }
};

std::optional<QString> SaveHead(Writer& w)
{
    SealHead head = *w.head;
    head.pending.clear();
    for (const OwnLine& line : w.own)
        head.pending.append({line.day, line.pos, line.bytes.size(), PendingCode(w.key, line.day, line.pos, line.bytes)});
    w.head->pending = head.pending;
    return SaveSealHead(w.dataDir, w.key, head);
}

// The key and the head, read once; a head that is missing or damaged though
// a key exists is made again from the seal files, and the operator told.
Status Prepare(Writer& w, const QDate& today)
{
    if (w.key.isEmpty()) {
        QString told;
        const Result<QByteArray> key = ReadOrMakeSealKey(w.dataDir, today, &told);
        if (!key.ok())
            return key.status;
        w.key = key.value;
        if (!told.isEmpty())
            w.notes << told;
    }
    if (w.head)
        return Status::success();
    const Result<std::optional<SealHead>> read = ReadSealHead(w.dataDir, w.key);
    if (read.ok() && read.value) {
        w.head = read.value;
        return Status::success();
    }
    if (read.ok() && SealingNotBegun(w.dataDir)) {
        // The key made by the installer: this is the first start.
        QString told;
        if (const Status begun = BeginSealing(w.dataDir, w.key, today, &told); !begun.ok())
            return begun;
        w.head = SealHead{};
        w.head->firstDay = today;
        if (!told.isEmpty())
            w.notes << told;
        return Status::success();
    }
    // Made again: the chain goes on from the latest sealed day, and the day
    // sealing began is no longer known, so no day reads as sealed before it.
    SealHead rebuilt;
    const QList<QDate> sealed = SealedDays(w.dataDir);
    if (!sealed.isEmpty()) {
        const DayState latest = Examine(w.dataDir, w.key, std::nullopt, sealed.last(), -1);
        rebuilt.day = sealed.last();
        rebuilt.records = latest.walk.records;
        rebuilt.lines = latest.walk.lines;
        rebuilt.code = latest.walk.lastCode;
    }
    w.head = rebuilt;
    if (const auto failed = SaveHead(w)) {
        w.head.reset();
        return Status::failure(ErrorNumber::DeviceIo, QStringLiteral("запись о последней печати %1 не записана: %2")
                                                          .arg(Shown(SealHeadFileName(w.dataDir)), *failed));
    }
    w.notes << QStringLiteral("Запись о последней печати %1 %2: она составлена заново по файлам печати.")
                   .arg(Shown(SealHeadFileName(w.dataDir)),
                        read.ok() ? QStringLiteral("не найдена") : QStringLiteral("повреждена"));
    return Status::success();
}

QList<OwnLine*> OwnLinesOf(Writer& w, const QDate& day)
{
    QList<OwnLine*> lines;
    for (OwnLine& line : w.own) {
        if (line.day == day)
            lines.append(&line);
    }
    return lines;
}

// Whether the cursor still describes the day: both files as the last seal
// left them, but for this process's own lines appended since.
bool CursorHolds(const Writer& w, const QDate& day, const QList<OwnLine*>& own)
{
    if (!w.cursor || w.cursor->day != day)
        return false;
    if (FileSize(SealFileName(w.dataDir, day)) != w.cursor->sealSize)
        return false;
    const qint64 end = own.isEmpty() ? w.cursor->daySize : own.last()->pos + own.last()->bytes.size();
    return FileSize(DayFileName(w.dataDir, day)) == end && (own.isEmpty() || own.first()->before >= w.cursor->daySize);
}

Status SealDay(Writer& w, const QDate& day, const DayState* given, bool startUp);

// Ends the chain's day before the chain goes on in `next`: what it still
// lacks sealed first, then a record saying where the chain went.
Status LeaveDay(Writer& w, const QDate& from, const QDate& next, QByteArray& code, qint64& records)
{
    QList<OwnLine*> own = OwnLinesOf(w, from);
    const QFileInfo seal(SealFileName(w.dataDir, from));
    if (own.isEmpty() && !seal.exists() && !seal.isSymLink() && w.head->records > 0) {
        // The day the chain was at is gone with its seal: the link binds what
        // the head remembers of it, so that the next day names it, and no
        // seal is made up for it.
        code = w.head->code;
        records = w.head->records;
        return Status::success();
    }
    if (!CursorHolds(w, from, own)) {
        const DayState state = Examine(w.dataDir, w.key, w.head, from, own.isEmpty() ? -1 : own.first()->before);
        if (!state.walk.unreadable.isEmpty())
            return Status::failure(ErrorNumber::PathFileAccess, state.walk.unreadable);
        if (state.walk.lastKind == SealNext && state.walk.lastNext == next && own.isEmpty() && state.walk.tail.isEmpty()) {
            // Left already, and the head not yet moved on.
            code = state.walk.lastCode;
            records = state.walk.records;
            return Status::success();
        }
        if (const Status sealed = SealDay(w, from, &state, false); !sealed.ok())
            return sealed;
        if (!w.cursor || w.cursor->day != from)
            return Status::failure(ErrorNumber::PathFileAccess,
                                   QStringLiteral("файл печати %1 не читается").arg(Shown(SealFileName(w.dataDir, from))));
    } else if (!own.isEmpty()) {
        if (const Status sealed = SealDay(w, from, nullptr, false); !sealed.ok())
            return sealed;
    }
    if (w.cursor->leftFor == next) {
        // Left already, and the head not yet moved on.
        code = w.cursor->code;
        records = w.cursor->records;
        return Status::success();
    }
    Chain chain{w.key, w.cursor->code.isEmpty() ? DayStartCode(w.key, from) : w.cursor->code, w.cursor->records,
                w.cursor->lines, {}};
    SealRecord leave;
    leave.kind = SealNext;
    leave.pos = w.cursor->daySize;
    leave.day = next;
    chain.add(leave, {});
    if (const Status appended = AppendSeal(w.dataDir, SealFileName(w.dataDir, from), w.cursor->sealSize, chain.bytes);
        !appended.ok()) {
        return appended;
    }
    w.cursor->sealSize += chain.bytes.size();
    w.cursor->records = chain.records;
    w.cursor->code = chain.code;
    w.cursor->leftFor = next;
    code = chain.code;
    records = chain.records;
    return Status::success();
}

// Brings the day's seal up to its file: what the day's walk found after its
// records, then this process's own lines of the day. Moves the chain to the
// day first when it is elsewhere.
Status SealDay(Writer& w, const QDate& day, const DayState* given, bool startUp)
{
    QList<OwnLine*> own = OwnLinesOf(w, day);
    const QString dayPath = DayFileName(w.dataDir, day);
    const QString sealPath = SealFileName(w.dataDir, day);

    std::optional<DayState> examined;
    const DayState* state = nullptr;
    if (!CursorHolds(w, day, own)) {
        if (given) {
            state = given;
        } else {
            examined = Examine(w.dataDir, w.key, w.head, day, own.isEmpty() ? -1 : own.first()->before);
            state = &*examined;
        }
        if (!state->walk.unreadable.isEmpty())
            return Status::failure(ErrorNumber::PathFileAccess, state->walk.unreadable);
        if (!state->changed.isEmpty() && !w.changedTold.contains(day)) {
            w.changedTold.insert(day);
            w.notes << QStringLiteral("Журнал за %1 не совпадает с печатью: %2. Новые строки запечатаны после "
                                      "этого места.")
                           .arg(DateText(day), state->changed);
        }
    }
    if (own.isEmpty() && (!state || (state->walk.tail.isEmpty() && !NeedsFaultMark(state->walk)))) {
        // Nothing to seal: what was walked is where the chain stands, when it is here.
        if (state && w.head->day == day)
            w.cursor = Cursor{day,
                              state->walk.size,
                              state->walk.sealWholeBytes,
                              state->walk.records,
                              state->walk.lines,
                              state->walk.lastCode,
                              state->walk.lastNext};
        return Status::success();
    }

    Chain chain{w.key, {}, 0, 0, {}};
    qint64 cur = 0;
    qint64 keep = 0;
    if (state) {
        const SealWalk& walk = state->walk;
        chain.code = walk.records > 0 ? walk.lastCode : DayStartCode(w.key, day);
        chain.records = walk.records;
        chain.lines = walk.lines;
        cur = walk.end;
        keep = walk.sealWholeBytes;
    } else {
        chain.code = w.cursor->code;
        chain.records = w.cursor->records;
        chain.lines = w.cursor->lines;
        cur = w.cursor->daySize;
        keep = w.cursor->sealSize;
    }

    // The chain comes here from where it was last: that day is left first.
    QString clock;
    const QDate from = w.head->day;
    // A day whose records were not left for another is where the chain is,
    // when the head's day says it went on there: the head was not yet
    // rewritten when the terminal stopped.
    const bool lagging = from.isValid() && from != day && state && state->walk.records > 0 &&
                         state->walk.lastKind != SealNext && [&] {
                             const SealRecord last = LastSealRecord(w.dataDir, from);
                             return last.kind == SealNext && last.day == day;
                         }();
    if (from != day && !lagging) {
        SealRecord link;
        link.kind = SealLink;
        link.pos = cur;
        QByteArray earlier = ChainStartCode(w.key);
        if (from.isValid()) {
            qint64 records = 0;
            if (const Status left = LeaveDay(w, from, day, earlier, records); !left.ok())
                return left;
            link.day = from;
            link.records = records;
            if (day < from && !w.clockTold) {
                w.clockTold = true;
                clock = QStringLiteral("Дата на часах компьютера (%1) раньше дня, запечатанного последним (%2): "
                                       "проверьте часы. Журнал за %1 дописан после начала журнала за %2.")
                            .arg(DateText(day), DateText(from));
            }
        }
        chain.add(link, earlier);
    }

    if (state && NeedsFaultMark(state->walk))
        chain.gap(GapAfterFault, cur, 0);

    const qint64 sizeNow = FileSize(dayPath);
    if (state) {
        const SealWalk& walk = state->walk;
        const bool sealsRemoved = w.head->day == day && walk.records < w.head->records;
        // The very first seal: what the day held before was written before sealing began.
        const char foreign = from.isValid() ? GapForeign : GapBefore;
        for (qsizetype k = 0; k < walk.tail.size(); ++k) {
            const SealTailPiece& piece = walk.tail[k];
            qint64 to = piece.to;
            // A piece ending inside a line at the end of what was walked is
            // closed with a line end: the one put before a line appended
            // since, or one appended now.
            if (k == walk.tail.size() - 1 && walk.endsMidLine) {
                QFile file(dayPath);
                QByteArray after;
                if (sizeNow >= to + 2 && !OpenOrdinaryFile(file, QIODevice::ReadOnly) && file.seek(to))
                    after = file.read(2);
                if (after == "\r\n") {
                    to += 2;
                } else if (sizeNow == to) {
                    if (const auto failed = AppendDurably(dayPath, w.dataDir, "\r\n")) {
                        return Status::failure(failed->number, QStringLiteral("ошибка записи в файл %1: %2")
                                                                   .arg(Shown(dayPath), failed->cause));
                    }
                    to += 2;
                }
            }
            switch (piece.kind) {
            case SealTailPiece::Kind::Pending:
                chain.line(SealFailed, piece.from, piece.bytes);
                break;
            case SealTailPiece::Kind::Crash:
                if (startUp && from.isValid())
                    chain.line(SealStartUp, piece.from, piece.bytes);
                else
                    chain.gap(foreign, piece.from, to - piece.from);
                break;
            case SealTailPiece::Kind::Torn:
                chain.gap(startUp && from.isValid() ? GapTorn : foreign, piece.from, to - piece.from);
                break;
            case SealTailPiece::Kind::Other:
                chain.gap(sealsRemoved && k == 0 ? GapSealsRemoved : foreign, piece.from, to - piece.from);
                break;
            }
            cur = to;
        }
    }
    for (OwnLine* line : own) {
        if (line->pos > cur)
            chain.gap(GapForeign, cur, line->pos - cur);
        chain.line(line->failed ? SealFailed : SealWritten, line->pos, line->bytes);
        cur = line->pos + line->bytes.size();
    }

    if (const Status appended = AppendSeal(w.dataDir, sealPath, keep, chain.bytes); !appended.ok())
        return appended;
    w.cursor = Cursor{day, cur, keep + chain.bytes.size(), chain.records, chain.lines, chain.code, {}};
    w.own.removeIf([&](const OwnLine& line) { return line.day == day; });
    w.head->day = day;
    w.head->records = chain.records;
    w.head->lines = chain.lines;
    w.head->code = chain.code;
    if (!clock.isEmpty())
        w.notes << clock;
    if (const auto failed = SaveHead(w)) {
        return Status::failure(ErrorNumber::DeviceIo, QStringLiteral("запись о последней печати %1 не записана: %2")
                                                          .arg(Shown(SealHeadFileName(w.dataDir)), *failed));
    }
    return Status::success();
}

// Seals this process's lines still without their seal, day by day in the
// order they were written.
Status SealOwnLines(Writer& w, const QDate& today)
{
    if (const Status prepared = Prepare(w, today); !prepared.ok())
        return prepared;
    while (!w.own.isEmpty()) {
        if (const Status sealed = SealDay(w, w.own.first().day, nullptr, false); !sealed.ok())
            return sealed;
    }
    return Status::success();
}

// After a failure the lines wait, marked, and the head remembers them, so
// that a restart seals them late rather than name them foreign.
void Failed(Writer& w)
{
    for (OwnLine& line : w.own)
        line.failed = true;
    while (w.own.size() > OwnLinesKept)
        w.own.removeFirst();
    w.cursor.reset();
    if (!w.key.isEmpty() && w.head)
        static_cast<void>(SaveHead(w));
}

QString TellOnce(Writer& w, const Status& sealed)
{
    if (sealed.ok()) {
        w.failureTold.clear();
        return {};
    }
    Failed(w);
    if (!w.failureTold.isEmpty())
        return {};
    w.failureTold = sealed.description;
    return sealed.description;
}

QString TakeNotes(Writer& w)
{
    const QString notes = w.notes.join(u'\n');
    w.notes.clear();
    return notes;
}

// Whether the day file ends inside a line: its last byte is neither CR nor LF.
bool EndsInsideLine(const QString& path, qint64 size)
{
    if (size <= 0)
        return false;
    QFile file(path);
    if (OpenOrdinaryFile(file, QIODevice::ReadOnly) || !file.seek(size - 1))
        return false;
    const QByteArray last = file.read(1);
    return last.size() == 1 && last[0] != '\n' && last[0] != '\r';
}

}  // namespace

SealedAppend AppendSealedLine(Terminal& terminal, const QString& text, const QDate& date)
{
    Writer& w = TheWriter(terminal.dataDir);
    const QString dayPath = DayFileName(terminal.dataDir, date);
    const qint64 before = FileSize(dayPath);
    QList<OwnLine*> own = OwnLinesOf(w, date);
    // The file as this process left it ends with a line end; anything else
    // is looked at.
    const bool asLeft = CursorHolds(w, date, own);
    const bool close = !asLeft && EndsInsideLine(dayPath, before);
    SealedAppend result;
    result.appended = AppendDayFileLine(terminal, close ? QStringLiteral("\r\n") + text : text, date);
    if (!result.appended.ok())
        return result;
    const QByteArray bytes = ToCp1251(text + QStringLiteral("\r\n"));
    w.own.append({date, before, before + (close ? 2 : 0), bytes, false});
    if (w.holding)
        return result;
    result.unsealed = TellOnce(w, SealOwnLines(w, date));
    result.note = TakeNotes(w);
    return result;
}

struct StartUpSealing {
    QString dataDir;
    QDate today;
    Status prepared;
    QByteArray key;
    std::optional<SealHead> head;
    QList<QDate> days;
    QList<qint64> limits;
    QList<DayState> states;
};

std::shared_ptr<StartUpSealing> BeginStartUpSealing(const QString& dataDir, const QDate& today)
{
    Writer& w = TheWriter(dataDir);
    w.holding = true;
    w.cursor.reset();
    w.head.reset();
    w.key.clear();
    auto sealing = std::make_shared<StartUpSealing>();
    sealing->dataDir = dataDir;
    sealing->today = today;
    sealing->prepared = Prepare(w, today);
    if (!sealing->prepared.ok())
        return sealing;
    sealing->key = w.key;
    sealing->head = w.head;
    // The days the last run may have left unfinished: where the chain was,
    // where lines wait for their seal, and today (a crash before a new day's
    // first seal).
    QList<QDate> days{w.head->day};
    for (const PendingLine& p : w.head->pending)
        days.append(p.day);
    days.append(today);
    for (const QDate& day : days) {
        if (day.isValid() && !sealing->days.contains(day)) {
            sealing->days.append(day);
            sealing->limits.append(FileSize(DayFileName(dataDir, day)));
        }
    }
    return sealing;
}

void ExamineForStartUp(StartUpSealing& sealing)
{
    if (!sealing.prepared.ok())
        return;
    for (qsizetype k = 0; k < sealing.days.size(); ++k)
        sealing.states.append(Examine(sealing.dataDir, sealing.key, sealing.head, sealing.days[k], sealing.limits[k]));
}

QString FinishStartUpSealing(StartUpSealing& sealing)
{
    Writer& w = TheWriter(sealing.dataDir);
    w.holding = false;
    Status sealed = sealing.prepared;
    for (qsizetype k = 0; sealed.ok() && k < sealing.states.size(); ++k) {
        const DayState& state = sealing.states[k];
        // A day with nothing after its records needs no seal now, and keeps
        // the chain where it is.
        if (state.walk.tail.isEmpty()) {
            // Where the chain is, though the head may be a step behind: the
            // terminal stopped between a seal and the head's rewrite.
            const SealWalk& walk = state.walk;
            const bool here =
                walk.unreadable.isEmpty() && walk.records > 0 && walk.lastKind != SealNext && state.changed.isEmpty() &&
                OwnLinesOf(w, state.day).isEmpty() &&
                (state.day == w.head->day ? walk.records >= w.head->records : [&] {
                    if (!w.head->day.isValid())
                        return true;
                    const SealRecord last = LastSealRecord(w.dataDir, w.head->day);
                    return last.kind == SealNext && last.day == state.day;
                }());
            if (here) {
                w.cursor = Cursor{state.day, walk.size, walk.sealWholeBytes, walk.records, walk.lines, walk.lastCode,
                                  {}};
                if (w.head->day != state.day || w.head->records != walk.records) {
                    w.head->day = state.day;
                    w.head->records = walk.records;
                    w.head->lines = walk.lines;
                    w.head->code = walk.lastCode;
                    if (const auto failed = SaveHead(w)) {
                        sealed = Status::failure(ErrorNumber::DeviceIo,
                                                 QStringLiteral("запись о последней печати %1 не записана: %2")
                                                     .arg(Shown(SealHeadFileName(w.dataDir)), *failed));
                    }
                }
            }
            if (!state.changed.isEmpty() && !w.changedTold.contains(state.day)) {
                w.changedTold.insert(state.day);
                w.notes << QStringLiteral("Журнал за %1 не совпадает с печатью: %2.")
                               .arg(DateText(state.day), state.changed);
            }
            continue;
        }
        sealed = SealDay(w, state.day, &state, true);
    }
    if (sealed.ok())
        sealed = SealOwnLines(w, sealing.today);
    QStringList told;
    if (const QString failure = TellOnce(w, sealed); !failure.isEmpty())
        told << QStringLiteral("Строки журнала не запечатаны при запуске: %1.").arg(failure);
    if (const QString notes = TakeNotes(w); !notes.isEmpty())
        told << notes;
    return told.join(u'\n');
}

QString SealAtStartUp(const QString& dataDir, const QDate& today)
{
    const std::shared_ptr<StartUpSealing> sealing = BeginStartUpSealing(dataDir, today);
    ExamineForStartUp(*sealing);
    return FinishStartUpSealing(*sealing);
}
