#include "app/RunTerminal.h"
#include "ui/Pictures.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("veltar-terminal"));
    app.setWindowIcon(QIcon(ProgramIcon()));
    return RunTerminal();
}
