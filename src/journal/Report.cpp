#include "journal/Report.h"

#include "core/TextRules.h"

#include <QRegularExpression>

#include <algorithm>

QString ReportHeading(const QDate& date)
{
    return QString(ReportHeadingColumn, u' ') + QStringLiteral("Отчет о работе весов за : ") + DateText(date);
}

QString ExpandTabs(const QString& line)
{
    QString expanded;
    expanded.reserve(line.size());
    for (const QChar c : line) {
        if (c == u'\t') {
            const qsizetype blanks = ReportTabWidth - expanded.size() % ReportTabWidth;
            expanded.append(QString(blanks, u' '));
        } else {
            expanded.append(c);
        }
    }
    return expanded;
}

QStringList ReportLines(const QString& journalText, const QDate& date)
{
    QStringList lines{QString(), QString(), ReportHeading(date), QString()};
    // CR LF is the journal's line end; a lone CR or LF (a day file edited by
    // hand) would otherwise reach the printer as a stray control character.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QStringList journal = journalText.split(lineEnd);
    for (const QString& line : journal)
        lines.append(ExpandTabs(line));
    return lines;
}

QStringList WrapLines(const QStringList& lines, int columns)
{
    const qsizetype width = std::max(columns, 1);
    QStringList wrapped;
    for (const QString& line : lines) {
        if (line.size() <= width) {
            wrapped.append(line);
            continue;
        }
        for (qsizetype from = 0; from < line.size(); from += width)
            wrapped.append(line.mid(from, width));
    }
    return wrapped;
}

QList<QStringList> SplitIntoPages(const QStringList& lines, int linesPerPage)
{
    const qsizetype perPage = std::max(linesPerPage, 1);
    QList<QStringList> pages;
    for (qsizetype from = 0; from < lines.size(); from += perPage)
        pages.append(lines.mid(from, perPage));
    return pages;
}
