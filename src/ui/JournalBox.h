#pragma once

#include <QRect>
#include <QString>
#include <QList>
#include <QStringView>

class QColor;
class QPlainTextEdit;
class QWidget;

// The journal box as the main window shows it, so that any journal shown
// elsewhere keeps the same columns: the serif face, TAB stops every eight
// average characters, read-only, a vertical scroll bar always there.
QPlainTextEdit* MakeJournalBox(QWidget* parent, const char* name, QRect geometry);

// The column headings over a journal box: number, date, time, net, tare.
QString JournalHeadings();

// The journal keeps CR LF line ends; the box wants LF only (a CR would start
// a line of its own).
QString BoxText(QStringView journal);

// Gives the lines with these numbers (from 1, as in the file) the background
// colour across the box's whole width, replacing the lines marked before; an
// empty list clears the marks. The text itself is left as it is.
void markLines(QPlainTextEdit* box, const QList<int>& lineNumbers /*1-based*/, const QColor& background);
