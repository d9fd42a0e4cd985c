#include "journal/SealWrite.h"

#include "core/DurableAppend.h"
#include "core/ErrorText.h"
#include "core/OrdinaryFile.h"
#include "core/Status.h"
#include "journal/DayFile.h"
#include "journal/SealFile.h"
#include "journal/SealKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>


namespace {

// Where this process's last seal left off, so that a weighing seals its line
// without reading the day file again. It is used only while both files still
// have the sizes it left them with; anything else (a new day, a restart, a
// file changed meanwhile) goes the long way through both files.
struct SealCursor {
    QString dayPath;  // empty: nothing known
    qint64 daySize = 0;
    qint64 sealSize = 0;
    int lines = 0;
    QByteArray lastCode;
    QByteArray key;
};

SealCursor cursor;
// The data directory whose sealing failed and was told; empty while sealing
// works.
QString failureTold;

QString Shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

Status FileFailure(const QFile& file, const QString& path)
{
    return Status::failure(ErrorNumber::DeviceIo,
                           QStringLiteral("ошибка записи в файл %1: %2").arg(Shown(path), FileErrorText(file)));
}

Status OpenFailed(const OpenFailure& failure, const QString& path)
{
    return Status::failure(ErrorNumber::DeviceIo,
                           QStringLiteral("ошибка записи в файл %1: %2").arg(Shown(path), failure.text));
}

// Appends `bytes` to the seal file after its first `keepBytes` (a seal line
// cut short by a crash is cut off first) and returns once they are on disk.
Status AppendSeal(const QString& dataDir, const QString& path, qint64 keepBytes, const QByteArray& bytes)
{
    const bool newFile = !QFileInfo::exists(path);
    if (!newFile && QFileInfo(path).size() > keepBytes) {
        // Cut apart from the appending: where appending is emulated by one
        // seek at opening (Windows), a file shortened after opening would be
        // written past its end.
        QFile torn(path);
        if (const auto failed = OpenOrdinaryFile(torn, QIODevice::ReadWrite))
            return OpenFailed(*failed, path);
        if (!torn.resize(keepBytes))
            return FileFailure(torn, path);
    }
    if (const auto failed = AppendDurably(path, dataDir, bytes)) {
        return Status::failure(ErrorNumber::DeviceIo,
                               QStringLiteral("ошибка записи в файл %1: %2").arg(Shown(path), failed->cause));
    }
    return Status::success();
}

// The code an earlier day ends with, for the next day's chain to continue
// from; the chain's start code when that day's seal holds no readable line.
QByteArray LastCode(const QString& dataDir, const QDate& day, const QByteArray& key)
{
    const Result<QByteArray> bytes = ReadWholeFile(SealFileName(dataDir, day), true);
    if (bytes.ok()) {
        const SealFileContent content = ParseSealFile(bytes.value);
        if (!content.lines.isEmpty() && content.firstBadLine < 0)
            return content.lines.last().code;
    }
    return ChainStartCode(key);
}

// Seals every line of the day's file that has no seal yet, each marked late
// but the last one when it was written just now. `linkEarlierDay`: a chain
// begun for this day first seals what the last sealed day still lacks.
Status SealMissingLines(const QString& dataDir, const QDate& date, bool lastIsNew, bool linkEarlierDay)
{
    const Result<QByteArray> key = ReadOrMakeSealKey(dataDir);
    if (!key.ok())
        return key.status;
    const QString dayPath = DayFileName(dataDir, date);
    const QString sealPath = SealFileName(dataDir, date);
    const Result<QByteArray> day = ReadWholeFile(dayPath, true);
    if (!day.ok())
        return day.status;
    const Result<QByteArray> seal = ReadWholeFile(sealPath, true);
    if (!seal.ok())
        return seal.status;

    const SealFileContent content = ParseSealFile(seal.value);
    if (content.firstBadLine >= 0) {
        // Never written over: it is the evidence of whatever changed it.
        return Status::failure(ErrorNumber::BadRecordLength, QStringLiteral("файл печати %1 поврежден (строка %2)")
                                                                 .arg(Shown(sealPath))
                                                                 .arg(content.firstBadLine + 1));
    }
    const QList<QByteArray> journal = SplitJournalLines(day.value);
    // A last line without its CR LF was cut short and is no line the
    // terminal wrote; it stays without a seal.
    qsizetype whole = journal.size();
    qint64 wholeBytes = day.value.size();
    if (whole > 0 && !journal.last().endsWith("\r\n")) {
        wholeBytes -= journal.last().size();
        --whole;
    }
    const qsizetype sealed = content.lines.isEmpty() ? 0 : content.lines.size() - 1;
    if (sealed > whole) {
        return Status::failure(ErrorNumber::BadRecordLength,
                               QStringLiteral("в файле журнала %1 меньше строк, чем запечатано (%2): строки удалены")
                                   .arg(Shown(dayPath))
                                   .arg(sealed));
    }

    QByteArray added;
    QByteArray previous;
    if (content.lines.isEmpty()) {
        if (whole == 0)
            return Status::success();
        SealLine link;
        link.number = 0;
        link.linkedDay = LatestSealedDayBefore(dataDir, date);
        if (link.linkedDay.isValid()) {
            // A failure there is the earlier day's own; its check shows it.
            if (linkEarlierDay)
                static_cast<void>(SealMissingLines(dataDir, link.linkedDay, false, false));
            link.code = LinkCode(key.value, LastCode(dataDir, link.linkedDay, key.value), date);
        } else {
            link.code = LinkCode(key.value, ChainStartCode(key.value), date);
        }
        added += SealLineBytes(link);
        previous = link.code;
    } else {
        previous = content.lines.last().code;
    }
    for (qsizetype k = sealed; k < whole; ++k) {
        SealLine line;
        line.number = static_cast<int>(k + 1);
        line.code = ChainCode(key.value, previous, journal[k]);
        line.late = !(lastIsNew && k == whole - 1);
        added += SealLineBytes(line);
        previous = line.code;
    }
    if (!added.isEmpty()) {
        if (const Status appended = AppendSeal(dataDir, sealPath, content.wholeBytes, added); !appended.ok())
            return appended;
    }
    cursor = SealCursor{dayPath, wholeBytes, content.wholeBytes + added.size(), static_cast<int>(whole), previous,
                        key.value};
    return Status::success();
}

QString TellOnce(const QString& dataDir, const Status& sealed)
{
    if (sealed.ok()) {
        failureTold.clear();
        return {};
    }
    cursor = SealCursor{};
    if (failureTold == dataDir)
        return {};
    failureTold = dataDir;
    return sealed.description;
}

}  // namespace

QString SealWrittenLine(const QString& dataDir, const QDate& date, const QByteArray& lineBytes)
{
    const QString dayPath = DayFileName(dataDir, date);
    const QString sealPath = SealFileName(dataDir, date);
    if (cursor.dayPath != dayPath || QFileInfo(dayPath).size() != cursor.daySize + lineBytes.size() ||
        QFileInfo(sealPath).size() != cursor.sealSize) {
        return TellOnce(dataDir, SealMissingLines(dataDir, date, true, true));
    }
    SealLine line;
    line.number = cursor.lines + 1;
    line.code = ChainCode(cursor.key, cursor.lastCode, lineBytes);
    const QByteArray bytes = SealLineBytes(line);
    const Status appended = AppendSeal(dataDir, sealPath, cursor.sealSize, bytes);
    if (appended.ok()) {
        cursor.daySize += lineBytes.size();
        cursor.sealSize += bytes.size();
        cursor.lines = line.number;
        cursor.lastCode = line.code;
    }
    return TellOnce(dataDir, appended);
}

QString SealAtStartUp(const QString& dataDir, const QDate& today)
{
    const QFileInfo day(DayFileName(dataDir, today));
    const QFileInfo seal(SealFileName(dataDir, today));
    if (day.exists() || seal.exists())
        return TellOnce(dataDir, SealMissingLines(dataDir, today, false, true));
    // Today not begun: the key at the very first start, and what the last
    // sealed day still lacks before today continues from it.
    const QDate earlier = LatestSealedDayBefore(dataDir, today);
    if (!earlier.isValid())
        return TellOnce(dataDir, ReadOrMakeSealKey(dataDir).status);
    return TellOnce(dataDir, SealMissingLines(dataDir, earlier, false, false));
}
