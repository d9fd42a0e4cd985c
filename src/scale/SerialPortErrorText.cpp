#include "scale/SerialPortErrorText.h"

#include "core/ErrorText.h"

QString SerialPortErrorText(QSerialPort::SerialPortError error, const QString& qtText)
{
    if (const auto cause = SystemTextCause(qtText))
        return CauseText(*cause);
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return CauseText(FailureCause::NoDevice);
    case QSerialPort::PermissionError:
        // Also what QSerialPort says when another program holds the port's
        // lock file.
        return QStringLiteral("доступ запрещен или устройство занято другой программой");
    case QSerialPort::OpenError:
        return QStringLiteral("порт уже открыт");
    case QSerialPort::NotOpenError:
        return QStringLiteral("порт не открыт");
    case QSerialPort::ResourceError:
        return QStringLiteral("устройство отключено или недоступно");
    case QSerialPort::ReadError:
        return QStringLiteral("ошибка чтения из порта");
    case QSerialPort::WriteError:
        return QStringLiteral("ошибка записи в порт");
    case QSerialPort::UnsupportedOperationError:
        return QStringLiteral("устройство не поддерживает эти параметры порта");
    case QSerialPort::TimeoutError:
        return QStringLiteral("время ожидания истекло");
    case QSerialPort::NoError:
    case QSerialPort::UnknownError:
        break;
    }
    return UnnamedCauseText(qtText);
}
