#include "ui/QtOperatorPanel.h"

#include "core/ProgramTitle.h"

#include <QApplication>
#include <QMessageBox>

void QtOperatorPanel::message(const QString& text)
{
    // Timers keep ticking behind an open box. A message raised by one of them
    // waits for the open box to close rather than open a box inside it: an
    // unattended terminal would otherwise pile boxes, and call frames, up
    // without end.
    if (open_) {
        if (!waiting_.contains(text))
            waiting_.append(text);
        return;
    }
    open_ = true;
    QString next = text;
    for (;;) {
        QMessageBox box(QMessageBox::NoIcon, ProgramTitle, next, QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
        if (waiting_.isEmpty())
            break;
        next = waiting_.takeFirst();
    }
    open_ = false;
}

void QtOperatorPanel::beep()
{
    QApplication::beep();
}
