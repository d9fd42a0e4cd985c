#include "ui/SealView.h"

#include "ui/JournalBox.h"

#include <QColor>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace {

// Text colours dark enough to read on the window's grey; a changed line's
// background light enough to read its figures through.
const QColor FaultText(0xB0, 0x00, 0x00);
const QColor WarningText(0x80, 0x60, 0x00);
const QColor GenuineText(0x00, 0x64, 0x00);
const QColor FaultyLineBackground(0xFF, 0xC0, 0xC0);

}  // namespace

void ShowSealCheck(const SealCheck& check, QLabel* status, QPlainTextEdit* box, bool boxShowsJournal)
{
    using Verdict = SealCheck::Verdict;
    status->setText(check.text);
    QColor colour = status->palette().color(QPalette::WindowText);
    if (check.fault())
        colour = FaultText;
    else if (check.verdict == Verdict::SealedLate || check.verdict == Verdict::NoSeal)
        colour = WarningText;
    else if (check.verdict == Verdict::Genuine)
        colour = GenuineText;
    QPalette palette = status->palette();
    palette.setColor(QPalette::WindowText, colour);
    status->setPalette(palette);
    // Only the lines the box holds: a very long day shows its first lines.
    QList<int> shown;
    if (boxShowsJournal) {
        const int blocks = box->document()->blockCount();
        for (const int line : check.faultyLines) {
            if (line > blocks)
                break;
            shown.append(line);
        }
    }
    markLines(box, shown, FaultyLineBackground);
}
