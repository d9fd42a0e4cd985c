// The polling while the day journal window opens and prints a very large
// earlier day: the real main window with its timers running over bench
// seams, a day file of about 50 MB, and the polls (Timer1 ticks) counted
// while the window reads, shows and prints it. Prints figures only: the
// time each step took, the ticks that came, the longest gap between two
// ticks, the polls missed (gaps of more than one and a half intervals), and
// the process's resident memory before, at the peak and after the window
// closes.
//
//   veltar-bench-day-window [MEGABYTES] [SCREENSHOT.png]
//
// With DAY_FILE set, that file is the large day instead of a generated one;
// with LOCK_DATA set, the data folder's rights are taken away before the
// window opens (run as a user other than root for it to mean anything).

#include "BenchSeams.h"
#include "PollFigures.h"

#include "core/Cp1251.h"
#include "core/TerminalState.h"
#include "journal/DayFile.h"
#include "ui/DayJournalWindow.h"
#include "ui/Form1.h"
#include "ui/PrintReport.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// The ticks of Timer1 with their times.
struct Ticks {
    QElapsedTimer clock;
    QList<qint64> at;
};

// Runs the event loop, as the real program's would, until done or the time
// is up; it sleeps between events rather than spinning, so the window's
// threads get the processor as they would.
void Spin(const std::function<bool()>& done, int ms)
{
    const QDeadlineTimer deadline(ms);
    QTimer wake;
    wake.start(20);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Report(const char* step, const Ticks& ticks, qint64 from, qint64 to)
{
    int count = 0;
    int missed = 0;
    qint64 previous = from;
    qint64 longest = 0;
    for (const qint64 t : ticks.at) {
        if (t < from || t > to)
            continue;
        ++count;
        longest = std::max(longest, t - previous);
        if (t - previous > 450) {
            std::printf("  gap of %lld ms ending %lld ms into the step\n", static_cast<long long>(t - previous),
                        static_cast<long long>(t - from));
        }
        if (t - previous > 450)
            missed += static_cast<int>(std::lround((t - previous) / 300.0)) - 1;
        previous = t;
    }
    longest = std::max(longest, to - previous);
    if (to - previous > 450)
        missed += static_cast<int>((to - previous) / 300);
    std::printf("%-34s %7lld ms  ticks %4d (expected about %lld)  longest gap %5lld ms  polls missed %d\n", step,
                static_cast<long long>(to - from), count, static_cast<long long>((to - from) / 300),
                static_cast<long long>(longest), missed);
}

}  // namespace

int RunDayWindowPolls(int argc, char** argv)
{
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 50;
    const QString screenshot = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    BenchTerminal b;
    Terminal& t = b.terminal;
    const QDate today(2026, 12, 7);
    const QDate big(2026, 12, 3);
    b.clock.now = QDateTime(today, QTime(9, 0));
    t.documentsDir = b.dir.path() + QStringLiteral("/docs/");
    QDir().mkpath(t.documentsDir);
    {
        TerminalState s;
        SetDefaults(s);
    }
    QByteArray day;
    if (!qEnvironmentVariableIsEmpty("DAY_FILE")) {
        QFile given(qEnvironmentVariable("DAY_FILE"));
        if (given.open(QIODevice::ReadOnly))
            day = given.readAll();
    }
    const qint64 size = day.isEmpty() ? qint64(megabytes) * 1024 * 1024 : 0;
    day.reserve(std::max(day.size(), size + 100));
    for (int n = 1; day.size() < size; ++n) {
        const QTime time = QTime(8, 0).addSecs(n % 36000);
        day += ToCp1251(QStringLiteral(" %1\t12-03-2026  %2     12.5кг    0кг\r\n")
                            .arg((n - 1) % 1000 + 1)
                            .arg(time.toString(QStringLiteral("HH:mm:ss"))));
    }
    if (!WriteDayFile(t, big, day)) {
        std::fprintf(stderr, "day file not written\n");
        return 1;
    }
    std::printf("day file %s: %lld bytes\n", qPrintable(DayFileName(t.dataDir, big)), static_cast<long long>(day.size()));
    day = QByteArray();

    Form1 form(t);
    if (!form.load().ok()) {
        std::fprintf(stderr, "the window did not load\n");
        return 1;
    }
    t.state.ScaleKind = ScaleKindAed;
    form.show();
    Ticks ticks;
    ticks.clock.start();
    QObject::connect(form.Timer1, &QTimer::timeout, [&] { ticks.at.append(ticks.clock.elapsed()); });
    Spin([] { return false; }, 3000);
    const qint64 rssBefore = StatusKb("VmRSS:");
    std::printf("resident before: %lld kB\n", static_cast<long long>(rssBefore));

    if (!qEnvironmentVariableIsEmpty("LOCK_DATA"))
        QFile::setPermissions(b.dir.path(), QFileDevice::Permissions());
    qint64 from = ticks.clock.elapsed();
    form.mnu_DayJournal->trigger();
    DayJournalWindow* w = form.dayJournalWindow();
#ifdef DAY_WINDOW_SYNCHRONOUS
    const auto busy = [&] { return false; };
#else
    const auto busy = [&] { return w->reading() || w->printing(); };
#endif
    Spin([&] { return !busy(); }, 60000);
    w->Calendar->setSelectedDate(big);
    Spin([&] { return false; }, 50);  // the choice is read once the calendar is done
    Spin([&] { return !busy(); }, 120000);
    qint64 to = ticks.clock.elapsed();
    Report("opening the day", ticks, from, to);
    std::printf("resident with the day shown: %lld kB\n", static_cast<long long>(StatusKb("VmRSS:")));
    if (!screenshot.isEmpty())
        w->grab().save(screenshot);

    from = ticks.clock.elapsed();
    w->PrintButton->click();
    Spin([&] { return !busy(); }, 600000);
    to = ticks.clock.elapsed();
    Report("printing it (as a PDF)", ticks, from, to);
#ifdef DAY_WINDOW_SYNCHRONOUS
    const int questions = 0;
#else
    const int questions = b.panel.questions;
#endif
    std::printf("questions asked %d, messages %d, PDF %lld bytes\n", questions, b.panel.messages,
                static_cast<long long>(QFileInfo(ReportPdfFileName(t, big)).size()));
    std::printf("resident after printing: %lld kB (peak of the process %lld kB)\n",
                static_cast<long long>(StatusKb("VmRSS:")), static_cast<long long>(StatusKb("VmHWM:")));

    w->close();
    Spin([] { return false; }, 2000);
    QFile::setPermissions(b.dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    std::printf("resident 2 s after the window closed: %lld kB\n", static_cast<long long>(StatusKb("VmRSS:")));
    return 0;
}
