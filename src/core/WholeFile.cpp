#include "core/WholeFile.h"

#include "core/DiskSync.h"
#include "core/ErrorText.h"
#include "core/HeldFileRetry.h"
#include "core/Status.h"

#include <QFileInfo>
#include <QSaveFile>

#ifndef Q_OS_WIN
#include <cerrno>
#include <sys/stat.h>
#endif

namespace {

// Set on the open descriptor, not left to the umask or to the permissions
// QSaveFile copies from the file it replaces (an older, readable one).
std::optional<QString> KeepToOwner(QFileDevice& file)
{
#ifdef Q_OS_WIN
    Q_UNUSED(file);
#else
    if (::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0)
        return ErrnoText(errno);
#endif
    return std::nullopt;
}

}  // namespace

QString WithPlatformLineEnds(const QString& text)
{
#ifdef Q_OS_WIN
    return QString(text).replace(u'\n', QStringLiteral("\r\n"));
#else
    return text;
#endif
}

std::optional<QString> WriteWhole(QFileDevice& file, const QByteArray& bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        // Nothing taken and no error: nothing more fits on the disk.
        if (written <= 0)
            return file.error() == QFileDevice::NoError ? CauseText(FailureCause::NoSpace) : FileErrorText(file);
        done += written;
    }
    return std::nullopt;
}

std::optional<FileWriteFailure> SaveWholeFile(const QString& path, const QByteArray& bytes, FileReach reach)
{
    // A failed commit() removes its temporary file, so each try writes the
    // whole file again.
    for (HeldFileRetry retry;;) {
        QSaveFile file(path);
        // Unbuffered: a failed write shows at the write, with its cause,
        // rather than in a flush inside commit(), which ignores it.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return FileWriteFailure{ErrorNumber::PathFileAccess, FileErrorText(file)};
        std::optional<QString> failed;
        if (reach == FileReach::OwnerOnly)
            failed = KeepToOwner(file);
        if (!failed)
            failed = WriteWhole(file, bytes);
        // commit() syncs too, but goes on to the rename whatever the sync
        // says; a new file that never reached the disk must not replace the
        // old one.
        if (!failed)
            failed = SyncFileToDisk(file);
        if (failed) {
            file.cancelWriting();
            return FileWriteFailure{ErrorNumber::DeviceIo, *failed};
        }
        if (file.commit())
            break;
        if (MayPassSoon(file) && retry.again())
            continue;
        // Windows refuses to replace a file that a program keeps open (a
        // spreadsheet showing an export) with access denied or a sharing
        // violation; a file merely marked read-only is said to be that.
        const QFileInfo target(path);
        const bool held = MayPassSoon(file) && target.exists() && target.isWritable();
        return FileWriteFailure{ErrorNumber::PathFileAccess,
                                held ? CauseText(FailureCause::HeldByProgram) : FileErrorText(file)};
    }
    SyncDirectory(QFileInfo(path).absolutePath());
    return std::nullopt;
}
