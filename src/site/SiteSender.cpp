#include "site/SiteSender.h"

#include "core/OrdinaryFile.h"
#include "journal/DayFile.h"
#include "journal/PastJournal.h"
#include "journal/SealCheck.h"
#include "link/LinkHub.h"
#include "site/JournalRows.h"
#include "site/Outbox.h"
#include "site/PgConnection.h"
#include "site/SiteSql.h"
#include "site/SiteText.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int BatchLines = 500;
constexpr qint64 ReadChunk = 1 << 20;
// A "line" longer than this (a file that is no journal) is not sent.
constexpr qint64 LongestLine = 16 << 20;
constexpr int StatementTimeoutMs = 30000;
constexpr milliseconds FirstRetry{1000};
constexpr milliseconds LastRetry{60000};
// Day files are looked at this often even when no line was written: an
// edit made to one by hand is found within it.
constexpr milliseconds ScanEvery{10000};
// The loop's pace: the live state's stability is judged at this grain.
constexpr milliseconds Tick{1000};
// The live state is written at most this often while it changes, and at
// least this often while it does not.
constexpr milliseconds LiveAtMost{2000};
constexpr milliseconds LiveAtLeast{30000};
constexpr milliseconds TellWaitingAfter{10 * 60 * 1000};
// A day file written this recently may have a line whose seal is being
// written; such trailing lines wait for the next look.
constexpr qint64 SealGraceMs = 3000;

// One sender per data directory writes Database.sent: a sender replaced
// while it was stuck in a call may wake after its successor began, and must
// then write nothing. Never destroyed: such a sender may still be finishing
// while the program ends.
std::mutex& OutboxMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}
std::map<QString, quint64>& OutboxGenerations()
{
    static auto* generations = new std::map<QString, quint64>;
    return *generations;
}

}  // namespace

struct SiteSender::State {
    const Libpq& pq;
    QString dataDir;
    DatabaseSettings settings;
    quint64 generation = 0;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool stopping = false;
    bool woken = true;
    bool finished = false;
    const LinkHub* hub = nullptr;
    Tell tell;
    SiteStatus status;
    QMap<QDate, SiteDayStatus> days;

    State(const Libpq& p, const QString& dir, const DatabaseSettings& s) : pq(p), dataDir(dir), settings(s) {}
};

namespace {

// The sender's work, on its own thread, with what only that thread touches.
class Worker {
public:
    explicit Worker(SiteSender::State& state)
        : s_(state), db_(state.pq, [this] { return stopping(); })
    {
    }

    void run();

private:
    bool stopping() const
    {
        std::lock_guard lock(s_.mutex);
        return s_.stopping;
    }
    bool takeWake()
    {
        std::lock_guard lock(s_.mutex);
        return std::exchange(s_.woken, false);
    }
    // Sleeps until woken, stopped, or `time` passes; true when woken.
    bool sleep(milliseconds time)
    {
        std::unique_lock lock(s_.mutex);
        s_.changed.wait_for(lock, time, [this] { return s_.stopping || s_.woken; });
        return s_.woken;
    }
    void tell(const QString& message)
    {
        std::lock_guard lock(s_.mutex);
        if (s_.tell && !s_.stopping)
            s_.tell(message);
    }
    // Said once per run: the same failure found again says nothing.
    void tellOnce(const QString& kind, const QString& message)
    {
        if (toldKinds_.insert(kind).second)
            tell(message);
    }
    void publish(bool ok);
    void publishDay(const QDate& date);
    void saveOutbox();

    bool step(bool woken);
    bool ensureSchema();
    bool sendPending();
    bool sendDay(const QDate& date);
    bool updateLive();
    bool failed(const PgFailure& failure);
    int countWaiting();
    void noticeWaiting(bool ok);

    SiteSender::State& s_;
    PgConnection db_;
    Outbox outbox_;
    bool schemaReady_ = false;
    bool stopped_ = false;  // sending stopped for good this run (a newer schema)
    int waiting_ = 0;
    qint64 sent_ = 0;
    QString problem_;
    std::set<QString> toldKinds_;
    Clock::time_point nextScan_ = Clock::now();

    // The waiting lines' notices.
    bool waitingSince_ = false;
    Clock::time_point waitingStart_;
    bool toldWaiting_ = false;

    // The live state: what was last seen and written.
    struct Live {
        std::optional<QString> display;
        std::optional<QString> net;
        bool portOk = false;
        bool stable = false;
        int waiting = 0;
        friend bool operator==(const Live&, const Live&) = default;
    };
    std::optional<Live> written_;
    Clock::time_point writtenAt_;
};

void Worker::publish(bool ok)
{
    std::lock_guard lock(s_.mutex);
    SiteStatus status{true, ok, waiting_, sent_, ok ? QString() : problem_};
    if (status == s_.status)
        return;
    s_.status = status;
    s_.changed.notify_all();
}

void Worker::publishDay(const QDate& date)
{
    const OutboxDay& day = outbox_.days[date];
    std::lock_guard lock(s_.mutex);
    s_.days[date] = SiteDayStatus{true, day.lines, day.conflicts};
    s_.changed.notify_all();
}

void Worker::saveOutbox()
{
    QString why;
    {
        std::lock_guard lock(OutboxMutex());
        if (OutboxGenerations()[s_.dataDir] != s_.generation)
            return;
        why = SaveOutbox(s_.dataDir, outbox_);
    }
    if (!why.isEmpty())
        tellOnce(QStringLiteral("outbox"), OutboxNotSavedText(why));
}

void Worker::run()
{
    const QString target = ConnectionTarget(s_.pq, s_.settings.connection);
    outbox_ = LoadOutbox(s_.dataDir, OutboxTarget(s_.settings.terminal, target));
    {
        std::lock_guard lock(s_.mutex);
        for (auto it = outbox_.days.cbegin(); it != outbox_.days.cend(); ++it)
            s_.days[it.key()] = SiteDayStatus{true, it->lines, it->conflicts};
    }
    waiting_ = countWaiting();
    publish(false);
    milliseconds retry = FirstRetry;
    while (!stopping()) {
        const bool woken = takeWake();
        const bool ok = !stopped_ && step(woken);
        if (stopping())
            break;
        publish(ok);
        noticeWaiting(ok);
        if (ok) {
            retry = FirstRetry;
            sleep(Tick);
            continue;
        }
        db_.close();
        schemaReady_ = false;
        // New lines meanwhile only change the count shown; the server is
        // tried again when the wait is over.
        const Clock::time_point until = Clock::now() + retry;
        while (!stopping() && Clock::now() < until) {
            if (sleep(std::chrono::duration_cast<milliseconds>(until - Clock::now())) && takeWake()) {
                waiting_ = countWaiting();
                publish(false);
            }
        }
        retry = std::min(retry * 2, LastRetry);
    }
    db_.close();
}

bool Worker::step(bool woken)
{
    if (!db_.connected()) {
        schemaReady_ = false;
        if (const auto failure = db_.connect(s_.settings.connection)) {
            problem_ = failure->reason;
            return false;
        }
    }
    if (!schemaReady_) {
        if (!ensureSchema())
            return false;
        schemaReady_ = true;
    }
    if (woken || waiting_ > 0 || Clock::now() >= nextScan_) {
        if (!sendPending())
            return false;
        nextScan_ = Clock::now() + ScanEvery;
    }
    if (!updateLive())
        return false;
    problem_.clear();
    return true;
}

bool Worker::failed(const PgFailure& failure)
{
    problem_ = failure.reason;
    if (failure.sqlState == u"42P01")  // a table gone: made again if we may
        schemaReady_ = false;
    if (failure.sqlState == u"42501")
        tellOnce(QStringLiteral("privilege"), NoPrivilegeText(failure.reason));
    return false;
}

bool Worker::ensureSchema()
{
    PgAnswer version = db_.exec(SchemaVersionSql(), {}, StatementTimeoutMs);
    if (!version.ok() && version.failure->sqlState == u"42P01") {
        const PgAnswer made = db_.exec(CreateSchemaSql(), {}, StatementTimeoutMs);
        if (!made.ok()) {
            problem_ = made.failure->reason;
            if (made.failure->sqlState == u"42501")
                tellOnce(QStringLiteral("schema"), NoTablesText(made.failure->reason));
            return false;
        }
        version = db_.exec(SchemaVersionSql(), {}, StatementTimeoutMs);
    }
    if (!version.ok())
        return failed(*version.failure);
    bool ok = false;
    const int found = version.rows.isEmpty() || !version.rows[0][0] ? 0 : version.rows[0][0]->toInt(&ok);
    if (found > SiteSchemaVersion) {
        problem_ = NewerSchemaText(found);
        tellOnce(QStringLiteral("newer"), problem_);
        stopped_ = true;
        return false;
    }
    return true;
}

int Worker::countWaiting()
{
    int waiting = 0;
    for (const QDate& date : DaysWithJournal(s_.dataDir)) {
        const QFileInfo info(DayFileName(s_.dataDir, date));
        const OutboxDay day = outbox_.days.value(date);
        if (day.seenSize == info.size() && day.seenModified == info.lastModified().toMSecsSinceEpoch())
            continue;
        QFile file(info.filePath());
        if (OpenOrdinaryFile(file, QIODevice::ReadOnly))
            continue;
        const bool grown = info.size() >= day.bytes;
        if (grown && !file.seek(day.bytes))
            continue;
        // Counted in pieces, each up to its last LF, so a long backlog is
        // never held whole.
        int lines = 0;
        QByteArray rest;
        while (!file.atEnd()) {
            rest += file.read(ReadChunk);
            const qsizetype lastLf = rest.lastIndexOf('\n');
            if (lastLf < 0 && rest.size() < LongestLine)
                continue;
            lines += CountWholeLines(rest);
            rest.remove(0, lastLf + 1);
        }
        waiting += grown ? lines : std::max(0, lines - day.lines);
    }
    return waiting;
}

bool Worker::sendPending()
{
    QList<QDate> days = DaysWithJournal(s_.dataDir).values();
    std::sort(days.begin(), days.end());
    for (const QDate& date : days) {
        if (stopping())
            return true;
        if (!sendDay(date))
            return false;
    }
    waiting_ = countWaiting();
    return true;
}

// Streams the first `bytes` of the file into `hash`; false when it ends
// sooner.
bool HashPrefix(QFile& file, qint64 bytes, QCryptographicHash& hash)
{
    while (bytes > 0) {
        const QByteArray chunk = file.read(std::min(bytes, ReadChunk));
        if (chunk.isEmpty())
            return false;
        hash.addData(chunk);
        bytes -= chunk.size();
    }
    return true;
}

bool Worker::sendDay(const QDate& date)
{
    const QString path = DayFileName(s_.dataDir, date);
    const QFileInfo before(path);
    const qint64 size = before.size();
    const qint64 modified = before.lastModified().toMSecsSinceEpoch();
    OutboxDay& day = outbox_.days[date];
    if (day.seenSize == size && day.seenModified == modified)
        return true;
    QFile file(path);
    if (OpenOrdinaryFile(file, QIODevice::ReadOnly))
        return true;  // not readable now: the day window names it; tried again later

    // Only what was appended after the confirmed lines goes, unless those
    // lines changed: then the whole day goes again, and the server names
    // the lines it holds otherwise.
    QCryptographicHash hash(QCryptographicHash::Sha256);
    qint64 offset = 0;
    int nextLine = 1;
    const int confirmedBefore = day.lines;
    bool resend = false;
    if (day.lines > 0 || day.bytes > 0) {
        if (size >= day.bytes && HashPrefix(file, day.bytes, hash) && hash.result() == day.digest) {
            offset = day.bytes;
            nextLine = day.lines + 1;
        } else {
            resend = true;
            hash.reset();
            if (!file.seek(0))
                return true;
        }
    }

    QStringList seals;  // by line, from 0; a null string for a line without a valid seal
    bool sealsRead = false;
    const bool fresh = QDateTime::currentMSecsSinceEpoch() - modified < SealGraceMs;
    bool deferred = false;
    bool readFailed = false;
    QByteArray pending;
    for (;;) {
        qsizetype used = 0;
        QList<JournalRow> rows = ReadJournalRows(pending, nextLine, offset == 0, BatchLines, &used);
        if (rows.size() < BatchLines && !file.atEnd() && pending.size() < LongestLine) {
            const QByteArray more = file.read(ReadChunk);
            if (!more.isEmpty()) {
                pending += more;
                continue;
            }
            readFailed = file.error() != QFileDevice::NoError;
        }
        if (rows.isEmpty())
            break;
        if (!sealsRead) {
            seals = SealCodesOfLines(s_.dataDir, date);
            sealsRead = true;
        }
        // The seal numbers the lines as we do, every line end counted.
        for (JournalRow& row : rows) {
            ClassifyJournalRow(row);
            if (!seals.value(row.line - 1).isNull())
                row.seal = seals.value(row.line - 1);
        }
        // A line written a moment ago may still be waiting for its seal
        // line: it goes at the next look, with its seal.
        if (fresh) {
            while (!rows.isEmpty() && !rows.last().seal) {
                rows.removeLast();
                deferred = true;
            }
            if (rows.isEmpty())
                break;
        }

        QList<std::optional<QString>> lines, kinds, numbers, times, nets, tares, texts, sealCodes;
        qsizetype batchBytes = 0;
        for (const JournalRow& row : rows) {
            lines << QString::number(row.line);
            kinds << row.kind;
            numbers << (row.number ? std::optional<QString>(QString::number(*row.number)) : std::nullopt);
            times << row.time;
            nets << row.net;
            tares << row.tare;
            texts << row.text;
            sealCodes << row.seal;
            batchBytes += row.bytes;
        }
        const PgAnswer answer = db_.exec(
            InsertLinesSql(),
            {s_.settings.terminal.toUtf8(), date.toString(Qt::ISODate).toLatin1(), ArrayLiteral(lines),
             ArrayLiteral(kinds), ArrayLiteral(numbers), ArrayLiteral(times), ArrayLiteral(nets), ArrayLiteral(tares),
             ArrayLiteral(texts), ArrayLiteral(sealCodes)},
            StatementTimeoutMs);
        if (!answer.ok())
            return failed(*answer.failure);

        // Committed: only now is it remembered.
        QList<LineConflict> conflicts;
        QList<int> found;
        for (const auto& r : answer.rows) {
            const int line = r.value(0).value_or(QString()).toInt();
            const auto it = std::find_if(rows.cbegin(), rows.cend(), [&](const JournalRow& row) { return row.line == line; });
            if (it == rows.cend())
                continue;
            found << line;
            if (!day.conflicts.contains(line))
                conflicts << LineConflict{line, r.value(1).value_or(QString()), it->text};
        }
        const int first = rows.first().line;
        const int last = rows.last().line;
        day.conflicts.removeIf([&](int line) { return line >= first && line <= last && !found.contains(line); });
        for (const int line : found) {
            if (!day.conflicts.contains(line))
                day.conflicts << line;
        }
        std::sort(day.conflicts.begin(), day.conflicts.end());
        hash.addData(QByteArrayView(pending).first(batchBytes));
        day.lines = last;
        day.bytes = offset + batchBytes;
        day.digest = hash.result();
        day.seenSize = -1;
        sent_ += rows.size();
        waiting_ = std::max(0, waiting_ - std::max(0, last - std::max(first - 1, confirmedBefore)));
        saveOutbox();
        publishDay(date);
        publish(true);
        if (!conflicts.isEmpty())
            tell(ConflictText(date, conflicts, {}));
        pending.remove(0, batchBytes);
        offset += batchBytes;
        nextLine = last + 1;
        if (deferred || stopping())
            return true;
    }
    if (deferred || readFailed)
        return true;
    if (resend) {
        // Nothing of the file is left to send: nothing of it is confirmed.
        if (nextLine == 1) {
            day.lines = 0;
            day.bytes = 0;
            day.digest = QCryptographicHash::hash({}, QCryptographicHash::Sha256);
        }
        // Lines the database holds beyond what the file has now were taken
        // out of the file after they were sent.
        QList<int> removed;
        for (int line = day.lines + 1; line <= confirmedBefore; ++line) {
            if (!day.conflicts.contains(line)) {
                removed << line;
                day.conflicts << line;
            }
        }
        if (!removed.isEmpty())
            tell(ConflictText(date, {}, removed));
    }
    const QFileInfo after(path);
    if (after.size() == size && after.lastModified().toMSecsSinceEpoch() == modified) {
        day.seenSize = size;
        day.seenModified = modified;
    }
    saveOutbox();
    publishDay(date);
    return true;
}

bool Worker::updateLive()
{
    std::shared_ptr<const LinkSnapshot> snapshot;
    {
        std::lock_guard lock(s_.mutex);
        if (s_.hub)
            snapshot = s_.hub->snapshot();
    }
    Live live;
    live.waiting = waiting_;
    const Clock::time_point now = Clock::now();
    if (snapshot) {
        const LinkWeight& w = snapshot->weight;
        live.display = w.display;
        if (w.net && std::fabs(*w.net) < 1e11)
            live.net = QString::number(*w.net, 'f', 3);
        live.portOk = w.portOk;
        // As the office link says it: the last three readings equal.
        live.stable = live.net && w.stable;
    }
    const bool due = !written_ || (!(*written_ == live) && now - writtenAt_ >= LiveAtMost) ||
                     now - writtenAt_ >= LiveAtLeast;
    if (!due)
        return true;
    const auto text = [](const std::optional<QString>& v) {
        return v ? std::optional<QByteArray>(v->toUtf8()) : std::nullopt;
    };
    const PgAnswer answer =
        db_.exec(UpsertTerminalSql(),
                 {s_.settings.terminal.toUtf8(), text(live.display), text(live.net),
                  QByteArray(live.portOk ? "true" : "false"), QByteArray(live.stable ? "true" : "false"),
                  QByteArray::number(live.waiting)},
                 StatementTimeoutMs);
    if (!answer.ok())
        return failed(*answer.failure);
    written_ = live;
    writtenAt_ = now;
    return true;
}

void Worker::noticeWaiting(bool ok)
{
    const Clock::time_point now = Clock::now();
    if (waiting_ > 0) {
        if (!waitingSince_) {
            waitingSince_ = true;
            waitingStart_ = now;
        }
        if (!toldWaiting_ && now - waitingStart_ >= TellWaitingAfter) {
            toldWaiting_ = true;
            tell(LinesWaitingText(waiting_, ok ? QString() : problem_));
        }
        return;
    }
    waitingSince_ = false;
    if (toldWaiting_) {
        toldWaiting_ = false;
        tell(AllLinesSentText());
    }
}

}  // namespace

SiteSender::SiteSender(const Libpq& pq, const QString& dataDir, const DatabaseSettings& settings, const LinkHub* hub,
                       Tell tell)
    : state_(std::make_shared<State>(pq, dataDir, settings))
{
    state_->hub = hub;
    state_->tell = std::move(tell);
    state_->status.running = true;
    {
        std::lock_guard lock(OutboxMutex());
        state_->generation = ++OutboxGenerations()[dataDir];
    }
    thread_ = std::thread([state = state_] {
        Worker(*state).run();
        std::lock_guard lock(state->mutex);
        state->finished = true;
        state->changed.notify_all();
    });
}

SiteSender::~SiteSender()
{
    stop(std::chrono::seconds(5));
}

void SiteSender::stop(std::chrono::milliseconds wait)
{
    if (!thread_.joinable())
        return;
    std::unique_lock lock(state_->mutex);
    state_->stopping = true;
    state_->hub = nullptr;
    state_->tell = nullptr;
    state_->changed.notify_all();
    const bool finished = state_->changed.wait_for(lock, wait, [this] { return state_->finished; });
    lock.unlock();
    if (finished)
        thread_.join();
    else
        thread_.detach();
}

void SiteSender::wake()
{
    std::lock_guard lock(state_->mutex);
    state_->woken = true;
    state_->changed.notify_all();
}

SiteStatus SiteSender::status() const
{
    std::lock_guard lock(state_->mutex);
    return state_->status;
}

SiteDayStatus SiteSender::day(const QDate& date) const
{
    std::lock_guard lock(state_->mutex);
    return state_->days.value(date);
}

bool SiteSender::waitFor(const std::function<bool(const SiteStatus&)>& until, int ms) const
{
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, milliseconds(ms), [&] { return until(state_->status); });
}
