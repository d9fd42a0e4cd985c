#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

#include "journal/JournalLineParse.h"

// One weighing as the day files hold it, for other programs to read: the
// fields of its journal line.
using WeighingRow = WeighingLineFields;

struct WeighingRows {
    QList<WeighingRow> rows;
    int unrecognised = 0;  // non-empty lines that are neither a weighing nor a sum line
    QStringList problems;  // in Russian, one per day file that could not be read
};

// The weighings in the day files of `from` to `to`, both included, in the
// order of the days and of the lines. The files are only read (the terminal
// goes on appending to today's meanwhile); a day without a file has no
// weighings. Sum lines are left out.
WeighingRows ReadWeighingRows(const QString& dataDir, const QDate& from, const QDate& to);

// The day files of `from` to `to` that are there but cannot be opened, each
// with its Russian reason as ReadWeighingRows gives it: looked at before an
// answer that is sent a day at a time begins, so that it is refused whole
// rather than cut short. Reads no file.
QStringList UnopenableDays(const QString& dataDir, const QDate& from, const QDate& to);
