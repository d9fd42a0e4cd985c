// The QApplication lives here, apart from the benchmarks: <QApplication>
// brings in Xlib's Display, which clashes with the terminal's own.

#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    // Drawing off screen keeps the figures free of a display server's costs
    // and lets the benchmark run anywhere.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
