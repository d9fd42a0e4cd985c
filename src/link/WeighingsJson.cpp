#include "link/WeighingsJson.h"

#include <QJsonArray>
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

QByteArray WeighingsJson(const WeighingRows& rows)
{
    QJsonArray weighings;
    for (const WeighingRow& row : rows.rows)
        weighings.append(WeighingJson(row));
    QJsonObject root{
        {QStringLiteral("weighings"), weighings},
        {QStringLiteral("unrecognised"), rows.unrecognised},
    };
    // A day file that could not be read is not a day without weighings: the
    // reader is told which, rather than given a short list as if complete.
    if (!rows.problems.isEmpty())
        root.insert(QStringLiteral("problems"), QJsonArray::fromStringList(rows.problems));
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}
