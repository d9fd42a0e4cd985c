#include "journal/SealCheck.h"

#include "core/TextRules.h"
#include "journal/DayFile.h"
#include "journal/SealFile.h"
#include "journal/SealKey.h"

#include <QFileInfo>

namespace {

// How far a removed or added run of lines is looked for past a line that no
// longer matches. Each step costs one HMAC; a longer run shows as changed
// lines instead, which is still a change.
constexpr qsizetype Lookahead = 64;

// Russian plural forms: 1 строка, 2 строки, 5 строк.
QString LineCount(int n)
{
    const int tens = n % 100;
    const int ones = n % 10;
    if (ones == 1 && tens != 11)
        return QStringLiteral("%1 строка").arg(n);
    if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        return QStringLiteral("%1 строки").arg(n);
    return QStringLiteral("%1 строк").arg(n);
}

QString GenuineText(int n)
{
    const bool one = n % 10 == 1 && n % 100 != 11;
    return QStringLiteral("Журнал подлинный: %1 %2")
        .arg(LineCount(n), one ? QStringLiteral("совпадает с записанной") : QStringLiteral("совпадают с записанными"));
}

// "Строки 3–4, 9 запечатаны …", or "Строка 9 запечатана …" for one line.
QString LateText(const QList<int>& lines)
{
    QStringList ranges;
    for (qsizetype k = 0; k < lines.size();) {
        qsizetype end = k;
        while (end + 1 < lines.size() && lines[end + 1] == lines[end] + 1)
            ++end;
        ranges << (end == k ? QString::number(lines[k])
                            : QStringLiteral("%1–%2").arg(lines[k]).arg(lines[end]));
        k = end + 1;
    }
    if (lines.size() == 1)
        return QStringLiteral("Строка %1 запечатана при запуске после сбоя").arg(ranges.first());
    return QStringLiteral("Строки %1 запечатаны при запуске после сбоя").arg(ranges.join(QStringLiteral(", ")));
}

struct Fault {
    enum class Kind { Changed, Removed, Added } kind;
    int line;   // the changed line; the first removed line's number; the line the added ones follow
    int count;  // lines concerned
};

QString FaultText(const Fault& fault)
{
    switch (fault.kind) {
    case Fault::Kind::Changed:
        return QStringLiteral("строка %1").arg(fault.line);
    case Fault::Kind::Removed:
        return QStringLiteral("удалены строки с %1").arg(fault.line);
    case Fault::Kind::Added:
        break;
    }
    return fault.line > 0 ? QStringLiteral("добавлены строки после %1").arg(fault.line)
                          : QStringLiteral("добавлены строки в начале");
}

QString ChangedText(const QList<Fault>& faults)
{
    int more = -faults.first().count;
    for (const Fault& fault : faults)
        more += fault.count;
    QString text = QStringLiteral("Журнал изменён после записи: ") + FaultText(faults.first());
    if (more > 0)
        text += QStringLiteral(", и ещё %1").arg(LineCount(more));
    return text;
}

// The day whose journal was deleted or replaced, when the link line does not
// continue the earlier day it names (or the chain's start) under this day's
// date; an invalid date when it does.
QDate BrokenLink(const QString& dataDir, const QDate& date, const SealLine& link, const QByteArray& key)
{
    QByteArray earlierCode = ChainStartCode(key);
    if (link.linkedDay.isValid()) {
        const Result<QByteArray> earlier = ReadWholeFile(SealFileName(dataDir, link.linkedDay), false);
        if (!earlier.ok())
            return link.linkedDay;
        const SealFileContent content = ParseSealFile(earlier.value);
        if (content.lines.isEmpty())
            return link.linkedDay;
        earlierCode = content.lines.last().code;
    }
    if (LinkCode(key, earlierCode, date) == link.code)
        return {};
    // Sealed under another date: this day's files are another day's, copied
    // or renamed. Otherwise the earlier day changed since.
    const QDate from = link.linkedDay.isValid() ? link.linkedDay.addDays(1) : date.addYears(-1);
    for (QDate other = from; other <= date.addYears(1); other = other.addDays(1)) {
        if (other != date && LinkCode(key, earlierCode, other) == link.code)
            return date;
    }
    return link.linkedDay.isValid() ? link.linkedDay : date;
}

SealCheck Finished(SealCheck check, SealCheck::Verdict verdict, QString text)
{
    check.verdict = verdict;
    check.text = std::move(text);
    return check;
}

}  // namespace

SealCheck CheckDaySeal(const QString& dataDir, const QDate& date, const QByteArray& dayBytes)
{
    using Verdict = SealCheck::Verdict;
    SealCheck check;
    const QList<QByteArray> lines = SplitJournalLines(dayBytes);
    const QString sealPath = SealFileName(dataDir, date);
    const QFileInfo sealInfo(sealPath);

    if (!sealInfo.exists() && !sealInfo.isSymLink()) {
        if (lines.isEmpty())
            return check;
        // Before the first sealed day the journal simply had no seal yet;
        // after it, a day without one lost it.
        const QList<QDate> sealed = SealedDays(dataDir);
        if (sealed.isEmpty() || sealed.first() > date)
            return Finished(check, Verdict::NoSeal, QStringLiteral("Журнал без печати (записан до её появления)"));
        for (int n = 1; n <= lines.size(); ++n)
            check.faultyLines << n;
        return Finished(check, Verdict::SealMissing,
                        QStringLiteral("Журнал без печати: файл печати за этот день удалён или не записан"));
    }

    const Result<QByteArray> key = ReadSealKey(dataDir);
    if (!key.ok())
        return Finished(check, Verdict::NotChecked, QStringLiteral("Печать не проверена: %1").arg(key.status.description));
    const Result<QByteArray> sealBytes = ReadWholeFile(sealPath, false);
    if (!sealBytes.ok()) {
        return Finished(check, Verdict::NotChecked,
                        QStringLiteral("Печать не проверена: %1").arg(sealBytes.status.description));
    }
    const QList<SealLine> seals = ParseSealFile(sealBytes.value).lines;
    const bool linked = !seals.isEmpty() && seals.first().number == 0;

    // Each seal line is checked against the code written above it, so one
    // changed line shows as one line, and a removed or added run is found by
    // looking ahead for the next pair that agrees again.
    const auto verifies = [&](qsizetype i, qsizetype j) {
        if (i == 0 || seals[i].code.isEmpty() || seals[i - 1].code.isEmpty())
            return false;
        return ChainCode(key.value, seals[i - 1].code, lines[j]) == seals[i].code;
    };
    const qsizetype sealCount = seals.size();
    const qsizetype lineCount = lines.size();
    const auto removedFrom = [&](qsizetype i) { return seals[i].number > 0 ? seals[i].number : static_cast<int>(i); };
    QList<Fault> faults;
    qsizetype i = linked ? 1 : 0;
    qsizetype j = 0;
    while (i < sealCount && j < lineCount) {
        if (verifies(i, j)) {
            ++check.matching;
            if (seals[i].late)
                check.lateLines << static_cast<int>(j + 1);
            ++i;
            ++j;
            continue;
        }
        if (i + 1 < sealCount && j + 1 < lineCount && verifies(i + 1, j + 1)) {
            faults.append({Fault::Kind::Changed, static_cast<int>(j + 1), 1});
            check.faultyLines << static_cast<int>(j + 1);
            ++i;
            ++j;
            continue;
        }
        qsizetype removed = 1;
        while (removed <= Lookahead && i + removed < sealCount && !verifies(i + removed, j))
            ++removed;
        if (removed <= Lookahead && i + removed < sealCount) {
            faults.append({Fault::Kind::Removed, removedFrom(i), static_cast<int>(removed)});
            i += removed;
            continue;
        }
        qsizetype added = 1;
        while (added <= Lookahead && j + added < lineCount && !verifies(i, j + added))
            ++added;
        if (added <= Lookahead && j + added < lineCount) {
            faults.append({Fault::Kind::Added, static_cast<int>(j), static_cast<int>(added)});
            for (qsizetype k = j; k < j + added; ++k)
                check.faultyLines << static_cast<int>(k + 1);
            j += added;
            continue;
        }
        faults.append({Fault::Kind::Changed, static_cast<int>(j + 1), 1});
        check.faultyLines << static_cast<int>(j + 1);
        ++i;
        ++j;
    }
    if (i < sealCount)
        faults.append({Fault::Kind::Removed, removedFrom(i), static_cast<int>(sealCount - i)});
    if (j < lineCount) {
        faults.append({Fault::Kind::Added, static_cast<int>(j), static_cast<int>(lineCount - j)});
        for (qsizetype k = j; k < lineCount; ++k)
            check.faultyLines << static_cast<int>(k + 1);
    }

    if (!faults.isEmpty())
        return Finished(check, Verdict::Changed, ChangedText(faults));
    const QDate broken = linked ? BrokenLink(dataDir, date, seals.first(), key.value) : date;
    if (broken.isValid()) {
        return Finished(check, Verdict::ChainBroken,
                        QStringLiteral("Цепочка прервана: журнал за %1 удалён или заменён").arg(DateText(broken)));
    }
    if (lineCount == 0)
        return check;
    if (!check.lateLines.isEmpty()) {
        return Finished(check, Verdict::SealedLate,
                        GenuineText(check.matching) + QStringLiteral(". ") + LateText(check.lateLines));
    }
    return Finished(check, Verdict::Genuine, GenuineText(check.matching));
}

SealCheck CheckDaySeal(const QString& dataDir, const QDate& date)
{
    const Result<QByteArray> day = ReadWholeFile(DayFileName(dataDir, date), true);
    if (!day.ok()) {
        SealCheck check;
        check.verdict = SealCheck::Verdict::NotChecked;
        check.text = QStringLiteral("Печать не проверена: %1").arg(day.status.description);
        return check;
    }
    return CheckDaySeal(dataDir, date, day.value);
}
