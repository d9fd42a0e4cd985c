#include "journal/RecordWeighing.h"

#include "core/Cp1251.h"
#include "core/DecimalNumber.h"
#include "core/ErrorText.h"
#include "core/SettingsFile.h"
#include "core/TextRules.h"
#include "journal/DayFile.h"
#include "journal/JournalLine.h"
#include "journal/SealWrite.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <limits>

namespace {

constexpr std::int16_t CounterMax = std::numeric_limits<std::int16_t>::max();

// Today's file as an ordinary file: its name, or empty when there is none.
QString FindOrdinaryFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden() ? info.fileName() : QString();
}

}  // namespace

Status RecordWeighing(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    Display& d = terminal.display;

    // The clock is read once, so a weighing at midnight cannot carry one
    // day's number or date into the other day's file.
    const QDate date = terminal.clock.currentDate();
    const QTime time = terminal.clock.currentTime();
    s.DayFilePath = DayFileName(terminal.dataDir, date);
    s.FoundName = FindOrdinaryFile(s.DayFilePath);
    // No file for today: numbering starts again. A damaged negative count
    // starts it again too rather than index outside the day's table.
    const int base = s.FoundName.isEmpty() || s.DayIndex < 0 ? 0 : s.DayIndex;
    const int dayIndex = base + 1;

    // The limits are checked before anything changes, so a refused weighing
    // leaves no trace but the operator's message.
    if (dayIndex > WeighingRecords::Last) {
        return Status::failure(ErrorNumber::Overflow,
                               QStringLiteral("Взвешивание не записано: за один день можно записать не более %1 "
                                              "взвешиваний.")
                                   .arg(WeighingRecords::Last));
    }
    if (s.SumOn == 1 && s.SumCount >= CounterMax) {
        return Status::failure(ErrorNumber::Overflow,
                               QStringLiteral("Взвешивание не записано: в сумме уже %1 взвешиваний. "
                                              "Выключите суммирование и начните новую сумму.")
                                   .arg(CounterMax));
    }
    // A sum past the largest number would reach the labels, the sum line and
    // the settings file as "inf".
    if (s.SumOn == 1 && !std::isfinite(DecimalSum(s.SumWeight, s.NetWeight))) {
        return Status::failure(ErrorNumber::Overflow,
                               QStringLiteral("Взвешивание не записано: суммарный вес вышел бы за пределы чисел, "
                                              "которые программа может сохранить. Выключите суммирование и "
                                              "начните новую сумму."));
    }

    // A life-time count that nothing shows: it stops at its limit rather than
    // stop the weighing.
    if (s.TotalCount < CounterMax)
        ++s.TotalCount;
    s.DayIndex = static_cast<std::int16_t>(dayIndex);

    WeighingRecord& record = s.Records(s.DayIndex);
    record.RecordDate = DateText(date);
    record.RecordTime = TimeText(time);
    record.Net = s.NetWeight;
    record.Tare = s.TareRounded;

    s.FileLine = JournalLine(s.DayIndex, record);
    s.ScreenLine = s.FileLine + LineEnd;
    s.JournalText += s.ScreenLine;

    if (s.SumOn == 1) {
        // Added as decimals: a sum of 0.1, 0.2 and -0.3 is 0, not binary noise.
        s.SumWeight = DecimalSum(s.SumWeight, s.NetWeight);
        ++s.SumCount;
    } else {
        s.SumWeight = 0;
        s.SumCount = 0;
    }

    QStringList problems;
    const SealedAppend written = AppendSealedLine(terminal, s.FileLine, date);
    if (!written.appended.ok()) {
        problems << QStringLiteral("Взвешивание №%1 показано в журнале на экране, но не записано в файл журнала: %2.")
                        .arg(s.DayIndex)
                        .arg(AfterColon(written.appended.description));
    } else if (!written.unsealed.isEmpty()) {
        // The weighing stands: only its proof against later edits is missing.
        problems << QStringLiteral("Взвешивание №%1 записано, но не запечатано: %2.")
                        .arg(s.DayIndex)
                        .arg(AfterColon(written.unsealed));
    }
    if (!written.note.isEmpty())
        problems << written.note;
    // The counters are saved even when the line could not be appended: they
    // already count the weighing on screen.
    if (const Status saved = SaveSettings(terminal); !saved.ok()) {
        problems << QStringLiteral("Счетчики взвешиваний не сохранены в файле настроек: %1.")
                        .arg(AfterColon(saved.description));
    }

    d.Label8 = DisplayNumberText(s.SumWeight);
    d.Label9 = DisplayNumberText(s.SumCount);
    d.Text1 = s.JournalText;
    d.Text1SelStart = s.JournalText.size();

    if (!problems.isEmpty())
        return Status::failure(ErrorNumber::DeviceIo, problems.join(u'\n'));
    return Status::success();
}

void Command4_Click(Terminal& terminal)
{
    terminal.panel.beep();
    if (const Status recorded = RecordWeighing(terminal); !recorded.ok())
        terminal.panel.message(recorded.description);
}
