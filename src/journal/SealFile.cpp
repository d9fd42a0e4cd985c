#include "journal/SealFile.h"

#include "core/ErrorText.h"
#include "core/OrdinaryFile.h"
#include "core/TextRules.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>

#include <algorithm>

namespace {

constexpr int CodeHexDigits = 64;
const QByteArray LineEnd("\r\n");

bool IsHex(const QByteArray& text)
{
    return std::all_of(text.cbegin(), text.cend(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

QDate DayOfText(const QByteArray& text)
{
    return QDate::fromString(QString::fromLatin1(text), QStringLiteral("MM-dd-yyyy"));
}

// One seal line without its CR LF, or a line with number -1 when it does not
// read. Only the link line may name a day; only a journal line's seal may be
// marked late.
SealLine ParseLine(const QByteArray& text)
{
    SealLine line;
    const QList<QByteArray> parts = text.split(' ');
    if (parts.size() < 2 || parts.size() > 3)
        return line;
    bool isNumber = false;
    const int number = parts[0].toInt(&isNumber);
    // No sign, no leading zeros: a number reads only as the terminal writes it.
    if (!isNumber || number < 0 || QByteArray::number(number) != parts[0])
        return line;
    if (parts[1].size() != CodeHexDigits || !IsHex(parts[1]))
        return line;
    SealLine parsed;
    parsed.number = number;
    parsed.code = QByteArray::fromHex(parts[1]);
    if (parts.size() == 3) {
        if (number == 0) {
            parsed.linkedDay = DayOfText(parts[2]);
            if (!parsed.linkedDay.isValid())
                return line;
        } else if (parts[2] == "S") {
            parsed.late = true;
        } else {
            return line;
        }
    }
    return parsed;
}

}  // namespace

QString SealFileName(const QString& dataDir, const QDate& date)
{
    return dataDir + DateText(date) + QStringLiteral(".seal");
}

QByteArray ChainStartCode(const QByteArray& key)
{
    return QMessageAuthenticationCode::hash(QByteArrayLiteral("Veltar journal seal: start of the chain"), key,
                                            QCryptographicHash::Sha256);
}

QByteArray LinkCode(const QByteArray& key, const QByteArray& earlierCode, const QDate& day)
{
    return ChainCode(key, earlierCode, DateText(day).toLatin1());
}

QByteArray ChainCode(const QByteArray& key, const QByteArray& previousCode, const QByteArray& journalLine)
{
    QMessageAuthenticationCode code(QCryptographicHash::Sha256, key);
    code.addData(previousCode);
    code.addData(journalLine);
    return code.result();
}

QByteArray SealLineBytes(const SealLine& line)
{
    QByteArray bytes = QByteArray::number(line.number) + ' ' + line.code.toHex();
    if (line.number == 0 && line.linkedDay.isValid())
        bytes += ' ' + DateText(line.linkedDay).toLatin1();
    else if (line.late)
        bytes += " S";
    return bytes + LineEnd;
}

SealFileContent ParseSealFile(const QByteArray& bytes)
{
    SealFileContent content;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = bytes.indexOf(LineEnd, start);
        if (end < 0)
            break;
        const SealLine line = ParseLine(bytes.mid(start, end - start));
        const int expected = static_cast<int>(content.lines.size());
        if (content.firstBadLine < 0 && line.number != expected)
            content.firstBadLine = expected;
        content.lines.append(line);
        start = end + LineEnd.size();
    }
    content.wholeBytes = start;
    content.tornTail = start < bytes.size();
    return content;
}

QList<QByteArray> SplitJournalLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf(LineEnd, start);
        const qsizetype next = end < 0 ? bytes.size() : end + LineEnd.size();
        lines.append(bytes.mid(start, next - start));
        start = next;
    }
    return lines;
}

QList<QDate> SealedDays(const QString& dataDir)
{
    QList<QDate> days;
    const QStringList names =
        QDir(dataDir).entryList({QStringLiteral("*.seal")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QDate day = name.size() == 15 ? DayOfText(name.left(10).toLatin1()) : QDate();
        if (day.isValid())
            days.append(day);
    }
    std::sort(days.begin(), days.end());
    return days;
}

QDate LatestSealedDayBefore(const QString& dataDir, const QDate& date)
{
    QDate latest;
    for (const QDate& day : SealedDays(dataDir)) {
        if (day < date)
            latest = day;
    }
    return latest;
}

Result<QByteArray> ReadWholeFile(const QString& path, bool missingIsEmpty)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink() && missingIsEmpty)
        return Result<QByteArray>::success({});
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (const auto failed = OpenOrdinaryFile(file, QIODevice::ReadOnly)) {
        return Result<QByteArray>::failure(Status::failure(
            ErrorNumber::PathFileAccess, QStringLiteral("файл %1 не открывается: %2").arg(shown, failed->text)));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return Result<QByteArray>::failure(Status::failure(
            ErrorNumber::DeviceIo, QStringLiteral("ошибка чтения файла %1: %2").arg(shown, FileErrorText(file))));
    }
    return Result<QByteArray>::success(std::move(bytes));
}
