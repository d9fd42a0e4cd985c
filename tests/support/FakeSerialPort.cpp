#include "support/FakeSerialPort.h"

#include "core/LineSettings.h"

Status FakeSerialPort::setPortNumber(std::int16_t number)
{
    if (open_)
        return Status::failure(ErrorNumber::PortAlreadyOpen, QStringLiteral("Port already open"));
    if (number < MinPortNumber || number > MaxPortNumber)
        return Status::failure(ErrorNumber::InvalidPortNumber, QStringLiteral("Invalid port number"));
    number_ = number;
    return Status::success();
}

Status FakeSerialPort::setSettings(const QString& lineParameters)
{
    const auto parsed = ParseLineSettings(lineParameters);
    if (!parsed)
        return Status::failure(ErrorNumber::InvalidPropertyValue, QStringLiteral("Invalid property value"));
    settings_ = LineSettingsText(*parsed);
    return Status::success();
}

Status FakeSerialPort::open()
{
    ++openCalls;
    if (open_)
        return Status::failure(ErrorNumber::PortAlreadyOpen, QStringLiteral("Port already open"));
    if (!present)
        return Status::failure(ErrorNumber::PortUnavailable, QStringLiteral("Port unavailable"));
    open_ = true;
    return Status::success();
}

Status FakeSerialPort::close()
{
    ++closeCalls;
    if (!open_)
        return Status::failure(ErrorNumber::PortNotOpen, QStringLiteral("Port not open"));
    open_ = false;
    return Status::success();
}

Status FakeSerialPort::send(const QString& text)
{
    if (!open_)
        return Status::failure(ErrorNumber::PortNotOpen, QStringLiteral("Port not open"));
    if (failSend)
        return Status::failure(ErrorNumber::DeviceIo, QStringLiteral("Line error"));
    sent.append(text);
    return Status::success();
}

Result<QString> FakeSerialPort::receive()
{
    if (!open_)
        return Result<QString>::failure(Status::failure(ErrorNumber::PortNotOpen, QStringLiteral("Port not open")));
    if (failNextReceive) {
        // A device that went away takes the open port with it.
        failNextReceive = false;
        open_ = false;
        incoming.clear();
        return Result<QString>::failure(Status::failure(ErrorNumber::PortLost, QStringLiteral("Device lost")));
    }
    QString text;
    while (!incoming.empty()) {
        text += incoming.front();
        incoming.pop_front();
    }
    return Result<QString>::success(text);
}
