#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

// One weighing as the day files hold it, for other programs to read.
struct WeighingRow {
    int number = 0;  // the weighing's number within its day
    QDate date;
    QTime time;
    double net = 0;  // kilograms
    double tare = 0;
};

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
