#pragma once

#include "link/LinkSnapshot.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// {"display":"12.4","lamps":3,"net":12.4,"port":"COM1","portOk":true,"scale":"own",
//  "stable":true,"tare":0,"tareOn":false,"time":"2026-12-07T14:12:28+03:00","unit":"kg"},
// compact UTF-8; with the site database on also "database":{"ok":true,"waiting":0}.
QByteArray WeightJson(const LinkSnapshot& snapshot);

// Local time with its offset from UTC, "2026-12-07T14:12:28+03:00" (never
// "Z", so a reader sees the terminal's own clock).
QString LocalTimeWithOffset(const QDateTime& time);
