#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// The printed report as text, before it meets a printer: every line in
// character columns, so that the page layout can be decided by pure
// functions of the printer's column and line counts.

// The heading's text begins after this many blank columns.
inline constexpr int ReportHeadingColumn = 20;

// Journal lines put the date at the first TAB stop; stops are this far apart.
inline constexpr int ReportTabWidth = 8;

// "Отчет о работе весов за : 06-15-2026" after the blank columns.
QString ReportHeading(const QDate& date);

// Replaces each TAB with the blanks that reach the next multiple of
// ReportTabWidth columns, counted from the start of the line.
QString ExpandTabs(const QString& line);

// The document: two empty lines, the heading, an empty line, then the journal
// text line by line with TABs expanded. The journal text is printed followed
// by a line end, so its own final CR LF leaves one empty line at the end, and
// an empty journal still gives one empty line.
QStringList ReportLines(const QString& journalText, const QDate& date);

// Lines longer than `columns` continue on the following lines, so that
// nothing is cut at the right edge of the paper. A column count below one is
// taken as one.
QStringList WrapLines(const QStringList& lines, int columns);

// The lines in pages of `linesPerPage` each (the last may be shorter). A
// count below one is taken as one.
QList<QStringList> SplitIntoPages(const QStringList& lines, int linesPerPage);
