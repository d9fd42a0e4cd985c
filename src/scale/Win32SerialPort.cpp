#include "scale/Win32SerialPort.h"

#include "core/Cp1251.h"
#include "core/ErrorText.h"
#include "scale/PortDevice.h"
#include "scale/PortRules.h"
#include "scale/ReceiveBounds.h"
#include "scale/Win32LineState.h"

#include <windows.h>

#include <utility>

namespace {

HANDLE Handle(void* handle)
{
    return static_cast<HANDLE>(handle);
}

// Writes go to the driver's queue; this bounds the wait only when the queue
// is full (a line held up by a device that stopped reading).
constexpr DWORD WriteTimeoutMs = 200;

}  // namespace

QString Win32PortErrorText(unsigned long error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return QStringLiteral("такого порта нет");
    case ERROR_ACCESS_DENIED:  // what Windows answers for a port another program holds
    case ERROR_SHARING_VIOLATION:
        return CauseText(FailureCause::Busy);
    case ERROR_INVALID_PARAMETER:
        return QStringLiteral("порт не поддерживает эти параметры");
    case ERROR_DEVICE_REMOVED:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
        return PortGoneText();
    case ERROR_OPERATION_ABORTED:
        return QStringLiteral("операция с портом прервана");
    case ERROR_SEM_TIMEOUT:
        return CauseText(FailureCause::DeviceIo);
    default:
        return WindowsErrorText(error);
    }
}

QString PortGoneText()
{
    return QStringLiteral("устройство отключено");
}

Win32SerialPort::Win32SerialPort(QString dataDir) : dataDir_(std::move(dataDir)) {}

Win32SerialPort::~Win32SerialPort()
{
    release();
}

void Win32SerialPort::release()
{
    if (handle_)
        CloseHandle(Handle(handle_));
    handle_ = nullptr;
}

Status Win32SerialPort::setPortNumber(std::int16_t number)
{
    Status allowed = CheckNewPortNumber(isOpen(), number);
    if (allowed.ok())
        number_ = number;
    return allowed;
}

Status Win32SerialPort::setSettings(const QString& lineParameters)
{
    const Result<LineSettings> parsed = PortLineSettings(lineParameters);
    if (parsed.ok())
        settings_ = parsed.value;
    return parsed.status;
}

Status Win32SerialPort::open()
{
    if (isOpen())
        return PortAlreadyOpen();
    const QString device = PortDeviceName(number_, dataDir_);
    const auto cannot = [&device](DWORD error) {
        return Status::failure(ErrorNumber::PortUnavailable,
                               QStringLiteral("Не удается открыть порт %1: %2").arg(device, Win32PortErrorText(error)));
    };
    // The device namespace prefix: without it only COM1 to COM9 open.
    const std::wstring path = (QStringLiteral("\\\\.\\") + device).toStdWString();
    HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return cannot(GetLastError());

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMPROP properties{};
    const DWORD receiveQueue = GetCommProperties(handle, &properties) ? properties.dwCurrentRxQueue : 0;
    bool configured = GetCommState(handle, &dcb);
    if (configured) {
        SetLineState(dcb, settings_, receiveQueue);
        configured = SetCommState(handle, &dcb);
    }
    if (configured) {
        // A read returns at once with whatever the driver holds.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = 0;
        timeouts.WriteTotalTimeoutMultiplier = 0;
        timeouts.WriteTotalTimeoutConstant = WriteTimeoutMs;
        configured = SetCommTimeouts(handle, &timeouts);
    }
    if (!configured) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        return cannot(error);
    }
    handle_ = handle;
    return Status::success();
}

Status Win32SerialPort::close()
{
    if (!isOpen())
        return PortNotOpen();
    // CloseHandle discards nothing the driver has taken, but a query queued
    // just before must leave before the line's settings change.
    FlushFileBuffers(Handle(handle_));
    release();
    return Status::success();
}

Status Win32SerialPort::send(const QString& text)
{
    if (!isOpen())
        return PortNotOpen();
    const QByteArray bytes = ToCp1251(text);
    DWORD written = 0;
    if (!WriteFile(Handle(handle_), bytes.constData(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return failure(GetLastError(), QStringLiteral("запись"));
    if (written != static_cast<DWORD>(bytes.size()))
        return failure(ERROR_SEM_TIMEOUT, QStringLiteral("запись"));
    return Status::success();
}

Result<QString> Win32SerialPort::receive()
{
    if (!isOpen())
        return Result<QString>::failure(PortNotOpen());
    DWORD errors = 0;
    COMSTAT stat{};
    // Also clears a line error (framing, parity, overrun) that would
    // otherwise hold up the reads; the characters concerned arrive anyway.
    if (!ClearCommError(Handle(handle_), &errors, &stat))
        return Result<QString>::failure(failure(GetLastError(), QStringLiteral("чтение")));
    // Read even when the driver counts nothing waiting: a hung-up line shows
    // itself only to a read.
    char buffer[MaxReceiveBytes];
    DWORD got = 0;
    if (!ReadFile(Handle(handle_), buffer, sizeof buffer, &got, nullptr))
        return Result<QString>::failure(failure(GetLastError(), QStringLiteral("чтение")));
    if (got >= static_cast<DWORD>(FloodBytes))
        PurgeComm(Handle(handle_), PURGE_RXCLEAR);
    return Result<QString>::success(FromCp1251(QByteArray(buffer, static_cast<int>(got))));
}

Status Win32SerialPort::failure(unsigned long systemError, const QString& what)
{
    const QString device = PortDeviceName(number_, dataDir_);
    // A device that is still there answers these two however its line is
    // doing; an unplugged adapter or a hung-up line answers neither.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    DWORD errors = 0;
    COMSTAT stat{};
    if (!GetCommState(Handle(handle_), &dcb) || !ClearCommError(Handle(handle_), &errors, &stat)) {
        // Whatever the code: a removed USB adapter's driver answers access
        // denied (5) or an aborted operation (995), which elsewhere mean a
        // busy port or a passing hiccup.
        release();
        return Status::failure(ErrorNumber::PortLost, QStringLiteral("Порт %1 потерян: %2").arg(device, PortGoneText()));
    }
    return Status::failure(ErrorNumber::DeviceIo,
                           QStringLiteral("Ошибка порта %1 (%2): %3").arg(device, what, Win32PortErrorText(systemError)));
}
