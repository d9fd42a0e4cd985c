#include "ui/ReportPrinter.h"

#include "journal/Report.h"
#include "ui/Fonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace {

// A common size for a printer's text face; the page layout adapts to it.
constexpr double ReportFontPoints = 10;

Status PrinterError(const QString& text)
{
    return Status::failure(PrinterErrorNumber, text);
}

PageGrid GridFor(const QFontMetricsF& metrics, const QRectF& page)
{
    // All columns are one glyph wide in a fixed-pitch face.
    const double column = metrics.horizontalAdvance(u'0');
    const double line = metrics.lineSpacing();
    PageGrid grid;
    grid.columns = column > 0 ? std::max(1, static_cast<int>(std::floor(page.width() / column))) : 1;
    grid.linesPerPage = line > 0 ? std::max(1, static_cast<int>(std::floor(page.height() / line))) : 1;
    return grid;
}

QRectF PaintArea(QPrinter& printer)
{
    // The painter's origin is the top left of the printable area, so only its
    // size matters.
    return QRectF(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
}

}  // namespace

QFont ReportFont()
{
    return MonoFont(ReportFontPoints);
}

PageGrid ReportPageGrid(QPrinter& printer)
{
    return GridFor(QFontMetricsF(ReportFont(), &printer), PaintArea(printer));
}

Status PaintReport(QPrinter& printer, const QStringList& lines)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return PrinterError(QStringLiteral("Не удалось начать печать документа"));
    painter.setFont(ReportFont());

    const QFontMetricsF metrics(painter.font(), &printer);
    const PageGrid grid = GridFor(metrics, PaintArea(printer));
    const QList<QStringList> pages = SplitIntoPages(WrapLines(lines, grid.columns), grid.linesPerPage);

    bool pageStarted = true;
    for (qsizetype p = 0; p < pages.size() && pageStarted; ++p) {
        if (p > 0)
            pageStarted = printer.newPage();
        if (!pageStarted)
            break;
        double baseline = metrics.ascent();
        for (const QString& line : pages[p]) {
            if (!line.isEmpty())
                painter.drawText(QPointF(0, baseline), line);
            baseline += metrics.lineSpacing();
        }
    }
    const bool ended = painter.end();

    if (!pageStarted)
        return PrinterError(QStringLiteral("Не удалось начать новую страницу документа"));
    if (!ended || printer.printerState() == QPrinter::Error)
        return PrinterError(QStringLiteral("Ошибка принтера при выводе документа"));
    return Status::success();
}
