#include "core/OrdinaryFile.h"

#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

OpenFailure Because(FailureCause cause)
{
    return {cause, CauseText(cause)};
}

// What stands in the file's place, judged before anything opens it.
std::optional<OpenFailure> NotAFile(const QFileInfo& info)
{
    if (info.isDir())
        return Because(FailureCause::FolderInPlace);
    if (info.exists() && !info.isFile())
        return Because(FailureCause::NotOrdinaryFile);
    return std::nullopt;
}

}  // namespace

#ifdef Q_OS_WIN

std::optional<OpenFailure> OpenOrdinaryFile(QFile& file, QIODevice::OpenMode mode)
{
    // A folder of the file system holds no pipes: Windows keeps them in a
    // namespace of their own, and device names are no date names. What is
    // left is a folder in the file's place, which the look before the open
    // finds.
    if (auto failure = NotAFile(QFileInfo(file.fileName())))
        return failure;
    if (file.open(mode))
        return std::nullopt;
    const QString text = FileErrorText(file);
    const auto cause = SystemTextCause(file.errorString());
    return OpenFailure{cause, text};
}

#else

std::optional<OpenFailure> NotAnOpenedFile(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        return OpenFailure{ErrnoCause(error), ErrnoText(error)};
    }
    if (S_ISDIR(st.st_mode))
        return Because(FailureCause::FolderInPlace);
    if (!S_ISREG(st.st_mode))
        return Because(FailureCause::NotOrdinaryFile);
    return std::nullopt;
}

std::optional<OpenFailure> OpenOrdinaryFile(QFile& file, QIODevice::OpenMode mode)
{
    const QString path = file.fileName();
    if (auto failure = NotAFile(QFileInfo(path)))
        return failure;

    // The look above and the open below are two steps: the entry may change
    // between them. Opened without blocking and looked at again through the
    // open descriptor, a pipe put there meanwhile is still never waited on.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (mode & QIODevice::WriteOnly) {
        flags |= (mode & QIODevice::ReadOnly) ? O_RDWR : O_WRONLY;
        flags |= O_CREAT;
        if (mode & QIODevice::Append)
            flags |= O_APPEND;
        else if (mode & QIODevice::Truncate)
            flags |= O_TRUNC;
    } else {
        flags |= O_RDONLY;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), flags, 0666);
    if (fd < 0) {
        const int error = errno;
        // A pipe put there meanwhile refuses a writer while nobody reads it
        // (ENXIO): named for what it is rather than by that refusal.
        if (auto failure = NotAFile(QFileInfo(path)))
            return failure;
        return OpenFailure{ErrnoCause(error), ErrnoText(error)};
    }
    std::optional<OpenFailure> failure = NotAnOpenedFile(fd);
    if (!failure && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const int error = errno;
        failure = OpenFailure{ErrnoCause(error), ErrnoText(error)};
    }
    if (failure) {
        ::close(fd);
        return failure;
    }
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return OpenFailure{std::nullopt, UnnamedCauseText(file.errorString())};
    }
    return std::nullopt;
}

#endif
