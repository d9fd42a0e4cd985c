#include "ui/QtOperatorPanel.h"

#include "core/ProgramTitle.h"

#include <QApplication>
#include <QMessageBox>

void QtOperatorPanel::message(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void QtOperatorPanel::beep()
{
    QApplication::beep();
}
