#include "ui/ActiveWindow.h"

#include <QApplication>

QWidget* ActiveWindow()
{
    return QApplication::activeWindow();
}
