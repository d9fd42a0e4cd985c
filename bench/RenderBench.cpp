// The main window's share of a recording when the day's journal is long:
// showing one new line, a render with nothing new (every polling tick), and,
// for comparison, filling the journal box from scratch. Also the day journal
// window opening a long day. The window is shown
// off screen and its timers are stopped, so nothing but the measured step
// touches it.

#include "BenchSeams.h"
#include "GeneratedJournal.h"

#include "core/Terminal.h"
#include "core/TextRules.h"
#include "journal/JournalLine.h"
#include "journal/DayFile.h"
#include "ui/DayJournalWindow.h"
#include "ui/Form1.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

constexpr int GrowthLimit = 200;  // iterations: the journal grows by at most this many lines


// Until the window has shown the day it reads.
void WaitShown(const DayJournalWindow& window)
{
    QCoreApplication::processEvents();
    while (window.reading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

struct Window {
    BenchPort port;
    BenchClock clock;
    BenchPanel panel;
    Terminal terminal{TerminalState{}, Display{}, port, clock, panel, QStringLiteral("/nonexistent/")};
    std::unique_ptr<Form1> form;
    int next = 0;

    explicit Window(int lines)
    {
        SetDefaults(terminal.state);
        terminal.state.JournalText = GeneratedJournal(lines);
        terminal.display.Text1 = terminal.state.JournalText;
        terminal.display.Text1SelStart = terminal.state.JournalText.size();
        form = std::make_unique<Form1>(terminal);
        form->Timer1->stop();
        form->PortRetry->stop();
        form->show();
        form->render();
        QCoreApplication::processEvents();
        next = lines + 1;
    }

    // What a recording does to the journal and to the Display record.
    void addLine()
    {
        WeighingRecord record;
        record.RecordDate = DateText(clock.currentDate());
        record.RecordTime = TimeText(clock.currentTime());
        record.Net = 12.5;
        terminal.state.JournalText += JournalLine(next++, record) + LineEnd;
        terminal.display.Text1 = terminal.state.JournalText;
        terminal.display.Text1SelStart = terminal.state.JournalText.size();
    }
};

// render() and the repaint it causes, for a journal one line longer.
void BM_RenderNewLine(benchmark::State& state)
{
    Window w(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        w.addLine();
        state.ResumeTiming();
        w.form->render();
        QCoreApplication::processEvents();
    }
    if (w.form->Text1->blockCount() != w.next)  // the box holds every line and the empty last one
        state.SkipWithError("journal box out of step");
}
BENCHMARK(BM_RenderNewLine)->Arg(1000)->Arg(10000)->Iterations(GrowthLimit)->Unit(benchmark::kMicrosecond);

// The journal text growing by one line while the window shows it: the text
// is shared with the window, so the append copies it.
void BM_JournalAppendWhileShown(benchmark::State& state)
{
    Window w(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        w.addLine();
        state.PauseTiming();
        w.form->render();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_JournalAppendWhileShown)->Arg(1000)->Arg(10000)->Iterations(GrowthLimit)->Unit(benchmark::kMicrosecond);

// Every polling tick renders; with nothing new the journal box is left alone.
void BM_RenderUnchanged(benchmark::State& state)
{
    Window w(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        w.form->render();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_RenderUnchanged)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// What a render would cost if it laid the whole journal out again.
void BM_RebuildJournalBox(benchmark::State& state)
{
    Window w(static_cast<int>(state.range(0)));
    QString box = w.terminal.state.JournalText;
    box.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (auto _ : state) {
        w.form->Text1->setPlainText(box);
        w.form->Text1->moveCursor(QTextCursor::End);
        w.form->Text1->ensureCursorVisible();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_RebuildJournalBox)->Arg(1000)->Arg(10000)->Iterations(20)->Unit(benchmark::kMillisecond);

// The day journal window choosing a day: the file read, the lines counted
// and added up (on the window's reading thread, waited for here), the box
// filled with the lines it shows, and the repaint. Two long days take turns,
// so every showing lays the box out anew.
void BM_DayJournalWindowShowsDay(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    BenchTerminal bench;
    Terminal& terminal = bench.terminal;
    const BenchClock& clock = bench.clock;
    const QByteArray journal = ToCp1251(GeneratedJournal(lines));
    const QDate days[2] = {clock.currentDate().addDays(-2), clock.currentDate().addDays(-1)};
    for (const QDate& day : days) {
        // The second day differs from its first line on.
        if (!WriteDayFile(terminal, day, day == days[0] ? journal : QByteArray("\r\n") + journal)) {
            state.SkipWithError("day file could not be written");
            return;
        }
    }
    DayJournalWindow window(terminal, nullptr);
    window.show();
    QCoreApplication::processEvents();
    int turn = 0;
    for (auto _ : state) {
        window.showDay(days[turn++ % 2]);
        WaitShown(window);
    }
    if (window.Journal->blockCount() < std::min(lines + 1, ShownLinesLimit))
        state.SkipWithError("the window does not show the day");
}
BENCHMARK(BM_DayJournalWindowShowsDay)->Arg(100000)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);

// The day on view chosen again, its file unchanged: read and totalled, the
// box left as it is.
void BM_DayJournalWindowSameDayAgain(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    BenchTerminal bench;
    Terminal& terminal = bench.terminal;
    const BenchClock& clock = bench.clock;
    if (!WriteDayFile(terminal, clock.currentDate(), ToCp1251(GeneratedJournal(lines)))) {
        state.SkipWithError("day file could not be written");
        return;
    }
    DayJournalWindow window(terminal, nullptr);
    window.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        window.showDay(clock.currentDate());
        WaitShown(window);
    }
}
BENCHMARK(BM_DayJournalWindowSameDayAgain)->Arg(100000)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
