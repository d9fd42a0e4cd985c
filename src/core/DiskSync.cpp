#include "core/DiskSync.h"

#include "core/ErrorText.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

std::optional<QString> SyncFileToDisk(QFileDevice& file)
{
#ifdef Q_OS_WIN
    // Not the C runtime's _commit: Microsoft's sets errno to EBADF whatever
    // went wrong and keeps the real cause (a full disk, a failing drive) in
    // _doserrno. The system's own call gives it to GetLastError().
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    if (handle == INVALID_HANDLE_VALUE)
        return WindowsErrorText(ERROR_INVALID_HANDLE);
    if (!FlushFileBuffers(handle))
        return WindowsErrorText(GetLastError());
#else
    if (::fsync(file.handle()) != 0)
        return ErrnoText(errno);
#endif
    return std::nullopt;
}

void SyncDirectory(const QString& dir)
{
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
#else
    // QSaveFile's replacing rename (MoveFileEx) returns before NTFS has put
    // it on the disk; flushing the directory commits it. Writing is needed
    // for the flush, and a directory opens only with backup semantics.
    const std::wstring path = QString(dir).toStdWString();
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    FlushFileBuffers(handle);
    CloseHandle(handle);
#endif
}
