#include "ui/ExportWeighings.h"

#include "core/ErrorText.h"
#include "core/WholeFile.h"
#include "link/WeighingRows.h"
#include "link/WeighingsCsv.h"
#include "ui/PrintReport.h"

#include <QDir>

namespace {

QString DayText(const QDate& date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString RangeText(const QDate& from, const QDate& to, const QString& between)
{
    return from == to ? DayText(from) : DayText(from) + between + DayText(to);
}

}  // namespace

QString ExportFileName(const Terminal& terminal, const QDate& from, const QDate& to)
{
    return DocumentsFolder(terminal) + WeighingsCsvFileName(from, to);
}

void ExportWeighings(Terminal& terminal, const QDate& from, const QDate& to)
{
    const WeighingRows read = ReadWeighingRows(terminal.dataDir, from, to);
    const QString range = RangeText(from, to, QStringLiteral("–"));
    QString text;
    if (read.rows.isEmpty()) {
        text = QStringLiteral("За %1 взвешиваний нет, файл не создан.").arg(range);
    } else {
        const QString file = ExportFileName(terminal, from, to);
        const QString shown = QDir::toNativeSeparators(file);
        // Written whole or not at all: a spreadsheet never opens half a
        // table, and an earlier export of the same days stays until then.
        if (const auto failed = SaveWholeFile(file, WeighingsCsv(read.rows))) {
            text = QStringLiteral("Взвешивания за %1 не сохранены в файле %2: %3.").arg(range, shown, failed->cause);
            // Most often the earlier export, still open in a spreadsheet.
            if (failed->cause == CauseText(FailureCause::HeldByProgram))
                text += QStringLiteral(" Закройте его и повторите экспорт.");
        } else {
            text = QStringLiteral("Взвешивания за %1 (%2) сохранены в файле %3")
                       .arg(range)
                       .arg(read.rows.size())
                       .arg(shown);
        }
    }
    if (read.unrecognised > 0)
        text += QStringLiteral("\nНераспознанных строк, не вошедших в файл: %1.").arg(read.unrecognised);
    for (const QString& problem : read.problems)
        text += u'\n' + problem;
    terminal.panel.message(text);
}
