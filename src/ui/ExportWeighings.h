#pragma once

#include "core/Terminal.h"

#include <QDate>
#include <QString>

// The file an export of the days `from` to `to` is written to, in the folder
// of the printed report's PDF: "Взвешивания 01.12.2026-07.12.2026.csv", or
// "Взвешивания 07.12.2026.csv" for one day. The dates are written as the
// file's own date column writes them; an export of the same days again
// replaces the file, as it holds the same weighings and any since.
QString ExportFileName(const Terminal& terminal, const QDate& from, const QDate& to);

// Reads the weighings of the days from the day files and writes them as CSV
// for a spreadsheet; the operator is told the file's whole path, or why it
// was not written, and any day file that could not be read, in one message.
// A range without weighings writes no file.
void ExportWeighings(Terminal& terminal, const QDate& from, const QDate& to);
