#include "core/ErrorText.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <span>

namespace {

struct CodeCause {
    int code;
    FailureCause cause;
};

constexpr CodeCause ErrnoCauses[] = {
    {ENOSPC, FailureCause::NoSpace},
#ifdef EDQUOT
    {EDQUOT, FailureCause::NoSpace},
#endif
    {EACCES, FailureCause::AccessDenied},
    {EPERM, FailureCause::AccessDenied},
    {EISDIR, FailureCause::FolderInPlace},
    {ENOENT, FailureCause::NotFound},
    {ENOTDIR, FailureCause::NotFound},
    {ENODEV, FailureCause::NoDevice},
    {ENXIO, FailureCause::NoDevice},
    {EROFS, FailureCause::ReadOnly},
    {EIO, FailureCause::DeviceIo},
    {EBUSY, FailureCause::Busy},
    {EAGAIN, FailureCause::Busy},
#if defined(EWOULDBLOCK) && EWOULDBLOCK != EAGAIN
    {EWOULDBLOCK, FailureCause::Busy},
#endif
#ifdef ETXTBSY
    {ETXTBSY, FailureCause::Busy},
#endif
};

// GetLastError()'s codes, written out to keep <windows.h> out: plain
// numbers, so the mapping is the same, and checked, on every platform.
constexpr CodeCause WindowsCodeCauses[] = {
    {112, FailureCause::NoSpace},       // ERROR_DISK_FULL
    {39, FailureCause::NoSpace},        // ERROR_HANDLE_DISK_FULL
    {5, FailureCause::AccessDenied},    // ERROR_ACCESS_DENIED
    {2, FailureCause::NotFound},        // ERROR_FILE_NOT_FOUND
    {3, FailureCause::NotFound},        // ERROR_PATH_NOT_FOUND
    {19, FailureCause::ReadOnly},       // ERROR_WRITE_PROTECT
    {1117, FailureCause::DeviceIo},     // ERROR_IO_DEVICE
    {23, FailureCause::DeviceIo},       // ERROR_CRC
    {31, FailureCause::DeviceIo},       // ERROR_GEN_FAILURE
    {32, FailureCause::HeldByProgram},  // ERROR_SHARING_VIOLATION
    {33, FailureCause::HeldByProgram},  // ERROR_LOCK_VIOLATION
    {170, FailureCause::Busy},          // ERROR_BUSY
};

// Qt reports a failed file operation with the system's text for the code
// the platform gave: GetLastError()'s on Windows, errno elsewhere.
#ifdef Q_OS_WIN
constexpr std::span<const CodeCause> SystemCodeCauses = WindowsCodeCauses;
#else
constexpr std::span<const CodeCause> SystemCodeCauses = ErrnoCauses;
#endif

std::optional<FailureCause> CauseOf(std::span<const CodeCause> table, long long code)
{
    for (const CodeCause& entry : table) {
        if (entry.code == code)
            return entry.cause;
    }
    return std::nullopt;
}

}  // namespace

QString CauseText(FailureCause cause)
{
    switch (cause) {
    case FailureCause::NoSpace:
        return QStringLiteral("на диске нет места");
    case FailureCause::AccessDenied:
        return QStringLiteral("доступ запрещен");
    case FailureCause::FolderInPlace:
        return QStringLiteral("на месте файла находится папка");
    case FailureCause::NotFound:
        return QStringLiteral("путь не найден");
    case FailureCause::ReadOnly:
        return QStringLiteral("диск доступен только для чтения");
    case FailureCause::DeviceIo:
        return QStringLiteral("ошибка ввода-вывода устройства");
    case FailureCause::Busy:
        return QStringLiteral("устройство занято");
    case FailureCause::NoDevice:
        return QStringLiteral("устройство не найдено");
    case FailureCause::NotOrdinaryFile:
        return QStringLiteral("на месте файла находится не обычный файл");
    case FailureCause::HeldByProgram:
        return QStringLiteral("файл открыт другой программой");
    }
    return {};
}

std::optional<FailureCause> ErrnoCause(int error)
{
    return CauseOf(ErrnoCauses, error);
}

std::optional<FailureCause> WindowsErrorCause(unsigned long code)
{
    return CauseOf(WindowsCodeCauses, static_cast<long long>(code));
}

QString UnnamedCauseText(const QString& systemText)
{
    return QStringLiteral("ошибка системы (%1)").arg(systemText);
}

QString AfterColon(const QString& description)
{
    if (description.size() < 2 || !description[0].isUpper() || !description[1].isLower())
        return description;
    return description[0].toLower() + description.sliced(1);
}

QString ErrnoText(int error)
{
    if (const auto cause = ErrnoCause(error))
        return CauseText(*cause);
    return UnnamedCauseText(QString::fromLocal8Bit(std::strerror(error)));
}

QString WindowsErrorText(unsigned long code)
{
    if (const auto cause = WindowsErrorCause(code))
        return CauseText(*cause);
    // On Windows Qt words the code as the system does (FormatMessage).
    return UnnamedCauseText(qt_error_string(static_cast<int>(code)));
}

std::optional<FailureCause> SystemTextCause(const QString& systemText)
{
    // The text was made by qt_error_string from the code in this process, so
    // making it again for each known code finds the code exactly, whatever
    // the language of the system's texts.
    for (const CodeCause& entry : SystemCodeCauses) {
        if (qt_error_string(entry.code) == systemText)
            return entry.cause;
    }
    return std::nullopt;
}

QString FileErrorText(const QFileDevice& file)
{
    // Qt words these two in its own texts: a directory opened as a file, and
    // QSaveFile refusing a directory or a write-protected file before the
    // system is asked.
    const QFileInfo info(file.fileName());
    if (!file.fileName().isEmpty() && info.isDir())
        return CauseText(FailureCause::FolderInPlace);
    if (file.error() == QFileDevice::WriteError && info.exists() && !info.isWritable())
        return CauseText(FailureCause::AccessDenied);
    const QString systemText = file.errorString();
    if (const auto cause = SystemTextCause(systemText))
        return CauseText(*cause);
    return UnnamedCauseText(systemText);
}
