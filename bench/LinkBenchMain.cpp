// The QApplication lives here, apart from the benchmark: <QApplication>
// brings in Xlib's Display, which clashes with the terminal's own.

#include <QApplication>

#include <cstdlib>

int RunLinkBench(int seconds);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    return RunLinkBench(seconds > 0 ? seconds : 30);
}
