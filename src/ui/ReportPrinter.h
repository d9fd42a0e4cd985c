#pragma once

#include "core/Status.h"

#include <QDate>
#include <QFont>
#include <QString>
#include <QStringList>

class QPrinter;

// The error number a failed print is reported with: the one operators of the
// earlier terminal knew as "Printer error".
inline constexpr int PrinterErrorNumber = 482;

// The face the report is printed in: the platform's fixed-pitch face, so that
// the document's character columns (heading column, TAB stops, wrapping) are
// the same width on paper.
QFont ReportFont();

// How many character columns and lines of ReportFont() fit on one page of
// the printer, inside the printer's own margins.
struct PageGrid {
    int columns = 0;
    int linesPerPage = 0;
};
PageGrid ReportPageGrid(QPrinter& printer);

// Paints the document's lines on the printer as one document, wrapping long
// lines and breaking onto further pages, and ends the document so the printer
// gets it. Fails when the printer cannot be started or reports an error.
Status PaintReport(QPrinter& printer, const QStringList& lines);

// The report of a journal text (the document ReportLines makes) painted as
// PaintReport paints it, but made and painted one line at a time: a very
// long day prints in the memory of one line, not of all of them. QPainter
// may paint on a printer from any one thread at a time, so this may run away
// from the window's thread.
// The closing lines, when there are any (one per LF), follow the journal:
// the chain's head, after a reprint's seal status.
Status PaintJournalReport(QPrinter& printer, const QString& journalText, const QDate& date,
                          const QString& closingLine = QString());
