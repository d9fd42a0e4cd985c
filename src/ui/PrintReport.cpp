#include "ui/PrintReport.h"

#include "core/ErrorText.h"
#include "core/TextRules.h"
#include "journal/Report.h"
#include "journal/SealCheck.h"
#include "ui/ReportPrinter.h"

#include <QDir>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// The margins of an ordinary printed page, left wider for binding: a PDF
// printed later on any printer keeps its first column clear of the edge.
const QMarginsF PdfMarginsMm(20, 15, 15, 15);

QString DocumentName(const QDate& date)
{
    return QStringLiteral("Отчет о работе весов за %1").arg(DateText(date));
}

QString Failed(const Status& status)
{
    return QStringLiteral("%1 (ошибка %2).").arg(AfterColon(status.description)).arg(status.number);
}

bool IsWritableFolder(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isDir() && info.isWritable();
}

}  // namespace

Status PrintReportTo(QPrinter& printer, const QString& journalText, const QDate& date, const QString& closingLine)
{
    printer.setDocName(DocumentName(date));
    return PaintJournalReport(printer, journalText, date, closingLine);
}

QString DocumentsFolder(const Terminal& terminal)
{
    // The data directory is hidden from the user, or not the user's to write.
    return IsWritableFolder(terminal.documentsDir) ? terminal.documentsDir : terminal.dataDir;
}

QString ReportPdfFileName(const Terminal& terminal, const QDate& date)
{
    return DocumentsFolder(terminal) + DateText(date) + QStringLiteral(".pdf");
}

ReportOutput ChooseReportOutput(const Terminal& terminal, const QDate& date)
{
    ReportOutput output;
    // Checked first: a QPrinter made without a printer installed quietly
    // becomes a PDF printer with no file, and the report would vanish.
    output.printer = QPrinterInfo::defaultPrinter();
    if (output.printer.isNull()) {
        output.noPrinter = QPrinterInfo::availablePrinters().isEmpty()
                               ? QStringLiteral("Принтер не установлен")
                               : QStringLiteral("Принтер по умолчанию не выбран");
        output.pdfFile = ReportPdfFileName(terminal, date);
    }
    return output;
}

QString PrintReportOn(const ReportOutput& output, const QString& journalText, const QDate& date,
                      const QString& closingLine)
{
    // The printer is made here, on the thread that paints on it and ends it:
    // its device context is then never shared between threads.
    if (output.noPrinter.isEmpty()) {
        QPrinter printer(output.printer, QPrinter::HighResolution);
        const Status printed = PrintReportTo(printer, journalText, date, closingLine);
        return printed.ok() ? QString() : QStringLiteral("Отчет не напечатан: %1").arg(Failed(printed));
    }
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(output.pdfFile);
    pdf.setPageMargins(PdfMarginsMm, QPageLayout::Millimeter);
    const Status saved = PrintReportTo(pdf, journalText, date, closingLine);
    const QString shown = QDir::toNativeSeparators(output.pdfFile);
    if (saved.ok())
        return QStringLiteral("%1. Отчет сохранен в файле %2").arg(output.noPrinter, shown);
    return QStringLiteral("%1. Отчет не сохранен в файле %2: %3").arg(output.noPrinter, shown, Failed(saved));
}

void PrintJournalReport(Terminal& terminal, const QString& journalText, const QDate& date,
                        const QString& closingLine)
{
    const ReportOutput output = ChooseReportOutput(terminal, date);
    const QString said = PrintReportOn(output, journalText, date, closingLine);
    if (!said.isEmpty())
        terminal.panel.message(said);
}

void Command1_Click(Terminal& terminal)
{
    // Ends with the chain's head, so that paper in the office witnesses how
    // far the journals were sealed when it was printed.
    PrintJournalReport(terminal, terminal.state.JournalText, terminal.clock.currentDate(),
                       SealHeadLine(terminal.dataDir));
}
