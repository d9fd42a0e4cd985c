#include "support/PgCluster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The newest installed server's programs (Debian keeps them out of PATH).
QString ServerBin()
{
    const QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (auto it = versions.crbegin(); it != versions.crend(); ++it) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(*it);
        if (QFileInfo::exists(bin + QStringLiteral("initdb")))
            return bin;
    }
    return {};
}

// A loopback port free a moment ago.
int FreePort()
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    if (probe < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(probe);
    return port;
}

bool AsRoot()
{
    return ::geteuid() == 0;
}

}  // namespace

PgCluster::PgCluster()
{
    bin_ = ServerBin();
    char name[] = "/tmp/veltar-pg-XXXXXX";
    if (::mkdtemp(name))
        dir_ = QString::fromLocal8Bit(name);
    if (AsRoot() && !dir_.isEmpty()) {
        if (const passwd* pw = ::getpwnam("postgres"))
            static_cast<void>(::chown(name, pw->pw_uid, pw->pw_gid));
    }
}

PgCluster::~PgCluster()
{
    stop();
    if (!dir_.isEmpty())
        QDir(dir_).removeRecursively();
}

bool PgCluster::run(const QStringList& command, QString* why, int timeoutMs) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir_);
    QStringList arguments = command;
    QString program = arguments.takeFirst();
    if (AsRoot()) {
        arguments = QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), program} + arguments;
        program = QStringLiteral("runuser");
    }
    process.start(program, arguments);
    const bool done = process.waitForFinished(timeoutMs);
    const bool ok = done && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok && why)
        *why = QStringLiteral("%1: %2").arg(command.join(u' '), QString::fromLocal8Bit(process.readAll()));
    return ok;
}

bool PgCluster::start(QString* why)
{
    if (bin_.isEmpty() || dir_.isEmpty()) {
        if (why)
            *why = QStringLiteral("no PostgreSQL server installed (Debian: postgresql)");
        return false;
    }
    const QString data = dir_ + QStringLiteral("/data");
    if (!made_) {
        if (!run({bin_ + QStringLiteral("initdb"), QStringLiteral("-D"), data, QStringLiteral("-A"),
                  QStringLiteral("trust"), QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-E"),
                  QStringLiteral("UTF8"), QStringLiteral("--no-locale"), QStringLiteral("--no-sync")},
                 why))
            return false;
        made_ = true;
    }
    // A port another test took meanwhile is tried again with another.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (port_ == 0 || attempt > 0)
            port_ = FreePort();
        QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off").arg(port_).arg(dir_);
        if (tls_) {
            options += QStringLiteral(" -c ssl=on -c ssl_cert_file=%1/server.crt -c ssl_key_file=%1/server.key").arg(dir_);
        }
        if (run({bin_ + QStringLiteral("pg_ctl"), QStringLiteral("-D"), data, QStringLiteral("-o"), options,
                 QStringLiteral("-l"), dir_ + QStringLiteral("/server.log"), QStringLiteral("-w"), QStringLiteral("start")},
                why)) {
            running_ = true;
            return true;
        }
    }
    return false;
}

bool PgCluster::stop()
{
    if (!running_)
        return true;
    running_ = !run({bin_ + QStringLiteral("pg_ctl"), QStringLiteral("-D"), dir_ + QStringLiteral("/data"),
                     QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")},
                    nullptr);
    return !running_;
}

bool PgCluster::enableTls(QString* why)
{
    const QString key = dir_ + QStringLiteral("/server.key");
    if (!run({QStringLiteral("openssl"), QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-x509"),
              QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-nodes"), QStringLiteral("-subj"),
              QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
              QStringLiteral("-keyout"), key, QStringLiteral("-out"), dir_ + QStringLiteral("/server.crt")},
             why))
        return false;
    // The server takes a key that only its owner may read.
    QFile::setPermissions(key, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    tls_ = true;
    return true;
}

QString PgCluster::connection(const QString& database, const QString& user) const
{
    return QStringLiteral("host=127.0.0.1 port=%1 dbname=%2 user=%3 connect_timeout=5").arg(port_).arg(database, user);
}

QList<QStringList> PgCluster::query(const QString& database, const QString& sql, QString* error) const
{
    return queryAs(QStringLiteral("postgres"), database, sql, error);
}

QList<QStringList> PgCluster::queryAs(const QString& user, const QString& database, const QString& sql,
                                      QString* error) const
{
    QProcess psql;
    psql.start(QStringLiteral("psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"),
                QStringLiteral("-F"), QStringLiteral("\x1f"), QStringLiteral("-P"), QStringLiteral("null=\\N"),
                QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                QStringLiteral("-p"), QString::number(port_), QStringLiteral("-U"), user, QStringLiteral("-d"), database,
                QStringLiteral("-c"), sql});
    QList<QStringList> rows;
    if (!psql.waitForFinished(60000) || psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(psql.readAllStandardError());
        return rows;
    }
    if (error)
        error->clear();
    const QString out = QString::fromUtf8(psql.readAllStandardOutput());
    for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts))
        rows.append(line.split(QChar(0x1f)));
    return rows;
}
