#pragma once

#include "link/WeighingRows.h"

#include <QByteArray>
#include <QJsonObject>

// One weighing for another program:
// {"number":1,"date":"2026-12-07","time":"14:12:28","net":10,"tare":0}.
// The weights are JSON numbers in kilograms (JSON has no decimal comma).
QJsonObject WeighingJson(const WeighingRow& row);

// {"weighings":[...],"unrecognised":0}, compact UTF-8, in parts: the
// opening, the rows of one day (`first`: no row was sent before them), and
// the closing. The list comes first so that an answer can be sent a day at a
// time, with the count of unrecognised lines known only at its end.
QByteArray WeighingsJsonHead();
QByteArray WeighingsJsonRows(const QList<WeighingRow>& rows, bool first);
QByteArray WeighingsJsonTail(int unrecognised);
