#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

// The seal codes of a day's journal lines that the seal vouches for, by line
// number (from 1, every line end counted as the day window counts them), in
// hex; none for a day without a readable seal or key. The one place the site
// database reads the seal.
QHash<int, QByteArray> LineSealCodes(const QString& dataDir, const QDate& day);
