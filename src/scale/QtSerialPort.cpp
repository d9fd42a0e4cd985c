#include "scale/QtSerialPort.h"

#include "core/Cp1251.h"
#include "core/ErrorText.h"
#include "scale/PortDevice.h"
#include "scale/SerialPortErrorText.h"

#include <QDir>
#include <QSocketNotifier>

#include <algorithm>
#include <utility>

#ifndef Q_OS_WIN
#include <cerrno>

#include <termios.h>
#endif

namespace {

// Bounds the wait in close() for output the kernel has not yet taken; close
// is only used from the port dialog, where a short pause is harmless.
constexpr int CloseDrainMs = 200;

// Most a poll takes from the line. A scale sends a few dozen characters per
// poll; a device that floods the line (or garbage at a wrong baud rate) must
// not grow the terminal's memory, and what lies beyond this is dropped.
constexpr qint64 MaxReceiveBytes = 4096;
// A poll that finds this much is a flood, not a scale: at 9600 baud a scale
// sends under 300 characters between two polls. The backlog in the driver is
// then dropped, so the next poll reads what the device sends from now on.
constexpr qint64 FloodBytes = MaxReceiveBytes / 2;

QSerialPort::Parity QtParity(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::None:
        return QSerialPort::NoParity;
    case LineSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case LineSettings::Parity::Space:
        return QSerialPort::SpaceParity;
    case LineSettings::Parity::Mark:
        return QSerialPort::MarkParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits QtStopBits(LineSettings::StopBits stopBits)
{
    switch (stopBits) {
    case LineSettings::StopBits::One:
        return QSerialPort::OneStop;
    case LineSettings::StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case LineSettings::StopBits::Two:
        return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

Status NotOpen()
{
    return Status::failure(ErrorNumber::PortNotOpen, QStringLiteral("Порт не открыт"));
}

}  // namespace

QtSerialPort::QtSerialPort(QString dataDir) : dataDir_(std::move(dataDir))
{
    // A poll reads into this buffer; bounded, a flood waits in the driver,
    // where the next receive() drops it.
    port_.setReadBufferSize(MaxReceiveBytes);
    // Where QSerialPort's notifiers still watch the line between polls (see
    // quietBetweenPolls), a device that goes away makes them raise errors in
    // a tight loop; closing the port stops it. The close is queued, since Qt
    // is still inside its own handler here.
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_, [this](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
            return;
        QMetaObject::invokeMethod(
            &port_,
            [this] {
                if (!port_.isOpen() || lostReason_)
                    return;
                if (std::optional<QString> reason = goneReason(port_.error(), port_.errorString())) {
                    lostReason_ = QStringLiteral("Порт %1 потерян: %2")
                                      .arg(QDir::toNativeSeparators(port_.portName()), *reason);
                    port_.close();
                    port_.clearError();
                }
            },
            Qt::QueuedConnection);
    });
}

Status QtSerialPort::setPortNumber(std::int16_t number)
{
    if (port_.isOpen())
        return Status::failure(ErrorNumber::PortAlreadyOpen, QStringLiteral("Порт уже открыт"));
    if (number < MinPortNumber || number > MaxPortNumber)
        return Status::failure(ErrorNumber::InvalidPortNumber,
                               QStringLiteral("Недопустимый номер порта: %1").arg(number));
    number_ = number;
    return Status::success();
}

Status QtSerialPort::setSettings(const QString& lineParameters)
{
    const auto parsed = ParseLineSettings(lineParameters);
    if (!parsed)
        return Status::failure(ErrorNumber::InvalidPropertyValue,
                               QStringLiteral("Недопустимые параметры порта: «%1»").arg(lineParameters));
    settings_ = *parsed;
    return Status::success();
}

Status QtSerialPort::open()
{
    if (port_.isOpen())
        return Status::failure(ErrorNumber::PortAlreadyOpen, QStringLiteral("Порт уже открыт"));

    const QString device = PortDeviceName(number_, dataDir_);
    port_.setPortName(device);  // a full path is taken as it is
    // Everything is set while closed so that open() applies it in one go: on
    // a pseudo-terminal QSerialPort refuses parity and data-bit changes made
    // after opening.
    port_.setBaudRate(settings_.baudRate);
    port_.setParity(QtParity(settings_.parity));
    port_.setDataBits(static_cast<QSerialPort::DataBits>(settings_.dataBits));
    port_.setStopBits(QtStopBits(settings_.stopBits));
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.clearError();
    lostReason_.reset();
    if (!port_.open(QIODevice::ReadWrite)) {
        const Status failed = Status::failure(
            ErrorNumber::PortUnavailable,
            QStringLiteral("Не удаётся открыть порт %1: %2")
                .arg(QDir::toNativeSeparators(device), SerialPortErrorText(port_.error(), port_.errorString())));
        port_.clearError();
        return failed;
    }
    port_.clearError();
    quietBetweenPolls();
    return Status::success();
}

Status QtSerialPort::close()
{
    if (!port_.isOpen())
        return NotOpen();
    // QSerialPort::close() discards output it still holds, so a query sent
    // just before closing would otherwise never leave.
    port_.flush();
    if (port_.bytesToWrite() > 0)
        port_.waitForBytesWritten(CloseDrainMs);
    port_.close();
    port_.clearError();
    return Status::success();
}

Status QtSerialPort::send(const QString& text)
{
    if (!port_.isOpen())
        return takeLoss();
    if (Status earlier = takeEarlierError(); !earlier.ok())
        return earlier;
    const QByteArray bytes = ToCp1251(text);
    port_.write(bytes);
    // write() only queues; without this the bytes would wait for the event
    // loop. flush() hands them to the driver without waiting for the line.
    port_.flush();
    return takeError();
}

Result<QString> QtSerialPort::receive()
{
    if (!port_.isOpen())
        return Result<QString>::failure(takeLoss());
    if (Status earlier = takeEarlierError(); !earlier.ok())
        return Result<QString>::failure(earlier);
    // Nothing fills QSerialPort's buffer between polls (quietBetweenPolls);
    // a zero wait reads what the driver holds now.
    if (port_.bytesAvailable() == 0) {
        port_.waitForReadyRead(0);
        if (Status status = takeError(); !status.ok())
            return Result<QString>::failure(status);
    }
    // Asking for no more than the buffer holds keeps QSerialPort from trying
    // the device again, which would switch its notifier back on.
    const qint64 waiting = std::min(port_.bytesAvailable(), MaxReceiveBytes);
    const QByteArray bytes = waiting > 0 ? port_.read(waiting) : QByteArray();
    if (bytes.size() >= FloodBytes)
        port_.clear(QSerialPort::Input);
    quietBetweenPolls();
    return Result<QString>::success(FromCp1251(bytes));
}

void QtSerialPort::quietBetweenPolls()
{
    // QSerialPort reads the line from a socket notifier whenever the event
    // loop runs: the own scale's ten frames a second would wake the terminal
    // ten times a second besides its polls, each only to move the bytes into
    // a buffer the next poll reads anyway. The poll reads the driver itself
    // (waitForReadyRead above), so the notifier stays off from the opening
    // on. Switching it costs the event loop a wake-up of its own, so a poll
    // leaves it alone unless QSerialPort has switched it back on. Without a
    // socket notifier (Windows) nothing changes.
    const auto notifiers = port_.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly);
    for (QSocketNotifier* notifier : notifiers) {
        if (notifier->type() == QSocketNotifier::Read)
            notifier->setEnabled(false);
    }
}

Status QtSerialPort::takeLoss()
{
    // The loss noticed behind the poll's back is reported once, as the loss
    // it was; after that the port is simply closed.
    if (!lostReason_)
        return NotOpen();
    const Status lost = Status::failure(ErrorNumber::PortLost, *lostReason_);
    lostReason_.reset();
    return lost;
}

Status QtSerialPort::takeEarlierError()
{
    // The event loop may have met the device gone while nobody was asking;
    // any other error it met has passed and must not fail this operation.
    const Status status = takeError();
    return status.number == ErrorNumber::PortLost ? status : Status::success();
}

Status QtSerialPort::takeError()
{
    const QSerialPort::SerialPortError error = port_.error();
    // Clearing emits errorOccurred even for no error; a poll that went well
    // costs nothing here.
    if (error == QSerialPort::NoError)
        return Status::success();
    const QString text = port_.errorString();
    port_.clearError();
    if (error == QSerialPort::TimeoutError)  // a zero wait found nothing
        return Status::success();
    const QString device = QDir::toNativeSeparators(port_.portName());
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError) {
        if (const std::optional<QString> reason = goneReason(error, text)) {
            // Left open, the port keeps raising the same error from its
            // notifiers whenever the event loop runs, a busy loop until
            // someone closes it.
            port_.close();
            port_.clearError();
            return Status::failure(ErrorNumber::PortLost, QStringLiteral("Порт %1 потерян: %2").arg(device, *reason));
        }
    }
    return Status::failure(ErrorNumber::DeviceIo,
                           QStringLiteral("Ошибка порта %1: %2").arg(device, SerialPortErrorText(error, text)));
}

std::optional<QString> QtSerialPort::goneReason(QSerialPort::SerialPortError error, const QString& qtText) const
{
#ifdef Q_OS_WIN
    // Qt reports a removed device on Windows as these errors and nothing
    // transient as them.
    return SerialPortErrorText(error, qtText);
#else
    Q_UNUSED(error);
    Q_UNUSED(qtText);
    // QSerialPort cannot tell a dead line from a passing hiccup: a hung-up
    // terminal (adapter unplugged, other end of a pty closed) first reads as
    // end of file, a ReadError carrying whatever errno was left over, while a
    // read that merely would block comes out as a ResourceError. A hung-up
    // terminal refuses every termios request, so one read-only query tells
    // them apart, and its errno says what happened; QSerialPort has no call
    // for it.
    termios attributes{};
    if (::tcgetattr(port_.handle(), &attributes) == 0)
        return std::nullopt;
    return ErrnoText(errno);
#endif
}
