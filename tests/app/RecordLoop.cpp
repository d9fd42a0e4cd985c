// A stand-in for the terminal in the power-cut test: records weighings into
// a real data directory as fast as it can, until it is killed.
//   veltar-record-loop DATA_DIR YYYY-MM-DD
#include "core/SettingsFile.h"
#include "core/Terminal.h"
#include "journal/DayFile.h"
#include "journal/RecordWeighing.h"
#include "journal/SealWrite.h"
#include "journal/Summation.h"
#include "support/InertSerialPort.h"

#include <QCoreApplication>
#include <QDate>

#include <cstdio>

namespace {

// The day is fixed by the caller, so each run has its own day file.
class DayClock final : public Clock {
public:
    explicit DayClock(QDate day) : day_(day) {}
    QDate currentDate() const override { return day_; }
    QTime currentTime() const override { return QTime::currentTime(); }

private:
    QDate day_;
};

class StderrPanel final : public OperatorPanel {
public:
    void message(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool ask(const QString& question) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(question));
        return false;
    }
    void beep() override {}
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    InertSerialPort port;  // recording never touches the port
    DayClock clock(QDate::fromString(QString::fromLocal8Bit(argv[2]), Qt::ISODate));
    StderrPanel panel;
    Terminal t{TerminalState{}, Display{}, port, clock, panel, QString::fromLocal8Bit(argv[1])};
    if (!InitSettings(t).ok())
        return 3;
    ContinueDayNumbering(t);
    // As the terminal's start-up does: what the last kill left unsealed.
    if (const QString unsealed = SealAtStartUp(t.dataDir, clock.currentDate()); !unsealed.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(unsealed));
        return 5;
    }
    std::printf("started\n");
    std::fflush(stdout);
    for (int i = 1;; ++i) {
        t.state.NetWeight = (i % 50) + 0.5;
        if (!RecordWeighing(t).ok())
            return 4;
        if (i == 1) {
            std::printf("recorded\n");  // the first line is on disk
            std::fflush(stdout);
        }
        if (i % 7 == 0)
            Command3_Click(t);
    }
}
