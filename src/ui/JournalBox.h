#pragma once

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
