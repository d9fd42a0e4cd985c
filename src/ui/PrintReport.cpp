#include "ui/PrintReport.h"

#include "core/TextRules.h"
#include "journal/Report.h"
#include "ui/ReportPrinter.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

QString DocumentName(const Terminal& terminal)
{
    return QStringLiteral("Отчет о работе весов за %1").arg(DateText(terminal.clock.currentDate()));
}

QString Failed(const Status& status)
{
    return QStringLiteral("%1 (ошибка %2).").arg(status.description).arg(status.number);
}

void SaveAsPdf(Terminal& terminal, const QString& why)
{
    const QString file = ReportPdfFileName(terminal);
    const QString shown = QDir::toNativeSeparators(file);
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(file);
    const Status saved = PrintReportTo(pdf, terminal);
    if (saved.ok()) {
        terminal.panel.message(QStringLiteral("%1. Отчет сохранен в файле %2").arg(why, shown));
    } else {
        terminal.panel.message(
            QStringLiteral("%1. Отчет не сохранен в файле %2: %3").arg(why, shown, Failed(saved)));
    }
}

}  // namespace

Status PrintReportTo(QPrinter& printer, const Terminal& terminal)
{
    printer.setDocName(DocumentName(terminal));
    return PaintReport(printer, ReportLines(terminal.state.JournalText, terminal.clock.currentDate()));
}

QString ReportPdfFileName(const Terminal& terminal)
{
    return terminal.dataDir + DateText(terminal.clock.currentDate()) + QStringLiteral(".pdf");
}

void Command1_Click(Terminal& terminal)
{
    // Checked first: a QPrinter made without a printer installed quietly
    // becomes a PDF printer with no file, and the report would vanish.
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        SaveAsPdf(terminal, QPrinterInfo::availablePrinters().isEmpty()
                                ? QStringLiteral("Принтер не установлен")
                                : QStringLiteral("Принтер по умолчанию не выбран"));
        return;
    }

    QPrinter printer(defaultPrinter, QPrinter::HighResolution);
    const Status printed = PrintReportTo(printer, terminal);
    if (!printed.ok())
        terminal.panel.message(QStringLiteral("Отчет не напечатан: %1").arg(Failed(printed)));
}
