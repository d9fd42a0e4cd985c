#include "site/Outbox.h"

#include "core/TextRules.h"
#include "core/WholeFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

namespace {

const QByteArray Header = "veltar-site-outbox 1";

QByteArray Numbers(const QList<int>& numbers)
{
    if (numbers.isEmpty())
        return "-";
    QByteArray text;
    for (const int n : numbers) {
        if (!text.isEmpty())
            text += ',';
        text += QByteArray::number(n);
    }
    return text;
}

bool ReadNumbers(const QByteArray& text, QList<int>& numbers)
{
    if (text == "-")
        return true;
    for (const QByteArray& part : text.split(',')) {
        bool ok = false;
        const int n = part.toInt(&ok);
        if (!ok || n < 1)
            return false;
        numbers.append(n);
    }
    return true;
}

// One day's line: date, lines, bytes, digest, crlf, size, modified, conflicts.
bool ReadDay(const QByteArray& line, QDate& date, OutboxDay& day)
{
    const QList<QByteArray> f = line.split(' ');
    if (f.size() != 8)
        return false;
    date = QDate::fromString(QString::fromLatin1(f[0]), QStringLiteral("MM-dd-yyyy"));
    bool ok[5] = {};
    day.lines = f[1].toInt(&ok[0]);
    day.bytes = f[2].toLongLong(&ok[1]);
    day.digest = QByteArray::fromHex(f[3]);
    day.crLfOnly = f[4] == "1";
    day.seenSize = f[5].toLongLong(&ok[2]);
    day.seenModified = f[6].toLongLong(&ok[3]);
    ok[4] = ReadNumbers(f[7], day.conflicts);
    for (const bool b : ok) {
        if (!b)
            return false;
    }
    return date.isValid() && day.lines >= 0 && day.bytes >= 0 && day.digest.size() == 32 &&
           (f[4] == "1" || f[4] == "0");
}

}  // namespace

QByteArray OutboxTarget(const QString& terminal, const QString& connectionTarget)
{
    return QCryptographicHash::hash((terminal + u'\n' + connectionTarget).toUtf8(), QCryptographicHash::Sha256)
        .toHex();
}

Outbox LoadOutbox(const QString& dataDir, const QByteArray& target)
{
    Outbox outbox;
    outbox.target = target;
    QFile file(dataDir + OutboxFileName);
    if (!file.open(QIODevice::ReadOnly))
        return outbox;
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.size() < 2 || lines[0] != Header || lines[1] != "target " + target)
        return outbox;
    for (qsizetype i = 2; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        QDate date;
        OutboxDay day;
        if (!ReadDay(lines[i], date, day))
            return Outbox{target, {}};
        outbox.days.insert(date, day);
    }
    return outbox;
}

QString SaveOutbox(const QString& dataDir, const Outbox& outbox)
{
    QByteArray text = Header + "\ntarget " + outbox.target + '\n';
    for (auto it = outbox.days.cbegin(); it != outbox.days.cend(); ++it) {
        const OutboxDay& d = it.value();
        // A day none of whose lines went yet has the digest of no bytes.
        const QByteArray digest = d.digest.isEmpty() ? QCryptographicHash::hash({}, QCryptographicHash::Sha256) : d.digest;
        text += DateText(it.key()).toLatin1() + ' ' + QByteArray::number(d.lines) + ' ' + QByteArray::number(d.bytes) +
                ' ' + digest.toHex() + ' ' + (d.crLfOnly ? "1" : "0") + ' ' + QByteArray::number(d.seenSize) + ' ' +
                QByteArray::number(d.seenModified) + ' ' + Numbers(d.conflicts) + '\n';
    }
    const QString path = dataDir + OutboxFileName;
    // On the disk before the sender counts the lines as confirmed.
    if (const auto failed = SaveWholeFile(path, text))
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), failed->cause);
    return {};
}
