#include "app/RunTerminal.h"
#include "app/TerminationSignals.h"

#include "core/Clock.h"
#include "core/DataDirectory.h"
#include "core/Terminal.h"
#include "scale/SystemSerialPort.h"
#include "ui/Form1.h"
#include "ui/QtOperatorPanel.h"

#include <QCoreApplication>

#include <cstdio>

int RunTerminal()
{
    QtOperatorPanel panel;
    SystemClock clock;
    const QString dataDir = DataDirectory();
    SystemSerialPort port(dataDir);
    Terminal terminal{TerminalState{}, Display{}, port, clock, panel, dataDir, DocumentsDirectory()};

    Form1 form(terminal);
    const Status loaded = form.load();
    if (!loaded.ok()) {
        // A failure of the settings step ends the program, named by its
        // description and number. The description is a sentence of its own
        // that often begins with "Ошибка" itself.
        const QString report = QStringLiteral("Программа не может начать работу.\n%1 (код ошибки %2).")
                                   .arg(loaded.description)
                                   .arg(loaded.number);
        std::fprintf(stderr, "%s\n", report.toLocal8Bit().constData());
        panel.message(report);
        return 1;
    }
    QuitOnTerminationSignals(&form);
    form.show();
    return QCoreApplication::exec();
}
