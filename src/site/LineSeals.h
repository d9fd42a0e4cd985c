#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

// The seal codes of a day's journal lines, by line number (from 1), in hex;
// none for a day without a readable seal. The one place the site database
// reads the seal's file format.
QHash<int, QByteArray> LineSealCodes(const QString& dataDir, const QDate& day);
