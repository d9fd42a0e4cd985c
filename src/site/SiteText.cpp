#include "site/SiteText.h"

#include <QStringList>

#include <algorithm>

namespace {

// No more conflicting lines are quoted in one message than fit a message box.
constexpr int QuotedLines = 5;

QString Date(const QDate& day)
{
    return day.toString(QStringLiteral("dd.MM.yyyy"));
}

// "из 1 строки", "из 5 строк": the genitive after "из".
QString OfLines(qint64 count)
{
    return count % 10 == 1 && count % 100 != 11 ? QStringLiteral("строки") : QStringLiteral("строк");
}

}  // namespace

QString LineList(QList<int> lines)
{
    std::sort(lines.begin(), lines.end());
    QStringList parts;
    for (qsizetype i = 0; i < lines.size();) {
        qsizetype j = i;
        while (j + 1 < lines.size() && lines[j + 1] == lines[j] + 1)
            ++j;
        parts << (j > i ? QStringLiteral("%1–%2").arg(lines[i]).arg(lines[j]) : QString::number(lines[i]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

QString ConflictText(const QDate& day, const QList<LineConflict>& conflicts, const QList<int>& removed)
{
    QStringList parts;
    for (qsizetype i = 0; i < conflicts.size() && i < QuotedLines; ++i) {
        // A TAB would stretch across a message box.
        const auto shown = [](QString text) { return text.replace(u'\t', u' '); };
        parts << QStringLiteral("строка %1: в базе «%2», в файле «%3»")
                     .arg(conflicts[i].line)
                     .arg(shown(conflicts[i].held), shown(conflicts[i].file));
    }
    if (conflicts.size() > QuotedLines)
        parts << QStringLiteral("и ещё %1").arg(conflicts.size() - QuotedLines);
    if (!removed.isEmpty())
        parts << QStringLiteral("строки %1 есть в базе, но их нет в файле").arg(LineList(removed));
    return QStringLiteral("Журнал за %1 изменён после передачи в базу данных площадки: %2. "
                          "Записи в базе не изменены.")
        .arg(Date(day), parts.join(QStringLiteral("; ")));
}

QString LinesWaitingText(int waiting, const QString& problem)
{
    const QString why = problem.isEmpty() ? QStringLiteral("передача идёт, но не успевает") : problem;
    return QStringLiteral("Строки журнала ждут передачи в базу данных площадки уже 10 минут (ждут: %1): %2. "
                          "Взвешивания записываются в журнал как обычно; строки будут переданы, когда база "
                          "станет доступна.")
        .arg(waiting)
        .arg(why);
}

QString AllLinesSentText()
{
    return QStringLiteral("Все строки журнала переданы в базу данных площадки.");
}

QString NoTablesText(const QString& reason)
{
    return QStringLiteral("В базе данных площадки нет таблиц журнала, и у роли терминала нет права их создать (%1). "
                          "Попросите администратора базы выполнить SQL из раздела «База данных площадки» "
                          "руководства. Взвешивания записываются как обычно; строки ждут передачи.")
        .arg(reason);
}

QString NoPrivilegeText(const QString& reason)
{
    return QStringLiteral("У роли терминала в базе данных площадки нет нужного права (%1). Попросите администратора "
                          "базы выполнить GRANT из раздела «База данных площадки» руководства. Строки ждут "
                          "передачи.")
        .arg(reason);
}

QString NewerSchemaText(int version)
{
    return QStringLiteral("Таблицы базы данных площадки новой версии (%1), эта программа знает версию 1: строки "
                          "журнала в базу не передаются, пока программа не обновлена.")
        .arg(version);
}

QString OutboxNotSavedText(const QString& reason)
{
    return QStringLiteral("Не удалось сохранить отметку о строках, переданных в базу данных площадки (%1). "
                          "Передача идёт; после перезапуска программы эти строки будут переданы ещё раз, "
                          "в базе каждая останется одна.")
        .arg(reason);
}

QString DayDatabaseText(const SiteDayStatus& day, qint64 dayLines)
{
    const int held = day.known ? day.held : 0;
    QString text;
    if (dayLines <= 0 && held == 0)
        return QStringLiteral("База данных площадки: строк этого дня нет.");
    if (held >= dayLines)
        text = QStringLiteral("База данных площадки: в базе все строки дня (%1).").arg(held);
    else if (held == 0)
        text = QStringLiteral("База данных площадки: ни одна из %1 %2 дня ещё не передана.").arg(dayLines).arg(OfLines(dayLines));
    else
        text = QStringLiteral("База данных площадки: в базе %1 из %2 %3, остальные ждут передачи.")
                   .arg(held)
                   .arg(dayLines)
                   .arg(OfLines(dayLines));
    if (!day.conflicts.isEmpty()) {
        text += QStringLiteral(" Расходятся с файлом: %1 %2 (в базе записано иначе или удалено из файла).")
                    .arg(day.conflicts.size() == 1 ? QStringLiteral("строка") : QStringLiteral("строки"),
                         LineList(day.conflicts));
    }
    return text;
}
