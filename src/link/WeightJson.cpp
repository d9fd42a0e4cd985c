#include "link/WeightJson.h"

#include <QJsonDocument>
#include <QJsonObject>

QByteArray WeightJson(const LinkSnapshot& snapshot)
{
    const LinkWeight& w = snapshot.weight;
    QJsonObject o;
    o.insert(QStringLiteral("display"), w.display);
    o.insert(QStringLiteral("net"), w.net ? QJsonValue(*w.net) : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("unit"), QStringLiteral("kg"));
    o.insert(QStringLiteral("stable"), w.stable);
    o.insert(QStringLiteral("tare"), w.tare);
    o.insert(QStringLiteral("tareOn"), w.tareOn);
    o.insert(QStringLiteral("lamps"), w.lamps);
    o.insert(QStringLiteral("port"), w.port);
    o.insert(QStringLiteral("portOk"), w.portOk);
    o.insert(QStringLiteral("scale"), w.aed ? QStringLiteral("aed") : QStringLiteral("own"));
    o.insert(QStringLiteral("time"), LocalTimeWithOffset(snapshot.time));
    if (w.database) {
        o.insert(QStringLiteral("database"),
                 QJsonObject{{QStringLiteral("ok"), w.database->ok}, {QStringLiteral("waiting"), w.database->waiting}});
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString LocalTimeWithOffset(const QDateTime& time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = (offset < 0 ? -offset : offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QChar(u'0')).arg(minutes % 60, 2, 10, QChar(u'0'));
}
