#include "app/RunTerminal.h"
#include "app/TerminationSignals.h"

#include "core/Clock.h"
#include "core/DataDirectory.h"
#include "core/Terminal.h"
#include "link/LinkService.h"
#include "scale/SystemSerialPort.h"
#include "site/SiteService.h"
#include "ui/BackgroundWork.h"
#include "ui/Form1.h"
#include "ui/QtOperatorPanel.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int RunTerminal()
{
    // First of all: a request to end that comes while the settings load or
    // the link and the database start waits for the event loop instead of
    // killing the process half-way through a save.
    QuitOnTerminationSignals(QCoreApplication::instance());
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
    // The office link: off unless Link.ini says otherwise. A problem with it
    // is told once, after the window appears, and the terminal weighs on.
    LinkService link(dataDir);
    const LinkSettingsLoad linkSettings = LoadLinkSettings(dataDir);
    const QString linkProblem = linkSettings.warning.isEmpty() ? link.apply(linkSettings.settings)
                                                               : linkSettings.warning;
    form.setLink(&link);
    // The site database likewise: off unless Database.ini says otherwise;
    // what it has to tell reaches the operator between two handlers.
    SiteService site(dataDir, &link.hub());
    const auto tell = [&panel, &form](const QString& message) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        QTimer::singleShot(0, &form, [&panel, message] { panel.message(message); });
    };
    QObject::connect(&site, &SiteService::tell, &form, tell);
    const DatabaseSettingsLoad siteSettings = LoadDatabaseSettings(dataDir);
    const QString siteProblem = siteSettings.warning.isEmpty() ? site.apply(siteSettings.settings)
                                                               : siteSettings.warning;
    form.setSite(&site);
    form.show();
    if (!linkProblem.isEmpty())
        tell(linkProblem);
    if (!siteProblem.isEmpty())
        tell(siteProblem);
    const int code = QCoreApplication::exec();
    // A day being read or a report being printed when the window closed is
    // let finish: its thread must not outlive what it reads from.
    WaitForBackgroundWork();
    // Before the window goes: the server's and the sender's threads read
    // the hub only, but they end here, not at some later destructor.
    form.setSite(nullptr);
    site.stop();
    form.setLink(nullptr);
    link.stop();
    return code;
}
