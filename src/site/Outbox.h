#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

// What the site database has confirmed of each day file, so that only the
// lines after it are sent. The day files themselves hold the lines; this
// remembers how far the server has them: kept in Database.sent beside them,
// written only after the server committed the lines it names. Lost or
// damaged, it costs only a second sending of every line, which the server
// keeps once.
struct OutboxDay {
    int lines = 0;          // lines 1..lines are in the database
    qint64 bytes = 0;       // the day file's bytes those lines span
    QByteArray digest;      // SHA-256 of those bytes: an edit under them shows
    bool crLfOnly = true;   // read and written as it stands: files of earlier versions carry it
    // The file's size and modification time (ms since the epoch) when it was
    // last found with nothing more to send; -1: look again.
    qint64 seenSize = -1;
    qint64 seenModified = -1;
    QList<int> conflicts;   // lines the database holds with other text, already told

    friend bool operator==(const OutboxDay&, const OutboxDay&) = default;
};

struct Outbox {
    QByteArray target;  // which database and terminal name it speaks of (a digest)
    QMap<QDate, OutboxDay> days;

    friend bool operator==(const Outbox&, const Outbox&) = default;
};

inline const QString OutboxFileName = QStringLiteral("Database.sent");

// The digest a terminal name and a connection target are kept under.
QByteArray OutboxTarget(const QString& terminal, const QString& connectionTarget);

// The outbox of the data directory; an empty one when the file is missing,
// damaged, or speaks of another target.
Outbox LoadOutbox(const QString& dataDir, const QByteArray& target);

// Replaces the file whole; the Russian reason of a failure, empty on success.
QString SaveOutbox(const QString& dataDir, const Outbox& outbox);
