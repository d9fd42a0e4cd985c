#include "core/DurableAppend.h"

#include "core/DiskSync.h"
#include "core/ErrorText.h"
#include "core/HeldFileRetry.h"
#include "core/OrdinaryFile.h"
#include "core/Status.h"
#include "core/WholeFile.h"

#include <QFile>
#include <QFileInfo>

std::optional<AppendFailure> AppendDurably(const QString& path, const QString& dir, const QByteArray& bytes)
{
    // QSaveFile would rewrite the whole file for every line; appending one
    // write of the whole line keeps the earlier lines untouched.
    const bool newFile = !QFileInfo::exists(path);
    QFile file(path);
    for (HeldFileRetry retry;;) {
        const auto failed = OpenOrdinaryFile(file, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        if (!failed)
            break;
        if (!MayPassSoon(file) || !retry.again())
            return AppendFailure{QFileInfo::exists(path) ? ErrorNumber::PathFileAccess : ErrorNumber::FileNotFound,
                                 failed->text};
    }
    const qint64 sizeBefore = file.size();
    std::optional<AppendFailure> failed;
    if (const std::optional<QString> why = WriteWhole(file, bytes))
        failed = AppendFailure{ErrorNumber::DeviceIo, *why};
    else if (const std::optional<QString> why = SyncFileToDisk(file))
        failed = AppendFailure{ErrorNumber::DeviceIo, *why};
    if (failed) {
        // The cut itself is synced: a power cut must not bring the part back.
        if (file.size() > sizeBefore && (!file.resize(sizeBefore) || SyncFileToDisk(file)))
            failed->cause += QStringLiteral("; часть строки осталась в файле");
        return failed;
    }
    file.close();
    // A new file's name reaches the disk with its directory.
    if (newFile)
        SyncDirectory(dir);
    return std::nullopt;
}
