#include "journal/PastJournal.h"

#include "core/DecimalNumber.h"
#include "core/ErrorText.h"
#include "core/OrdinaryFile.h"
#include "core/TextRules.h"
#include "journal/DayFile.h"
#include "journal/DayFileText.h"
#include "journal/JournalLineParse.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>


namespace {

// No more line numbers than fit on the summary's line.
constexpr int ListedLineNumbers = 10;

QString Unreadable(const QDate& date, const QString& why)
{
    return QStringLiteral("Журнал за %1 не прочитан: %2").arg(DayDateText(date), why);
}

// Why the file could not be opened, said of the file or of its folder.
QString OpenProblem(const QString& dataDir, const QString& path, const OpenFailure& failure)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QString folder = QDir::toNativeSeparators(dataDir);
    if (failure.cause == FailureCause::FolderInPlace)
        return QStringLiteral("на месте файла %1 находится папка.").arg(shown);
    if (failure.cause == FailureCause::NotOrdinaryFile)
        return QStringLiteral("на месте файла %1 находится не обычный файл.").arg(shown);
    if (QFileInfo::exists(path)) {
        if (failure.cause == FailureCause::AccessDenied)
            return QStringLiteral("нет доступа к файлу %1.").arg(shown);
        return QStringLiteral("файл %1 не открывается: %2.").arg(shown, failure.text);
    }
    // The file could not even be looked up: the folder is what fails.
    // Without its trailing separator: "file/" names nothing when file is a file.
    const QFileInfo dir(QDir::cleanPath(dataDir));
    if (!dir.exists() && failure.cause == FailureCause::NotFound)
        return QStringLiteral("папка данных %1 не найдена.").arg(folder);
    if (dir.exists() && !dir.isDir())
        return QStringLiteral("папка данных %1 не читается: на месте папки находится файл.").arg(folder);
    return QStringLiteral("папка данных %1 не читается: %2.").arg(folder, failure.text);
}

}  // namespace

QString DayDateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

DayJournal ReadDayJournal(const QString& dataDir, const QDate& date)
{
    const QString path = DayFileName(dataDir, date);
    DayJournal journal;
    QFile file(path);
    if (const auto failed = OpenOrdinaryFile(file, QIODevice::ReadOnly)) {
        // No file in a folder that is there is a day without weighings.
        if (failed->cause == FailureCause::NotFound && QFileInfo(QDir::cleanPath(dataDir)).isDir())
            return journal;
        journal.kind = DayJournal::Kind::Unreadable;
        journal.problem = Unreadable(date, OpenProblem(dataDir, path, *failed));
        return journal;
    }
    journal.kind = DayJournal::Kind::Unreadable;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        journal.problem = Unreadable(date, QStringLiteral("ошибка чтения файла %1: %2.")
                                               .arg(QDir::toNativeSeparators(path), FileErrorText(file)));
        return journal;
    }
    file.close();
    journal.kind = DayJournal::Kind::Read;
    journal.text = DayFileText(bytes);
    return journal;
}

QSet<QDate> DaysWithJournal(const QString& dataDir)
{
    QSet<QDate> days;
    const QFileInfoList files =
        QDir(dataDir).entryInfoList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        // A pipe or a device by a day's name is no journal (System lists them).
        if (!file.isFile())
            continue;
        // Read without a regular expression: the site database's sender
        // lists days on a thread of its own, and under MinGW the JIT stack
        // a regular expression leaves with such a thread crashed at its end.
        const QString name = file.fileName();
        if (name.size() != 14)
            continue;
        const QDate date = QDate::fromString(name, QStringLiteral("MM-dd-yyyy'.txt'"));
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
    ForEachJournalLine(journalText, [&](QStringView line) {
        ++totals.lines;
        if (line.isEmpty())
            return true;
        if (const auto weighing = ParseWeighingLine(line)) {
            ++totals.weighings;
            net = DecimalSum(net, weighing->net);
        } else if (IsSumLine(line)) {
            ++totals.sumLines;
        } else {
            ++totals.otherLines;
            totals.otherLineNumbers.append(totals.lines);
        }
        return true;
    });
    totals.net = net;
    return totals;
}

QString DayTotalsText(const DayTotals& totals, const QLocale& locale)
{
    QString text = QStringLiteral("Взвешиваний: %1     Суммарный вес нетто: %2 кг")
                       .arg(DisplayNumberText(totals.weighings, locale), DisplayNumberText(totals.net, locale));
    if (totals.otherLines > 0) {
        QStringList numbers;
        for (qsizetype i = 0; i < totals.otherLineNumbers.size() && i < ListedLineNumbers; ++i)
            numbers.append(QString::number(totals.otherLineNumbers[i]));
        if (totals.otherLineNumbers.size() > ListedLineNumbers)
            numbers.append(QStringLiteral("…"));
        text += QStringLiteral("     Нераспознанных строк: %1 (%2 %3)")
                    .arg(QString::number(totals.otherLines),
                         totals.otherLines == 1 ? QStringLiteral("строка") : QStringLiteral("строки"),
                         numbers.join(QStringLiteral(", ")));
    }
    return text;
}
