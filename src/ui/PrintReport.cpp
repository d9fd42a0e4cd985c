#include "ui/PrintReport.h"

#include "core/ErrorText.h"
#include "core/TextRules.h"
#include "journal/Report.h"
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

void SaveAsPdf(Terminal& terminal, const QString& journalText, const QDate& date, const QString& closingLine,
               const QString& why)
{
    const QString file = ReportPdfFileName(terminal, date);
    const QString shown = QDir::toNativeSeparators(file);
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(file);
    pdf.setPageMargins(PdfMarginsMm, QPageLayout::Millimeter);
    const Status saved = PrintReportTo(pdf, journalText, date, closingLine);
    if (saved.ok()) {
        terminal.panel.message(QStringLiteral("%1. Отчет сохранен в файле %2").arg(why, shown));
    } else {
        terminal.panel.message(
            QStringLiteral("%1. Отчет не сохранен в файле %2: %3").arg(why, shown, Failed(saved)));
    }
}

}  // namespace

Status PrintReportTo(QPrinter& printer, const QString& journalText, const QDate& date, const QString& closingLine)
{
    printer.setDocName(DocumentName(date));
    QStringList lines = ReportLines(journalText, date);
    if (!closingLine.isEmpty())
        lines << closingLine;
    return PaintReport(printer, lines);
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

void PrintJournalReport(Terminal& terminal, const QString& journalText, const QDate& date,
                        const QString& closingLine)
{
    // Checked first: a QPrinter made without a printer installed quietly
    // becomes a PDF printer with no file, and the report would vanish.
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        SaveAsPdf(terminal, journalText, date, closingLine,
                  QPrinterInfo::availablePrinters().isEmpty() ? QStringLiteral("Принтер не установлен")
                                                               : QStringLiteral("Принтер по умолчанию не выбран"));
        return;
    }

    QPrinter printer(defaultPrinter, QPrinter::HighResolution);
    const Status printed = PrintReportTo(printer, journalText, date, closingLine);
    if (!printed.ok())
        terminal.panel.message(QStringLiteral("Отчет не напечатан: %1").arg(Failed(printed)));
}

void Command1_Click(Terminal& terminal)
{
    PrintJournalReport(terminal, terminal.state.JournalText, terminal.clock.currentDate());
}
