// The QApplication lives here, apart from the benchmark: <QApplication>
// brings in Xlib's Display, which clashes with the terminal's own.

#include <QApplication>

#include <cstdlib>

int RunSiteBench(int seconds, const QString& terminalPath, const QString& simulatorPath);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    return RunSiteBench(seconds > 0 ? seconds : 30, QStringLiteral(VELTAR_TERMINAL_PATH),
                        QStringLiteral(VELTAR_SCALE_SIM_PATH));
}
