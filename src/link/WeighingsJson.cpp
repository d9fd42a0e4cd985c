#include "link/WeighingsJson.h"

#include <QJsonDocument>

QJsonObject WeighingJson(const WeighingRow& row)
{
    // QJsonDocument writes a double in its shortest form that reads back
    // the same, so 12.4 read from a journal line goes out as 12.4.
    return QJsonObject{
        {QStringLiteral("number"), row.number},
        {QStringLiteral("date"), row.date.toString(Qt::ISODate)},
        {QStringLiteral("time"), row.time.toString(QStringLiteral("HH:mm:ss"))},
        {QStringLiteral("net"), row.net},
        {QStringLiteral("tare"), row.tare},
    };
}

QByteArray WeighingsJsonHead()
{
    return QByteArrayLiteral("{\"weighings\":[");
}

QByteArray WeighingsJsonRows(const QList<WeighingRow>& rows, bool first)
{
    QByteArray out;
    for (const WeighingRow& row : rows) {
        if (!first)
            out += ',';
        first = false;
        out += QJsonDocument(WeighingJson(row)).toJson(QJsonDocument::Compact);
    }
    return out;
}

QByteArray WeighingsJsonTail(int unrecognised)
{
    return "],\"unrecognised\":" + QByteArray::number(unrecognised) + '}';
}
