#include "journal/Summation.h"

#include "core/Cp1251.h"
#include "core/ErrorText.h"
#include "core/SettingsFile.h"
#include "core/TextRules.h"
#include "journal/DayFile.h"
#include "journal/JournalLine.h"
#include "journal/SealWrite.h"

#include <QStringList>

void Command3_Click(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    Display& d = terminal.display;
    QStringList problems;

    if (s.SumOn == 1) {
        s.SumOn = 0;
        d.Command3 = SwitchOffLook;
        const QString line = SumLine(s.SumCount, s.SumWeight);
        s.JournalText += line + LineEnd;
        d.Text1 = s.JournalText;
        d.Text1SelStart = s.JournalText.size();
        const SealedAppend written = AppendSealedLine(terminal, line, terminal.clock.currentDate());
        if (!written.appended.ok()) {
            problems << QStringLiteral("Строка суммы показана в журнале на экране, но не записана в файл журнала: %1.")
                            .arg(AfterColon(written.appended.description));
        } else if (!written.unsealed.isEmpty()) {
            problems << QStringLiteral("Строка суммы записана, но не запечатана: %1.").arg(AfterColon(written.unsealed));
        }
        if (!written.note.isEmpty())
            problems << written.note;
        // The totals stay on view until the next weighing or activation.
        if (const Status saved = SaveSettings(terminal); !saved.ok()) {
            problems << QStringLiteral("Состояние суммирования не сохранено в файле настроек: %1.")
                            .arg(AfterColon(saved.description));
        }
    } else {
        s.SumOn = 1;
        d.Command3 = SwitchOnLook;
        s.SumWeight = 0;
        s.SumCount = 0;
        d.Label8 = DisplayNumberText(s.SumWeight);
        d.Label9 = DisplayNumberText(s.SumCount);
    }

    if (!problems.isEmpty())
        terminal.panel.message(problems.join(u'\n'));
}
