#include "ui/QtOperatorPanel.h"

#include "core/ProgramTitle.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

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

bool QtOperatorPanel::ask(const QString& question)
{
    // The buttons are named here: the standard ones speak the language of
    // the installed Qt translations, often none. Messages raised by the
    // timers meanwhile wait for the answer, as they wait for an open message.
    const bool wasOpen = open_;
    open_ = true;
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle, question, QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    const bool answered = box.clickedButton() == yes;
    open_ = wasOpen;
    if (!open_ && !waiting_.isEmpty())
        message(waiting_.takeFirst());
    return answered;
}

void QtOperatorPanel::beep()
{
    QApplication::beep();
}
