#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A throwaway PostgreSQL server for one test: a cluster made with initdb in
// a temporary folder, a server on a free loopback port with its socket in
// that folder, stopped and removed when the object goes. Run as the
// `postgres` user when the test runs as root (the server refuses root), as
// the test's own user otherwise. Debian's `postgresql` package provides it.
class PgCluster {
public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // Makes the cluster at the first start; false with the reason otherwise.
    bool start(QString* why = nullptr);
    bool stop();
    // A self-signed certificate for 127.0.0.1, and ssl=on from the next start.
    bool enableTls(QString* why = nullptr);

    int port() const { return port_; }
    // A connection string to database `database` as `user` (trust, no password).
    QString connection(const QString& database, const QString& user = QStringLiteral("postgres")) const;

    // Runs SQL through psql as the superuser; each row's fields, NULL as
    // "\N"; nullopt-like empty list with `error` set on failure.
    QList<QStringList> query(const QString& database, const QString& sql, QString* error = nullptr) const;
    // The same as another role (whose refusals a test wants to see).
    QList<QStringList> queryAs(const QString& user, const QString& database, const QString& sql,
                               QString* error = nullptr) const;

private:
    bool run(const QStringList& command, QString* why, int timeoutMs = 60000) const;

    QString dir_;
    QString bin_;
    int port_ = 0;
    bool made_ = false;
    bool running_ = false;
    bool tls_ = false;
};
