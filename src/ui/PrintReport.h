#pragma once

#include "core/Status.h"
#include "core/Terminal.h"

#include <QString>

class QPrinter;

// Prints the day's journal under the heading with today's date on the given
// printer. Changes nothing in the terminal.
Status PrintReportTo(QPrinter& printer, const Terminal& terminal);

// Where the report is kept when there is no printer to print it on: the data
// directory, today's date text and ".pdf".
QString ReportPdfFileName(const Terminal& terminal);

// "Печать отчета": prints the report on the default printer. Without one the
// report is saved as a PDF file in the data directory instead, and the
// operator is told where; a printing error is told to the operator. Either
// way the operator gets at most one message.
void Command1_Click(Terminal& terminal);
