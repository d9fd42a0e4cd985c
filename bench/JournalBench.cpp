// Recording a weighing with real files (the day file appended and synced,
// its seal record appended and synced, the chain's head and the settings
// file replaced through QSaveFile), its file steps alone,
// loading day files of 1000 and 100,000 lines, and an earlier day's file read
// and totalled as the day journal window does.
//
// Each recording is timed alone: one iteration per repetition, wall time
// (the waits for the disk are the point), and the aggregates give median,
// 99th percentile and maximum over the repetitions.

#include "BenchSeams.h"
#include "GeneratedJournal.h"

#include "core/Cp1251.h"
#include "core/SettingsFile.h"
#include "core/Terminal.h"
#include "core/TextRules.h"
#include "journal/DayFile.h"
#include "journal/JournalLine.h"
#include "journal/PastJournal.h"
#include "journal/RecordWeighing.h"
#include "journal/SealWrite.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Recordings = 1000;
// Well under the 1000 weighings a day allows; the clock moves to the next day.
constexpr int RecordingsPerDay = 250;

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100 * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double P99(const std::vector<double>& v)
{
    return Percentile(v, 99);
}

double Max(const std::vector<double>& v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// One terminal on a fresh data directory for the whole run, so that its
// files grow as they would over the day.
struct Recorder {
    QTemporaryDir dir;
    BenchPort port;
    BenchClock clock;
    BenchPanel panel;
    std::unique_ptr<Terminal> terminal;
    int done = 0;

    Recorder()
    {
        if (!dir.isValid()) {
            std::fprintf(stderr, "no temporary directory\n");
            std::exit(1);
        }
        terminal.reset(new Terminal{TerminalState{}, Display{}, port, clock, panel, dir.path() + u'/'});
        if (!InitSettings(*terminal).ok()) {
            std::fprintf(stderr, "settings file could not be made in %s\n", qPrintable(dir.path()));
            std::exit(1);
        }
    }

    // Before each recording: the weight changes, and after a day's share the
    // clock moves on a day.
    void next()
    {
        if (done > 0 && done % RecordingsPerDay == 0)
            clock.now = clock.now.addDays(1);
        clock.now = clock.now.addSecs(7);
        terminal->state.NetWeight = 10 + (done % 50) * 0.1;
        ++done;
    }
};

Recorder& TheRecorder()
{
    static Recorder recorder;
    return recorder;
}

// Every call timed on its own, wall time, with its median, 99th percentile
// and maximum: the spread of file writes is what matters, not their mean.
void EachCallTimed(benchmark::internal::Benchmark* b, int calls)
{
    b->Iterations(1)
        ->Repetitions(calls)
        ->ReportAggregatesOnly(true)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->ComputeStatistics("p99", P99)
        ->ComputeStatistics("max", Max);
}

void BM_RecordWeighing(benchmark::State& state)
{
    Recorder& r = TheRecorder();
    r.next();
    for (auto _ : state) {
        if (!RecordWeighing(*r.terminal).ok())
            state.SkipWithError("recording failed");
    }
}
BENCHMARK(BM_RecordWeighing)
    ->Apply([](benchmark::internal::Benchmark* b) { EachCallTimed(b, Recordings); });

void BM_AppendDayFileLine(benchmark::State& state)
{
    Recorder& r = TheRecorder();
    r.next();
    const QString line = JournalLine(1, r.terminal->state.Records(1));
    for (auto _ : state) {
        if (!AppendDayFileLine(*r.terminal, line).ok())
            state.SkipWithError("append failed");
    }
}
BENCHMARK(BM_AppendDayFileLine)
    ->Apply([](benchmark::internal::Benchmark* b) { EachCallTimed(b, 200); });

// A line appended and sealed, as a weighing does it: the day-file append,
// the seal record appended and synced, the chain's head replaced.
void BM_AppendSealedLine(benchmark::State& state)
{
    Recorder& r = TheRecorder();
    r.next();
    const QDate date = r.clock.currentDate();
    const QString line = JournalLine(1, r.terminal->state.Records(1));
    for (auto _ : state) {
        const SealedAppend written = AppendSealedLine(*r.terminal, line, date);
        if (!written.appended.ok() || !written.unsealed.isEmpty())
            state.SkipWithError("sealing failed");
    }
}
BENCHMARK(BM_AppendSealedLine)
    ->Apply([](benchmark::internal::Benchmark* b) { EachCallTimed(b, 200); });

// With an argument: the file first gets that many bytes beyond its records,
// as an older file may hold; they are read back and kept at every save.
void BM_SaveSettings(benchmark::State& state)
{
    Recorder& r = TheRecorder();
    const auto tail = state.range(0);
    QFile file(SettingsPath(*r.terminal));
    if (tail > 0 && file.size() != SettingsLayout::FileLength + tail) {
        const auto bytes = EncodeSettings(r.terminal->state, QByteArray(tail, 'x'));
        if (!bytes.ok() || !file.open(QIODevice::WriteOnly) || file.write(bytes.value) != bytes.value.size()) {
            state.SkipWithError("settings file could not be written");
            return;
        }
        file.close();
    }
    for (auto _ : state) {
        if (!SaveSettings(*r.terminal).ok())
            state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveSettings)
    ->Arg(0)
    ->Arg(100)
    ->Apply([](benchmark::internal::Benchmark* b) { EachCallTimed(b, 200); });

// A day file of `lines` weighings, as the terminal writes it.
QByteArray DayFileBytes(int lines)
{
    return ToCp1251(GeneratedJournal(lines));
}

void BM_LoadDayFile(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    BenchTerminal bench;
    Terminal& terminal = bench.terminal;
    const QByteArray bytes = DayFileBytes(lines);
    if (!WriteDayFile(terminal, bench.clock.currentDate(), bytes)) {
        state.SkipWithError("day file could not be written");
        return;
    }
    for (auto _ : state) {
        if (!LoadDayFile(terminal).ok())
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(terminal.state.JournalText);
    }
    if (terminal.state.JournalText.count(u'\n') != lines)
        state.SkipWithError("wrong number of lines loaded");
    // A label rather than a counter: the CSV report wants the same counters
    // in every row.
    state.SetLabel(std::to_string(bytes.size()) + " bytes");
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_LoadDayFile)->Arg(1000)->Arg(100000)->UseRealTime()->Unit(benchmark::kMillisecond);

// An earlier day looked up: its file read (not kept open) and its weighing
// lines counted and added up.
void BM_ReadPastDay(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    BenchTerminal bench;
    const QDate day = bench.clock.currentDate().addDays(-1);
    const QByteArray bytes = DayFileBytes(lines);
    if (!WriteDayFile(bench.terminal, day, bytes)) {
        state.SkipWithError("day file could not be written");
        return;
    }
    DayTotals totals;
    for (auto _ : state) {
        const DayJournal journal = ReadDayJournal(bench.terminal.dataDir, day);
        totals = CountDayTotals(journal.text);
        benchmark::DoNotOptimize(totals);
    }
    if (totals.weighings != lines)
        state.SkipWithError("wrong number of weighings counted");
    state.SetLabel(std::to_string(bytes.size()) + " bytes");
}
BENCHMARK(BM_ReadPastDay)->Arg(1000)->Arg(100000)->UseRealTime()->Unit(benchmark::kMillisecond);

// The decoding alone, to tell it from reading the file.
void BM_DecodeDayFile(benchmark::State& state)
{
    const QByteArray bytes = DayFileBytes(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(FromCp1251(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeDayFile)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
