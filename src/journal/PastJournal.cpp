#include "journal/PastJournal.h"

#include "core/Cp1251.h"
#include "core/DecimalNumber.h"
#include "core/ErrorText.h"
#include "core/TextRules.h"
#include "journal/DayFile.h"
#include "journal/JournalLineParse.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>


namespace {

QString Unreadable(const QDate& date, const QString& why)
{
    return QStringLiteral("Журнал за %1 не прочитан: %2").arg(DateText(date), why);
}


}  // namespace

DayJournal ReadDayJournal(const QString& dataDir, const QDate& date)
{
    const QString path = DayFileName(dataDir, date);
    const QFileInfo info(path);
    DayJournal journal;
    if (!info.exists() && !info.isSymLink())
        return journal;
    journal.kind = DayJournal::Kind::Unreadable;
    const QString shown = QDir::toNativeSeparators(path);
    if (info.isDir()) {
        journal.problem = Unreadable(date, QStringLiteral("на месте файла %1 находится папка.").arg(shown));
        return journal;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        journal.problem =
            info.exists() && !info.isReadable()
                ? Unreadable(date, QStringLiteral("нет доступа к файлу %1.").arg(shown))
                : Unreadable(date, QStringLiteral("файл %1 не открывается: %2.").arg(shown, FileErrorText(file)));
        return journal;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        journal.problem =
            Unreadable(date, QStringLiteral("ошибка чтения файла %1: %2.").arg(shown, FileErrorText(file)));
        return journal;
    }
    file.close();
    journal.kind = DayJournal::Kind::Read;
    journal.text = FromCp1251(bytes);
    return journal;
}

QSet<QDate> DaysWithJournal(const QString& dataDir)
{
    static const QRegularExpression name(QStringLiteral("^(\\d\\d)-(\\d\\d)-(\\d\\d\\d\\d)\\.txt$"));
    QSet<QDate> days;
    const QStringList files =
        QDir(dataDir).entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& file : files) {
        const QRegularExpressionMatch m = name.match(file);
        if (!m.hasMatch())
            continue;
        const QDate date(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
        if (date.isValid())
            days.insert(date);
    }
    return days;
}

DayTotals CountDayTotals(QStringView journalText)
{
    DayTotals totals;
    // Added as the running sum is, as decimals: 0.1 + 0.2 gives 0.3.
    double net = 0;
    const auto count = [&](QStringView line) {
        if (line.isEmpty())
            return;
        if (const auto weighing = ParseWeighingLine(line)) {
            ++totals.weighings;
            net = DecimalSum(net, weighing->net);
        } else if (IsSumLine(line)) {
            ++totals.sumLines;
        } else {
            ++totals.otherLines;
        }
    };
    qsizetype start = 0;
    const qsizetype size = journalText.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = journalText[i];
        if (c != u'\r' && c != u'\n')
            continue;
        count(journalText.sliced(start, i - start));
        if (c == u'\r' && i + 1 < size && journalText[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    count(journalText.sliced(start));
    totals.net = net;
    return totals;
}

QString DayTotalsText(const DayTotals& totals, const QLocale& locale)
{
    QString text = QStringLiteral("Взвешиваний: %1     Суммарный вес нетто: %2 кг")
                       .arg(DisplayNumberText(totals.weighings, locale), DisplayNumberText(totals.net, locale));
    if (totals.otherLines > 0)
        text += QStringLiteral("     Нераспознанных строк: %1").arg(totals.otherLines);
    return text;
}
