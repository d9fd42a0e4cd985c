// veltar-scale-sim: plays the own scale or the AED 9101B digitiser on a
// pseudo-terminal, so that the terminal can run without hardware.

#include "core/DataDirectory.h"
#include "scale-sim/PseudoTerminal.h"
#include "scale-sim/Script.h"
#include "scale-sim/ScriptPlayer.h"
#include "scale-sim/Simulator.h"
#include "scale-sim/SlaveLink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <random>

#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Fail(const QString& message, int code = 1)
{
    std::fprintf(stderr, "veltar-scale-sim: %s\n", qPrintable(message));
    return code;
}

// Operator lines come from a terminal or a pipe; a file or /dev/null (as a
// background job gets) holds no operator.
bool StdinCarriesKeys()
{
    struct stat info {};
    if (::fstat(STDIN_FILENO, &info) != 0)
        return false;
    return ::isatty(STDIN_FILENO) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode);
}

}  // namespace

int main(int argc, char** argv)
{
    // Termination arrives through a descriptor in the event loop, so the link
    // is removed by ordinary code after the loop ends. Blocked before any
    // thread exists, so that none of them takes the signal instead.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGINT);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltar-scale-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a weighing scale on a pseudo-terminal and links it as the terminal's port.\n"
        "\n"
        "veltar: every 100 ms a frame STX, the weight in 7 characters (\"  12.50\"),\n"
        "        then ST (steady) or US (moving).\n"
        "aed:    answers each \"msv?;\" with the counts in 8 characters and CR LF\n"
        "        (\"   19892\\r\\n\", 0.00050271 kg per count); sends nothing unasked.\n"
        "\n"
        "A script has lines \"<seconds> <kg> [wobble kg]\": hold that weight for that\n"
        "long, swinging by up to the wobble each 100 ms; '#' starts a comment.\n"
        "\n"
        "Typed on standard input: a weight such as 12.5 holds it, s resumes the\n"
        "script, q quits."));
    parser.addHelpOption();
    const QCommandLineOption kindOption(QStringLiteral("kind"),
                                        QStringLiteral("The scale to play: veltar (default) or aed."),
                                        QStringLiteral("kind"), QStringLiteral("veltar"));
    const QCommandLineOption linkOption(QStringLiteral("link"),
                                        QStringLiteral("The link to the port (default <data dir>/com1)."),
                                        QStringLiteral("path"));
    const QCommandLineOption scriptOption(QStringLiteral("script"),
                                          QStringLiteral("The weight script (default: a built-in scenario, looped)."),
                                          QStringLiteral("file"));
    const QCommandLineOption loopOption(QStringLiteral("loop"), QStringLiteral("Repeat the script forever."));
    parser.addOptions({kindOption, linkOption, scriptOption, loopOption});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return Fail(QStringLiteral("unexpected argument %1; see --help").arg(parser.positionalArguments().first()), 2);

    const QString kindName = parser.value(kindOption).toLower();
    if (kindName != u"veltar" && kindName != u"aed")
        return Fail(QStringLiteral("unknown kind \"%1\": veltar or aed").arg(kindName), 2);
    const ScaleKind kind = kindName == u"aed" ? ScaleKind::Aed : ScaleKind::Veltar;

    QString scriptText = BuiltInScript();
    QString scriptName = QStringLiteral("built-in scenario");
    bool loop = true;
    if (parser.isSet(scriptOption)) {
        scriptName = parser.value(scriptOption);
        QFile file(scriptName);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return Fail(QStringLiteral("cannot read %1: %2").arg(scriptName, file.errorString()), 2);
        scriptText = QString::fromUtf8(file.readAll());
        loop = parser.isSet(loopOption);
    }
    const ScriptParse script = ParseScript(scriptText);
    if (!script.ok())
        return Fail(QStringLiteral("%1: %2").arg(scriptName, script.error), 2);

    QString linkPath = parser.value(linkOption);
    if (linkPath.isEmpty()) {
        const QString dataDir = DataDirectory();
        if (!CreateDataDirectory(dataDir))
            return Fail(QStringLiteral("cannot create %1").arg(dataDir));
        linkPath = dataDir + QStringLiteral("com1");
    }

    QString error;
    PseudoTerminal line;
    if (!line.open(&error))
        return Fail(error);
    SlaveLink link;
    if (!link.create(linkPath, line.slavePath(), &error))
        return Fail(error);

    const int signalFd = ::signalfd(-1, &stopping, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signalFd < 0)
        return Fail(QStringLiteral("signalfd failed"));
    QSocketNotifier signalNotifier(signalFd, QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        signalfd_siginfo info{};
        if (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            std::fprintf(stderr, "veltar-scale-sim: %s, stopping\n", strsignal(static_cast<int>(info.ssi_signo)));
        QCoreApplication::exit(0);
    });

    ScriptPlayer player(script.steps, loop, std::random_device{}());
    Simulator simulator(kind, line, player);
    std::fprintf(stderr, "veltar-scale-sim: %s on %s, linked as %s; %s%s\n",
                 kind == ScaleKind::Aed ? "AED 9101B" : "own scale", qPrintable(line.slavePath()),
                 qPrintable(linkPath), qPrintable(scriptName), loop ? ", looped" : "");
    if (StdinCarriesKeys()) {
        simulator.watchInput(STDIN_FILENO);
        std::fprintf(stderr, "veltar-scale-sim: type a weight in kg (12.5), s to resume the script, q to quit\n");
    }
    simulator.start();
    const int code = app.exec();
    link.remove();
    ::close(signalFd);
    return code;
}
