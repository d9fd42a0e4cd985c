#pragma once

#include "link/WeighingRows.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// The weighings as a table for a spreadsheet set up for Russian: UTF-8 with a
// byte order mark (without it Excel takes the file for the ANSI code page),
// ';' between fields (a comma is the decimal separator there), a decimal
// comma, CR LF after every line, and the header
// "Номер;Дата;Время;Нетто, кг;Тара, кг".
QByteArray WeighingsCsv(const QList<WeighingRow>& rows);

// The same in parts, for an answer sent a day at a time: the byte order mark
// and the header, then the rows' lines.
QByteArray WeighingsCsvHead();
QByteArray WeighingsCsvLines(const QList<WeighingRow>& rows);

// The table's file name, the same wherever it is made: "Взвешивания
// 07.12.2026.csv", or "Взвешивания 01.12.2026-07.12.2026.csv" for a range (a
// plain hyphen, which every keyboard and command line types).
QString WeighingsCsvFileName(const QDate& from, const QDate& to);
