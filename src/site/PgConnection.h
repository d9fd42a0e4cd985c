#pragma once

#include "site/Libpq.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Why a database call failed: the server's SQLSTATE when it answered, and
// the reason in Russian for the operator.
struct PgFailure {
    QString sqlState;  // five characters; empty when no server answered
    QString reason;
};

struct PgAnswer {
    std::optional<PgFailure> failure;
    QList<QList<std::optional<QString>>> rows;  // the last result's rows; nullopt is NULL
    bool ok() const { return !failure; }
};

// One connection to the site's PostgreSQL, used from one thread. Every call
// has a deadline of its own and asks `stopped` a few times a second, so a
// server that is down, slow or black-holed holds the caller no longer than
// the deadline, and a stop request no longer than a fraction of a second.
// (Resolving the server's name is the one step libpq does in one piece; it
// lasts as long as the system's resolver takes.)
class PgConnection {
public:
    using Stopped = std::function<bool()>;

    PgConnection(const Libpq& pq, Stopped stopped);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Connects with the operator's connection string (libpq's key=value form
    // or a postgresql:// URI) within its connect_timeout (10 s when it says
    // none). TCP keep-alives and a server-side statement_timeout are asked
    // for unless the string says otherwise.
    std::optional<PgFailure> connect(const QString& connection);
    bool connected() const;
    void close();

    // One statement with text parameters (nullopt is NULL), all its results
    // read within `timeoutMs`. Several statements without parameters may
    // share one call (`params` empty); they run as one transaction. On a
    // deadline or a lost connection the connection is closed.
    PgAnswer exec(const QByteArray& sql, const QList<std::optional<QByteArray>>& params, int timeoutMs);

    QString serverVersion() const;  // "15.18"
    bool encrypted() const;         // TLS in use

private:
    enum class Wait { Ready, TimedOut, Stopped };
    Wait waitSocket(bool forWrite, qint64 deadlineMs);
    // Waits for the socket within the deadline, then takes in what the
    // server sent; the failure (the connection closed) otherwise.
    std::optional<PgFailure> awaitInput(bool forWrite, const QDeadlineTimer& deadline, int timeoutMs);
    PgFailure lost(const QString& why);

    const Libpq& pq_;
    Stopped stopped_;
    PGconn* conn_ = nullptr;
};

// The connect timeout a connection string asks for, in milliseconds (10 s
// when it names none, at least 2 s); nullopt with the reason when libpq
// cannot read the string.
std::optional<int> ConnectTimeoutMs(const Libpq& pq, const QString& connection, QString* why);

// Where a connection string points: host, port, database and user as libpq
// reads them, joined; empty when it cannot be read. Lines confirmed by one
// database are not taken as confirmed by another.
QString ConnectionTarget(const Libpq& pq, const QString& connection);

// A reason libpq gave, in Russian where it is a common one, with libpq's own
// words kept in brackets otherwise.
QString PgReasonText(const QString& libpqMessage, const QString& sqlState);
