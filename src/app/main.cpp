#include "app/RunTerminal.h"
#include "ui/Pictures.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
#ifdef Q_OS_WIN
    // Qt's own switch, set before any regular expression runs: with the PCRE
    // JIT, a thread that used one (QDir's name filters do) crashed under MinGW
    // at its end, freeing its JIT stack. Without it nothing is lost here.
    qputenv("QT_ENABLE_REGEXP_JIT", "0");
#endif
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("veltar-terminal"));
    app.setWindowIcon(QIcon(ProgramIcon()));
    return RunTerminal();
}
