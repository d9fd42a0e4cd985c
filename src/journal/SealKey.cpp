#include "journal/SealKey.h"

#include "core/ErrorText.h"
#include "core/TextRules.h"
#include "core/WholeFile.h"
#include "journal/DayFile.h"
#include "journal/PastJournal.h"
#include "journal/SealFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <array>

namespace {

Status KeyFailure(int number, const QString& path, const QString& cause)
{
    return Status::failure(number, QStringLiteral("ключ печати %1 %2").arg(QDir::toNativeSeparators(path), cause));
}

}  // namespace

QString SealKeyFileName(const QString& dataDir)
{
    return dataDir + QStringLiteral("Seal.key");
}

Result<QByteArray> ReadSealKey(const QString& dataDir)
{
    const QString path = SealKeyFileName(dataDir);
    const QFileInfo info(path);
    if (!info.exists())
        return Result<QByteArray>::failure(KeyFailure(ErrorNumber::FileNotFound, path, QStringLiteral("не найден")));
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        return Result<QByteArray>::failure(
            KeyFailure(ErrorNumber::PathFileAccess, path, QStringLiteral("не читается: %1").arg(FileErrorText(file))));
    }
    // One byte more than a key: a longer file is as damaged as a shorter one.
    const QByteArray key = file.read(SealKeySize + 1);
    if (file.error() != QFileDevice::NoError) {
        return Result<QByteArray>::failure(
            KeyFailure(ErrorNumber::DeviceIo, path, QStringLiteral("не читается: %1").arg(FileErrorText(file))));
    }
    if (key.size() != SealKeySize) {
        return Result<QByteArray>::failure(KeyFailure(ErrorNumber::BadRecordLength, path,
                                                      QStringLiteral("поврежден (длина %1 байт вместо %2)")
                                                          .arg(key.size())
                                                          .arg(SealKeySize)));
    }
    return Result<QByteArray>::success(key);
}

Result<QByteArray> ReadOrMakeSealKey(const QString& dataDir, const QDate& today, QString* told)
{
    const QString path = SealKeyFileName(dataDir);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return ReadSealKey(dataDir);
    const QFileInfo head(SealHeadFileName(dataDir));
    if (head.exists() || head.isSymLink() || !SealedDays(dataDir).isEmpty()) {
        return Result<QByteArray>::failure(
            KeyFailure(ErrorNumber::FileNotFound, path,
                       QStringLiteral("не найден, а журналы прежних дней запечатаны им; новый ключ не создан")));
    }

    std::array<quint32, SealKeySize / sizeof(quint32)> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray key(reinterpret_cast<const char*>(words.data()), SealKeySize);

    // Whole and on the disk with its name before the first seal uses it, so
    // no seal is ever made with a key a power cut could take back; the
    // owner's alone.
    if (const auto failed = SaveWholeFile(path, key, FileReach::OwnerOnly)) {
        return Result<QByteArray>::failure(
            KeyFailure(failed->number, path, QStringLiteral("не записан: %1").arg(failed->cause)));
    }
    if (const Status begun = BeginSealing(dataDir, key, today, told); !begun.ok())
        return Result<QByteArray>::failure(begun);
    return Result<QByteArray>::success(key);
}

Status BeginSealing(const QString& dataDir, const QByteArray& key, const QDate& today, QString* told)
{
    // The head remembers from when days are sealed: a day after it without
    // a seal lost it, and a key missing later is never made again unnoticed.
    SealHead begun;
    begun.firstDay = today;
    if (const auto failed = SaveSealHead(dataDir, key, begun)) {
        return Status::failure(ErrorNumber::DeviceIo, QStringLiteral("запись о начале печати %1 не записана: %2")
                                                          .arg(QDir::toNativeSeparators(SealHeadFileName(dataDir)),
                                                               *failed));
    }
    if (told) {
        int earlier = 0;
        for (const QDate& day : DaysWithJournal(dataDir))
            earlier += day < today ? 1 : 0;
        if (earlier > 0) {
            *told = QStringLiteral("Печать журналов начата %1: журналы прежних дней (%2) записаны без печати.")
                        .arg(DateText(today))
                        .arg(earlier);
        }
    }
    return Status::success();
}

bool SealingNotBegun(const QString& dataDir)
{
    const QFileInfo head(SealHeadFileName(dataDir));
    if (head.exists() || head.isSymLink() || !SealedDays(dataDir).isEmpty())
        return false;
    const QDateTime keyMade = QFileInfo(SealKeyFileName(dataDir)).lastModified();
    if (!keyMade.isValid())
        return false;
    for (const QDate& day : DaysWithJournal(dataDir)) {
        if (QFileInfo(DayFileName(dataDir, day)).lastModified() > keyMade)
            return false;
    }
    return true;
}
