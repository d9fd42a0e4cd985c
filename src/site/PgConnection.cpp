#include "site/PgConnection.h"

#include "site/SocketWait.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <vector>

namespace {

constexpr int DefaultConnectTimeoutMs = 10000;
constexpr int MinimumConnectTimeoutMs = 2000;
// How often a wait looks whether it is to stop.
constexpr int WaitSliceMs = 200;

// Asked for unless the operator's string says otherwise: keep-alives that
// find a dead peer within about a minute, a send that no peer acknowledges
// given up after a minute (Linux), and no statement running on the server
// beyond 30 s. libpq ignores connect_timeout in the non-blocking connect we
// use; it is passed all the same for what it says to the server's tools.
const char* const DefaultKeywords[] = {"connect_timeout", "keepalives",       "keepalives_idle", "keepalives_interval",
                                       "keepalives_count", "tcp_user_timeout", "application_name", "options"};
const char* const DefaultValues[] = {"10", "1", "30", "10", "3", "60000", "veltar-terminal", "-c statement_timeout=30000"};

QString OneLine(const char* message)
{
    return QString::fromUtf8(message).simplified();
}

}  // namespace

PgConnection::PgConnection(const Libpq& pq, Stopped stopped) : pq_(pq), stopped_(std::move(stopped)) {}

PgConnection::~PgConnection()
{
    close();
}

bool PgConnection::connected() const
{
    return conn_ && pq_.PQstatus(conn_) == CONNECTION_OK;
}

void PgConnection::close()
{
    // Non-blocking by now, so the goodbye message is never waited for.
    if (conn_)
        pq_.PQfinish(conn_);
    conn_ = nullptr;
}

PgConnection::Wait PgConnection::waitSocket(bool forWrite, qint64 deadlineMs)
{
    const QDeadlineTimer deadline(deadlineMs);
    for (;;) {
        if (stopped_ && stopped_())
            return Wait::Stopped;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return Wait::TimedOut;
        const int socket = pq_.PQsocket(conn_);
        if (socket < 0)
            return Wait::Ready;  // libpq has lost it; its next call says why
        const SocketReady ready = WaitForSocket(socket, forWrite, static_cast<int>(std::min<qint64>(left, WaitSliceMs)));
        if (ready != SocketReady::TimedOut)
            return Wait::Ready;
    }
}

PgFailure PgConnection::lost(const QString& why)
{
    close();
    return {QString(), why};
}

std::optional<PgFailure> PgConnection::connect(const QString& connection)
{
    close();
    QString why;
    const std::optional<int> timeoutMs = ConnectTimeoutMs(pq_, connection, &why);
    if (!timeoutMs)
        return PgFailure{QString(), why};

    const QByteArray conninfo = connection.toUtf8();
    std::vector<const char*> keywords(std::begin(DefaultKeywords), std::end(DefaultKeywords));
    std::vector<const char*> values(std::begin(DefaultValues), std::end(DefaultValues));
    // The operator's string comes after the defaults and so overrides them;
    // the encoding after it, since every text goes as UTF-8.
    keywords.push_back("dbname");
    values.push_back(conninfo.constData());
    keywords.push_back("client_encoding");
    values.push_back("UTF8");
    keywords.push_back(nullptr);
    values.push_back(nullptr);

    const QDeadlineTimer deadline(*timeoutMs);
    conn_ = pq_.PQconnectStartParams(keywords.data(), values.data(), 1);
    if (!conn_)
        return PgFailure{QString(), QStringLiteral("не хватило памяти для соединения")};
    if (pq_.PQstatus(conn_) == CONNECTION_BAD)
        return lost(PgReasonText(OneLine(pq_.PQerrorMessage(conn_)), QString()));

    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    for (;;) {
        if (polling == PGRES_POLLING_OK)
            break;
        if (polling == PGRES_POLLING_FAILED)
            return lost(PgReasonText(OneLine(pq_.PQerrorMessage(conn_)), QString()));
        const Wait waited = waitSocket(polling == PGRES_POLLING_WRITING, deadline.remainingTime());
        if (waited == Wait::Stopped)
            return lost(QStringLiteral("соединение прервано: передача остановлена"));
        if (waited == Wait::TimedOut) {
            return lost(QStringLiteral("сервер не ответил за %1 с (адрес недоступен или сервер перегружен)")
                            .arg(*timeoutMs / 1000));
        }
        polling = pq_.PQconnectPoll(conn_);
    }
    if (pq_.PQsetnonblocking(conn_, 1) != 0)
        return lost(PgReasonText(OneLine(pq_.PQerrorMessage(conn_)), QString()));
    return std::nullopt;
}

PgAnswer PgConnection::exec(const QByteArray& sql, const QList<std::optional<QByteArray>>& params, int timeoutMs)
{
    PgAnswer answer;
    if (!connected()) {
        answer.failure = lost(QStringLiteral("нет соединения с сервером"));
        return answer;
    }
    const QDeadlineTimer deadline(timeoutMs);
    int sent = 0;
    if (params.isEmpty()) {
        sent = pq_.PQsendQuery(conn_, sql.constData());
    } else {
        std::vector<const char*> values;
        values.reserve(static_cast<std::size_t>(params.size()));
        for (const auto& p : params)
            values.push_back(p ? p->constData() : nullptr);
        sent = pq_.PQsendQueryParams(conn_, sql.constData(), static_cast<int>(values.size()), nullptr, values.data(),
                                     nullptr, nullptr, 0);
    }
    if (!sent) {
        answer.failure = lost(PgReasonText(OneLine(pq_.PQerrorMessage(conn_)), QString()));
        return answer;
    }
    // Out with the whole statement first: a large batch need not fit the
    // socket's buffer.
    for (;;) {
        const int flushed = pq_.PQflush(conn_);
        if (flushed == 0)
            break;
        if (flushed < 0) {
            answer.failure = lost(PgReasonText(OneLine(pq_.PQerrorMessage(conn_)), QString()));
            return answer;
        }
        // The server may answer (an error) before it took everything.
        if (auto failure = awaitInput(true, deadline, timeoutMs)) {
            answer.failure = std::move(failure);
            return answer;
        }
    }
    // Then every result, up to the end that says the server is ready again:
    // only then has the statement's transaction committed.
    for (;;) {
        while (!pq_.PQisBusy(conn_)) {
            PGresult* result = pq_.PQgetResult(conn_);
            if (!result) {
                if (pq_.PQstatus(conn_) != CONNECTION_OK && !answer.failure)
                    answer.failure = lost(PgReasonText(OneLine(pq_.PQerrorMessage(conn_)), QString()));
                return answer;
            }
            const ExecStatusType status = pq_.PQresultStatus(result);
            if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
                answer.rows.clear();
                const int rows = pq_.PQntuples(result);
                const int fields = pq_.PQnfields(result);
                for (int r = 0; r < rows; ++r) {
                    QList<std::optional<QString>> row;
                    for (int f = 0; f < fields; ++f) {
                        if (pq_.PQgetisnull(result, r, f))
                            row.append(std::nullopt);
                        else
                            row.append(QString::fromUtf8(pq_.PQgetvalue(result, r, f)));
                    }
                    answer.rows.append(row);
                }
            } else if (!answer.failure) {
                const char* state = pq_.PQresultErrorField(result, PG_DIAG_SQLSTATE);
                const QString sqlState = state ? QString::fromLatin1(state) : QString();
                answer.failure = PgFailure{sqlState, PgReasonText(OneLine(pq_.PQresultErrorMessage(result)), sqlState)};
            }
            pq_.PQclear(result);
        }
        if (auto failure = awaitInput(false, deadline, timeoutMs)) {
            answer.failure = std::move(failure);
            return answer;
        }
    }
}

std::optional<PgFailure> PgConnection::awaitInput(bool forWrite, const QDeadlineTimer& deadline, int timeoutMs)
{
    const Wait waited = waitSocket(forWrite, deadline.remainingTime());
    if (waited == Wait::Stopped)
        return lost(QStringLiteral("передача остановлена"));
    if (waited == Wait::TimedOut)
        return lost(QStringLiteral("сервер не ответил за %1 с").arg(timeoutMs / 1000));
    if (!pq_.PQconsumeInput(conn_))
        return lost(PgReasonText(OneLine(pq_.PQerrorMessage(conn_)), QString()));
    return std::nullopt;
}

QString PgConnection::serverVersion() const
{
    const char* version = conn_ ? pq_.PQparameterStatus(conn_, "server_version") : nullptr;
    return version ? QString::fromUtf8(version) : QString();
}

bool PgConnection::encrypted() const
{
    return conn_ && pq_.PQsslInUse(conn_) == 1;
}

namespace {

// The options libpq reads from a connection string, or null with its reason.
struct ConninfoOptions {
    PQconninfoOption* options = nullptr;
    QString problem;
};

ConninfoOptions ParseConninfo(const Libpq& pq, const QString& connection)
{
    ConninfoOptions parsed;
    char* error = nullptr;
    parsed.options = pq.PQconninfoParse(connection.toUtf8().constData(), &error);
    if (!parsed.options) {
        parsed.problem = QStringLiteral("строка соединения не читается: %1")
                             .arg(error ? OneLine(error) : QStringLiteral("не хватило памяти"));
    }
    if (error)
        pq.PQfreemem(error);
    return parsed;
}

QString OptionValue(const PQconninfoOption* options, const char* keyword)
{
    for (const PQconninfoOption* o = options; o && o->keyword; ++o) {
        if (qstrcmp(o->keyword, keyword) == 0)
            return o->val ? QString::fromUtf8(o->val) : QString();
    }
    return {};
}

}  // namespace

std::optional<int> ConnectTimeoutMs(const Libpq& pq, const QString& connection, QString* why)
{
    const ConninfoOptions parsed = ParseConninfo(pq, connection);
    if (!parsed.options) {
        if (why)
            *why = parsed.problem;
        return std::nullopt;
    }
    bool ok = false;
    const int seconds = OptionValue(parsed.options, "connect_timeout").trimmed().toInt(&ok);
    pq.PQconninfoFree(parsed.options);
    if (!ok || seconds <= 0)
        return DefaultConnectTimeoutMs;
    return std::max(MinimumConnectTimeoutMs, std::min(seconds, 600) * 1000);
}

QString ConnectionTarget(const Libpq& pq, const QString& connection)
{
    const ConninfoOptions parsed = ParseConninfo(pq, connection);
    if (!parsed.options)
        return {};
    QStringList parts;
    for (const char* keyword : {"host", "hostaddr", "port", "dbname", "user"})
        parts << OptionValue(parsed.options, keyword);
    pq.PQconninfoFree(parsed.options);
    return parts.join(u'|');
}

QString PgReasonText(const QString& message, const QString& sqlState)
{
    struct Known {
        const char* sqlState;  // or null
        const char* words;     // or null: what libpq's English message contains
        const char* reason;
    };
    static const Known known[] = {
        {"28P01", "password authentication failed", "неверное имя пользователя или пароль"},
        {nullptr, "no password supplied", "сервер требует пароль, а в строке соединения его нет"},
        {"28000", "no pg_hba.conf entry", "сервер не пускает этого пользователя с этого компьютера (pg_hba.conf)"},
        {"3D000", "database \"", "на сервере нет такой базы данных"},
        {"42501", "permission denied", "у роли нет нужных прав"},
        {"57P03", "the database system is starting up", "сервер ещё запускается"},
        {"57P03", "the database system is shutting down", "сервер останавливается"},
        {"57P01", nullptr, "сервер остановлен администратором"},
        {"53300", nullptr, "на сервере нет свободных соединений"},
        {"57014", nullptr, "сервер прервал запрос по времени (statement_timeout)"},
        {nullptr, "Connection refused", "сервер не принимает соединения (не запущен, или не тот адрес или порт)"},
        {nullptr, "could not translate host name", "имя сервера не найдено"},
        {nullptr, "server does not support SSL", "сервер не поддерживает шифрование, а строка соединения его требует (sslmode)"},
        {nullptr, "SSL support is not compiled in", "эта сборка программы не умеет шифровать соединение (sslmode)"},
        {nullptr, "certificate verify failed", "сертификат сервера не прошёл проверку (sslrootcert, sslmode)"},
        {nullptr, "server closed the connection unexpectedly", "сервер разорвал соединение"},
        {nullptr, "Connection reset", "соединение разорвано"},
        {nullptr, "No route to host", "сервер недоступен по сети"},
        {nullptr, "Network is unreachable", "сеть недоступна"},
        {nullptr, "timeout expired", "сервер не ответил вовремя"},
    };
    // A server's answer is known by its SQLSTATE; a failure to connect has
    // none, only libpq's words (English unless libpq was built to translate
    // them, and then already Russian).
    for (const Known& k : known) {
        const bool matches = sqlState.isEmpty()
                                 ? k.words && message.contains(QLatin1String(k.words), Qt::CaseInsensitive)
                                 : k.sqlState && sqlState == QLatin1String(k.sqlState);
        if (matches)
            return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(k.reason), message);
    }
    if (message.isEmpty())
        return QStringLiteral("ошибка базы данных %1").arg(sqlState);
    return QStringLiteral("ошибка базы данных: %1").arg(message);
}
