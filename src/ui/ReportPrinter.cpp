#include "ui/ReportPrinter.h"

#include "journal/PastJournal.h"
#include "journal/Report.h"
#include "ui/Fonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <optional>

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

namespace {

// Puts the document's lines on the pages one by one, wrapping the long ones
// and starting a new page when one is full, so that no more than the line
// in hand is held whatever the document's length.
class PageWriter {
public:
    explicit PageWriter(QPrinter& printer) : printer_(printer) {}

    Status begin()
    {
        if (!painter_.begin(&printer_))
            return PrinterError(QStringLiteral("Не удалось начать печать документа"));
        painter_.setFont(ReportFont());
        metrics_.emplace(painter_.font(), &printer_);
        grid_ = GridFor(*metrics_, PaintArea(printer_));
        baseline_ = metrics_->ascent();
        return Status::success();
    }

    // False once a new page could not be started; nothing more is painted.
    bool line(const QString& text)
    {
        const qsizetype width = std::max(grid_.columns, 1);
        if (text.size() <= width)
            return put(text);
        for (qsizetype from = 0; from < text.size(); from += width) {
            if (!put(text.mid(from, width)))
                return false;
        }
        return true;
    }

    Status end()
    {
        const bool ended = painter_.end();
        if (!pageStarted_)
            return PrinterError(QStringLiteral("Не удалось начать новую страницу документа"));
        if (!ended || printer_.printerState() == QPrinter::Error)
            return PrinterError(QStringLiteral("Ошибка принтера при выводе документа"));
        return Status::success();
    }

private:
    bool put(const QString& text)
    {
        if (!pageStarted_)
            return false;
        if (onPage_ == std::max(grid_.linesPerPage, 1)) {
            pageStarted_ = printer_.newPage();
            if (!pageStarted_)
                return false;
            onPage_ = 0;
            baseline_ = metrics_->ascent();
        }
        if (!text.isEmpty())
            painter_.drawText(QPointF(0, baseline_), text);
        baseline_ += metrics_->lineSpacing();
        ++onPage_;
        return true;
    }

    QPrinter& printer_;
    QPainter painter_;
    std::optional<QFontMetricsF> metrics_;
    PageGrid grid_;
    double baseline_ = 0;
    int onPage_ = 0;
    bool pageStarted_ = true;
};

}  // namespace

Status PaintReport(QPrinter& printer, const QStringList& lines)
{
    PageWriter pages(printer);
    if (const Status begun = pages.begin(); !begun.ok())
        return begun;
    for (const QString& line : lines) {
        if (!pages.line(line))
            break;
    }
    return pages.end();
}

Status PaintJournalReport(QPrinter& printer, const QString& journalText, const QDate& date,
                          const QString& closingLine)
{
    PageWriter pages(printer);
    if (const Status begun = pages.begin(); !begun.ok())
        return begun;
    // The lines of ReportLines, made one at a time.
    bool going = pages.line(QString()) && pages.line(QString()) && pages.line(ReportHeading(date)) &&
                 pages.line(QString());
    if (going) {
        ForEachJournalLine(journalText, [&](QStringView line) {
            going = pages.line(ExpandTabs(line.toString()));
            return going;
        });
    }
    if (going && !closingLine.isEmpty()) {
        for (const QString& line : closingLine.split(u'\n')) {
            if (!pages.line(line))
                break;
        }
    }
    return pages.end();
}
