// The site database in one run, beside the main window polling an in-memory
// scale off screen, against a throwaway PostgreSQL server on loopback:
//   1. a line's time from written (RecordWeighing returned) to confirmed by
//      the server (committed, and remembered in Database.sent);
//   2. the polls while the server is stopped, and while the connection goes
//      to a black-holed loopback port, lines being written meanwhile;
//   3. a backlog of 100,000 lines in 100 earlier day files sent at the start:
//      its time, the process's resident memory, and the polls meanwhile;
//   4. nineteen real terminals on simulated scales writing into the same
//      database beside this one, whose polls are counted.
// Prints markdown table rows. Loopback only; ends by itself.

#include "BenchSeams.h"
#include "GeneratedJournal.h"
#include "PollFigures.h"

#include "journal/RecordWeighing.h"
#include "link/LinkService.h"
#include "site/SiteService.h"
#include "tests/support/BlackHole.h"
#include "tests/support/PgCluster.h"
#include "ui/Form1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

void RunFor(int ms)
{
    QTimer::singleShot(ms, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// Runs the event loop until `done` holds (checked every 50 ms) or `ms` pass.
bool RunUntil(const std::function<bool()>& done, int ms)
{
    const auto until = Steady::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Steady::now() >= until)
            return false;
        RunFor(50);
    }
    return true;
}

// The own scale's frame for a weight: steady, so the detector records it
// after three polls, and lets go when the platform is emptied.
QByteArray Frame(double kg)
{
    return QStringLiteral("\x02%1ST").arg(kg, 7, 'f', 2).toLatin1();
}

}  // namespace

int RunSiteBench(int seconds, const QString& terminalPath, const QString& simulatorPath)
{
    PgCluster pg;
    QString why;
    if (!pg.start(&why)) {
        std::fprintf(stderr, "no PostgreSQL server: %s\n", qPrintable(why));
        return 1;
    }
    pg.query(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE site"), &why);

    BenchTerminal bench;
    Terminal& terminal = bench.terminal;
    Form1 form(terminal);
    if (!form.load().ok()) {
        std::fprintf(stderr, "the terminal did not start\n");
        return 1;
    }
    LinkService link(terminal.dataDir);
    SiteService site(terminal.dataDir, &link.hub());
    form.setLink(&link);
    form.setSite(&site);
    form.show();
    const DatabaseSettings settings{true, pg.connection(QStringLiteral("site")), QStringLiteral("bench")};
    site.apply(settings);

    Polls* phase = nullptr;
    QObject::connect(form.Timer1, &QTimer::timeout, &form, [&] {
        if (phase)
            phase->ticks.push_back(Steady::now());
        // The scale: the frame the next read takes.
        bench.port.waiting = Frame(0);
    });
    RunFor(2000);

    // 1. Written to confirmed: one line every 300 ms, each timed from its
    // recording's return to the sender's status counting it.
    std::vector<double> latencies;
    {
        const int lines = std::max(20, seconds * 3);
        std::vector<Steady::time_point> written(static_cast<std::size_t>(lines));
        std::vector<Steady::time_point> confirmed(static_cast<std::size_t>(lines));
        const qint64 base = site.status().sent;
        std::thread watcher([&] {
            for (int n = 1; n <= lines; ++n) {
                if (!site.waitFor([&](const SiteStatus& s) { return s.sent >= base + n; }, 60000))
                    return;
                confirmed[static_cast<std::size_t>(n - 1)] = Steady::now();
            }
        });
        for (int n = 0; n < lines; ++n) {
            terminal.state.NetWeight = 10 + n * 0.1;
            bench.clock.now = bench.clock.now.addSecs(1);
            static_cast<void>(RecordWeighing(terminal));
            written[static_cast<std::size_t>(n)] = Steady::now();
            form.render();
            RunFor(300);
        }
        watcher.join();
        for (int n = 0; n < lines; ++n) {
            if (confirmed[static_cast<std::size_t>(n)] > written[static_cast<std::size_t>(n)])
                latencies.push_back(Ms(confirmed[static_cast<std::size_t>(n)] - written[static_cast<std::size_t>(n)]).count());
        }
    }

    // 2. Outages, a line written every 2 s: the server stopped, then the
    // connection sent to a black-holed port.
    Polls stopped, blackHoled;
    const auto writeLinesFor = [&](Polls& polls, int forSeconds, double kg) {
        phase = &polls;
        for (int t = 0; t < forSeconds; t += 2) {
            terminal.state.NetWeight = kg;
            bench.clock.now = bench.clock.now.addSecs(2);
            static_cast<void>(RecordWeighing(terminal));
            form.render();
            RunFor(2000);
        }
        phase = nullptr;
    };
    pg.stop();
    writeLinesFor(stopped, seconds, 20);
    const int waitingStopped = site.status().waiting;
    BlackHole hole;
    site.apply(DatabaseSettings{true, QStringLiteral("host=127.0.0.1 port=%1 dbname=site connect_timeout=10").arg(hole.port()),
                                QStringLiteral("bench")});
    writeLinesFor(blackHoled, seconds, 20);
    const int waitingHoled = site.status().waiting;
    site.stop();

    // 3. A backlog: 100 earlier days of 1000 lines each, to a fresh database.
    pg.start(&why);
    pg.query(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE backlog"), &why);
    const QByteArray day = ToCp1251(GeneratedJournal(1000));
    for (int d = 1; d <= 100; ++d)
        WriteDayFile(terminal, QDate(2026, 1, 1).addDays(d), day);
    QFile::remove(terminal.dataDir + QStringLiteral("Database.sent"));
    // The peak is counted from here (Linux: "5" resets VmHWM).
    {
        QFile reset(QStringLiteral("/proc/self/clear_refs"));
        if (reset.open(QIODevice::WriteOnly))
            reset.write("5");
    }
    const long long rssBefore = StatusKb("VmRSS:");
    Polls backlog;
    phase = &backlog;
    const auto backlogStart = Steady::now();
    site.apply(DatabaseSettings{true, pg.connection(QStringLiteral("backlog")), QStringLiteral("bench")});
    const bool drained =
        RunUntil([&] { return site.status().sent >= 100000 && site.status().waiting == 0; }, 30 * 60 * 1000);
    const double backlogSeconds = std::chrono::duration<double>(Steady::now() - backlogStart).count();
    phase = nullptr;
    const long long rssPeak = StatusKb("VmHWM:");
    const long long rssAfter = StatusKb("VmRSS:");
    const QString held = pg.query(QStringLiteral("backlog"), QStringLiteral("SELECT count(*) FROM journal_lines")).value(0).value(0);

    // 4. Nineteen more terminals, each with its simulator, into the same
    // database as this one, for `seconds`.
    Polls crowded;
    std::vector<std::unique_ptr<QProcess>> processes;
    QTemporaryDir others;
    for (int i = 0; i < 19; ++i) {
        const QString data = others.path() + QStringLiteral("/t%1/share/Orvalta/").arg(i);
        QDir().mkpath(data);
        QFile ini(data + QStringLiteral("Database.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(QStringLiteral("[Database]\nEnabled=true\nConnection=%1\nTerminal=scale%2\n")
                          .arg(pg.connection(QStringLiteral("backlog")))
                          .arg(i)
                          .toUtf8());
        ini.close();
        QFile script(others.path() + QStringLiteral("/t%1/script.txt").arg(i));
        if (script.open(QIODevice::WriteOnly))
            script.write(QStringLiteral("1 0\n1.5 %1\n").arg(10 + i).toUtf8());
        script.close();
        auto sim = std::make_unique<QProcess>();
        sim->setStandardErrorFile(QProcess::nullDevice());
        sim->start(simulatorPath, {QStringLiteral("--link"), data + QStringLiteral("com1"), QStringLiteral("--script"),
                                   script.fileName(), QStringLiteral("--loop")});
        sim->waitForStarted(5000);
        processes.push_back(std::move(sim));
        RunFor(100);
        auto other = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), others.path() + QStringLiteral("/t%1/share").arg(i));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        other->setProcessEnvironment(env);
        other->setStandardErrorFile(QProcess::nullDevice());
        other->start(terminalPath, {});
        other->waitForStarted(5000);
        processes.push_back(std::move(other));
    }
    RunFor(3000);
    const qint64 sentBefore = site.status().sent;
    writeLinesFor(crowded, seconds * 2, 30);
    const qint64 sentCrowded = site.status().sent - sentBefore;
    for (auto& p : processes)
        p->terminate();
    for (auto& p : processes)
        p->waitForFinished(10000);
    const QString crowd = pg.query(QStringLiteral("backlog"),
                                   QStringLiteral("SELECT count(DISTINCT terminal) - 1, count(*) FILTER (WHERE terminal <> 'bench') "
                                                  "FROM journal_lines"))
                              .value(0)
                              .join(QStringLiteral(" terminals, "));
    site.stop();

    std::printf("| Site database: a line from written to confirmed | p50 %.1f ms, p99 %.1f ms, max %.1f ms (%zu lines) | "
                "from RecordWeighing's return (line appended, synced and sealed) to the sender's count of lines the server "
                "committed and Database.sent recorded; one line every 300 ms; PostgreSQL %s on loopback |\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()), latencies.size(),
                qPrintable(pg.query(QStringLiteral("site"), QStringLiteral("SHOW server_version")).value(0).value(0)));
    std::printf("| Site database: polls while the server is stopped · while its address is black-holed | %s, %d lines waiting · "
                "%s, %d lines waiting | %d s each, a line written every 2 s; Timer1 intervals, a miss is one over 450 ms; "
                "black hole: a loopback port whose full backlog drops every SYN, connect_timeout=10 |\n",
                stopped.cell().c_str(), waitingStopped, blackHoled.cell().c_str(), waitingHoled, seconds);
    std::printf("| Site database: a backlog of 100,000 lines sent | %.1f s%s (%s held); resident memory %.1f MiB before, "
                "peak %.1f MiB, %.1f MiB after; polls %s | 100 earlier day files of 1000 lines, sent oldest first in "
                "transactions of 500 lines at the sender's start |\n",
                backlogSeconds, drained ? "" : " (not all sent)", qPrintable(held), rssBefore / 1024.0, rssPeak / 1024.0,
                rssAfter / 1024.0, backlog.cell().c_str());
    std::printf("| Site database: twenty terminals into one database | this terminal's polls %s; %lld of its lines "
                "confirmed; the others: %s lines | 19 terminal processes, each on its own simulated own scale (a load "
                "every 2.5 s), and this one (a line every 2 s), %d s, one PostgreSQL on loopback |\n",
                crowded.cell().c_str(), static_cast<long long>(sentCrowded), qPrintable(crowd), seconds * 2);
    return 0;
}
