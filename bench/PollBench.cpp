// One polling pass (Timer1_Timer then Timer2_Timer) of either scale kind with
// a given number of bytes waiting in the port, and the pieces a pass is made
// of. Automatic weighing is on throughout; the weight alternates between two
// values at every pass, so the detector runs its comparisons but never
// records, and no file is written while measuring.

#include "AllocationCount.h"
#include "BenchSeams.h"

#include "core/Terminal.h"
#include "core/TextRules.h"
#include "scale/ParseLeadingNumber.h"
#include "scale/PollingCycle.h"
#include "scale/ScaleReaders.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

// Repeats the unit up to exactly `size` bytes; the last copy may be cut, as a
// frame still arriving would be.
QByteArray Repeated(const QByteArray& unit, qsizetype size)
{
    QByteArray bytes;
    while (bytes.size() < size)
        bytes += unit;
    bytes.truncate(size);
    return bytes;
}

QByteArray VeltarFrame(const char* weight)
{
    return QByteArray("\x02") + weight + "ST";
}

// The AED's answer first, then a backlog of further answers as filler; the
// reader only looks at the first eight characters.
QByteArray AedWaiting(const char* answer, qsizetype size)
{
    return Repeated(QByteArray(answer), size);
}

struct Bench {
    BenchPort port;
    BenchClock clock;
    BenchPanel panel;
    Terminal terminal{TerminalState{}, Display{}, port, clock, panel, QStringLiteral("/nonexistent/")};

    explicit Bench(std::int16_t kind)
    {
        SetDefaults(terminal.state);
        terminal.state.ScaleKind = kind;
        terminal.state.AutoWeighOn = 1;
        terminal.state.MinWeightGrams = 200;
    }
};

// Allocations per iteration since `before`, as the counter every benchmark
// here reports (the CSV report wants the same counters in each row).
void CountAllocations(benchmark::State& state, std::uint64_t before)
{
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(AllocationCount() - before), benchmark::Counter::kAvgIterations);
}

// Two texts waiting in turn: the weight differs between them, so no three
// readings in a row are equal.
void RunPasses(benchmark::State& state, std::int16_t kind, const std::array<QByteArray, 2>& waiting)
{
    Bench b(kind);
    std::size_t turn = 0;
    const std::uint64_t allocationsBefore = AllocationCount();
    for (auto _ : state) {
        b.port.waiting = waiting[turn];  // shares the bytes; no copy
        turn ^= 1;
        Timer1_Timer(b.terminal);
        Timer2_Timer(b.terminal);
        benchmark::DoNotOptimize(b.terminal.display.Label2);
    }
    CountAllocations(state, allocationsBefore);
    if (b.panel.beeps != 0)
        state.SkipWithError("the detector recorded a weighing");
    state.SetBytesProcessed(state.iterations() * waiting[0].size());
}

void BM_PollPass_Veltar(benchmark::State& state)
{
    const auto size = state.range(0);
    RunPasses(state, ScaleKindVeltar,
              {Repeated(VeltarFrame("  12.50"), size), Repeated(VeltarFrame("  12.60"), size)});
}
BENCHMARK(BM_PollPass_Veltar)->Arg(0)->Arg(300)->Arg(1024);

void BM_PollPass_Aed(benchmark::State& state)
{
    const auto size = state.range(0);
    // 24865 counts are 12.49988 kg (shown as 12.4), 24885 are 12.50994 (12.5).
    RunPasses(state, ScaleKindAed, {AedWaiting("   24865\r\n", size), AedWaiting("   24885\r\n", size)});
}
BENCHMARK(BM_PollPass_Aed)->Arg(0)->Arg(300)->Arg(1024);

// The pieces, to tell where a pass spends its time.

void BM_Decode(benchmark::State& state)
{
    const QByteArray bytes = Repeated(VeltarFrame("  12.50"), state.range(0));
    const std::uint64_t allocationsBefore = AllocationCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(FromCp1251(bytes));
    CountAllocations(state, allocationsBefore);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_Decode)->Arg(300)->Arg(1024);

void BM_FindFrame(benchmark::State& state)
{
    // The worst place for the frame: only its last copy is whole.
    QByteArray bytes(state.range(0) - 10, ' ');
    bytes += VeltarFrame("  12.50");
    const QString text = FromCp1251(bytes);
    const std::uint64_t allocationsBefore = AllocationCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(FindFrame(text));
    CountAllocations(state, allocationsBefore);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_FindFrame)->Arg(300)->Arg(1024);

void BM_ParseLeadingNumber(benchmark::State& state)
{
    const QString text = QStringLiteral("  12.50");
    const std::uint64_t allocationsBefore = AllocationCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseLeadingNumber(text));
    CountAllocations(state, allocationsBefore);
}
BENCHMARK(BM_ParseLeadingNumber);

void BM_DisplayNumberText(benchmark::State& state)
{
    const QLocale locale;
    double value = 12.5;
    const std::uint64_t allocationsBefore = AllocationCount();
    for (auto _ : state) {
        benchmark::DoNotOptimize(DisplayNumberText(value, locale));
        value = value == 12.5 ? 12.6 : 12.5;
    }
    CountAllocations(state, allocationsBefore);
}
BENCHMARK(BM_DisplayNumberText);

}  // namespace

BENCHMARK_MAIN();
