#pragma once

#include <QColor>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringView>

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

// Marks whole lines of a journal box with a background colour: the lines are
// numbered from 1 as the box shows them, and each is marked across the box's
// full width (extra selections, so the text and the operator's own selection
// stay as they are). Marks of this colour set before are replaced; marks of
// other colours stay, so several kinds of mark can live in one box. An empty
// list removes this colour's marks; numbers beyond the text are ignored.
// A free function, for any journal box.
void markLines(QPlainTextEdit* box, const QList<int>& lineNumbers, const QColor& background);
