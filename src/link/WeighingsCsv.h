#pragma once

#include "link/WeighingRows.h"

#include <QByteArray>
#include <QList>

// The weighings as a table for a spreadsheet set up for Russian: UTF-8 with a
// byte order mark (without it Excel takes the file for the ANSI code page),
// ';' between fields (a comma is the decimal separator there), a decimal
// comma, CR LF after every line, and the header
// "Номер;Дата;Время;Нетто, кг;Тара, кг".
QByteArray WeighingsCsv(const QList<WeighingRow>& rows);
