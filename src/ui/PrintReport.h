#pragma once

#include "core/Status.h"
#include "core/Terminal.h"

#include <QDate>
#include <QPrinterInfo>
#include <QString>

class QPrinter;

// Prints a day's journal text under the heading with that day's date on the
// given printer, and after it the closing line when there is one (a reprint's
// seal status). Changes nothing in the terminal.
Status PrintReportTo(QPrinter& printer, const QString& journalText, const QDate& date,
                     const QString& closingLine = QString());

// Where the terminal puts a file it makes for the user (a report, an
// export): the user's documents folder, or the data directory when that
// folder is missing or cannot be written; with its trailing separator.
QString DocumentsFolder(const Terminal& terminal);

// Where the report of a day is kept when there is no printer to print it on:
// the user's documents folder, or the data directory when that folder is
// missing or cannot be written, then the day's date text and ".pdf". One file
// a day: a later report of the same day replaces it, as it holds the same
// journal and more.
QString ReportPdfFileName(const Terminal& terminal, const QDate& date);

// Where a report goes: the default printer, or, without one, a PDF file
// (ReportPdfFileName) and the reason there was no printer.
struct ReportOutput {
    QPrinterInfo printer;  // the default printer, null for none
    QString noPrinter;     // why there is none; empty when printing on it
    QString pdfFile;
};
// Chosen on the window's thread, where the printers are looked up.
ReportOutput ChooseReportOutput(const Terminal& terminal, const QDate& date);

// Prints the report on the chosen output and returns what the operator is to
// be told, empty for nothing (printed on the printer). Touches nothing of the
// terminal, so it may run on a thread of its own.
QString PrintReportOn(const ReportOutput& output, const QString& journalText, const QDate& date,
                      const QString& closingLine = QString());

// Prints a day's journal text as the report of that day on the default
// printer. Without one the report is saved as a PDF file instead, and the
// operator is told its whole path; a printing error is told to the operator.
// Either way the operator gets at most one message.
void PrintJournalReport(Terminal& terminal, const QString& journalText, const QDate& date,
                        const QString& closingLine = QString());

// "Печать отчета": the report of the journal on screen, under today's date,
// ending with the head of the seal's chain.
void Command1_Click(Terminal& terminal);
