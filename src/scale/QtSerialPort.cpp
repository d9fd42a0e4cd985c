#include "scale/QtSerialPort.h"

#include "core/Cp1251.h"
#include "core/ErrorText.h"
#include "scale/PortDevice.h"
#include "scale/PortRules.h"
#include "scale/ReceiveBounds.h"
#include "scale/SerialPortErrorText.h"

#include <QDir>
#include <QSocketNotifier>

#include <utility>

#include <cerrno>

#include <termios.h>
#include <unistd.h>

namespace {

// Bounds the wait in close() for output the kernel has not yet taken; close
// is only used from the port dialog, where a short pause is harmless.
constexpr int CloseDrainMs = 200;

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


}  // namespace

QtSerialPort::QtSerialPort(QString dataDir) : dataDir_(std::move(dataDir))
{
    // Should QSerialPort ever read the line itself, its buffer is bounded: a
    // flood waits in the driver, where the next receive() drops it.
    port_.setReadBufferSize(MaxReceiveBytes);
    // Where QSerialPort's notifiers still watch the line between polls, a
    // device that goes away makes them raise errors in a tight loop; closing
    // the port stops it. The close is queued, since Qt is still inside its
    // own handler here.
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
    Status allowed = CheckNewPortNumber(port_.isOpen(), number);
    if (allowed.ok())
        number_ = number;
    return allowed;
}

Status QtSerialPort::setSettings(const QString& lineParameters)
{
    const Result<LineSettings> parsed = PortLineSettings(lineParameters);
    if (parsed.ok())
        settings_ = parsed.value;
    return parsed.status;
}

Status QtSerialPort::open()
{
    if (port_.isOpen())
        return PortAlreadyOpen();

    const QString device = PortDeviceName(number_, dataDir_, linkedNumbers_.contains(number_));
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
            QStringLiteral("Не удается открыть порт %1: %2")
                .arg(QDir::toNativeSeparators(device), SerialPortErrorText(port_.error(), port_.errorString())));
        port_.clearError();
        return failed;
    }
    port_.clearError();
    if (device == PortLinkName(number_, dataDir_))
        linkedNumbers_.insert(number_);
    quietBetweenPolls();
    return Status::success();
}

Status QtSerialPort::close()
{
    if (!port_.isOpen())
        return PortNotOpen();
    // QSerialPort::close() discards output it still holds (where it writes
    // the line itself), so a query sent just before closing would otherwise
    // never leave.
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
    return writeLine(ToCp1251(text));
}

Result<QString> QtSerialPort::receive()
{
    if (!port_.isOpen())
        return Result<QString>::failure(takeLoss());
    if (Status earlier = takeEarlierError(); !earlier.ok())
        return Result<QString>::failure(earlier);
    const Result<QByteArray> bytes = readLine();
    if (!bytes.ok())
        return Result<QString>::failure(bytes.status);
    if (bytes.value.size() >= FloodBytes)
        port_.clear(QSerialPort::Input);
    return Result<QString>::success(FromCp1251(bytes.value));
}

void QtSerialPort::quietBetweenPolls()
{
    // QSerialPort reads the line from a socket notifier whenever the event
    // loop runs: the own scale's ten frames a second would wake the terminal
    // ten times a second besides its polls, each only to move the bytes into
    // a buffer the next poll reads anyway.
    const auto notifiers = port_.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly);
    for (QSocketNotifier* notifier : notifiers) {
        if (notifier->type() == QSocketNotifier::Read)
            notifier->setEnabled(false);
    }
}

// QSerialPort opens, sets up, locks and closes the device; the polls read and
// write its descriptor themselves. QSerialPort's own reads and writes go
// through notifiers served by the event loop, and switching one on or off
// wakes the loop too: every query, every emptied buffer would cost the
// terminal a wake-up besides its polls, most of its idle cost.

Status QtSerialPort::writeLine(const QByteArray& bytes)
{
    // A query is a few bytes, which the driver takes whole at once.
    const ssize_t written = ::write(port_.handle(), bytes.constData(), static_cast<size_t>(bytes.size()));
    const int error = errno;
    if (written == bytes.size())
        return Status::success();
    if (const std::optional<QString> reason = hungUpReason())
        return lost(*reason);
    return Status::failure(ErrorNumber::DeviceIo,
                           QStringLiteral("Ошибка порта %1: %2")
                               .arg(port_.portName(),
                                    written < 0 ? ErrnoText(error) : CauseText(FailureCause::Busy)));
}

Result<QByteArray> QtSerialPort::readLine()
{
    QByteArray bytes(MaxReceiveBytes, Qt::Uninitialized);
    // QSerialPort sets the line to return at once with what has come, if
    // anything (VMIN and VTIME 0).
    const ssize_t got = ::read(port_.handle(), bytes.data(), static_cast<size_t>(bytes.size()));
    const int error = errno;
    if (got > 0) {
        bytes.truncate(got);
        return Result<QByteArray>::success(std::move(bytes));
    }
    if (got < 0 && (error == EAGAIN || error == EINTR))
        return Result<QByteArray>::success({});
    // Nothing read is an idle line, or the end of a hung-up one.
    if (const std::optional<QString> reason = hungUpReason())
        return Result<QByteArray>::failure(lost(*reason));
    if (got == 0)
        return Result<QByteArray>::success({});
    return Result<QByteArray>::failure(Status::failure(
        ErrorNumber::DeviceIo, QStringLiteral("Ошибка порта %1: %2").arg(port_.portName(), ErrnoText(error))));
}

std::optional<QString> QtSerialPort::hungUpReason() const
{
    // A hung-up terminal (adapter unplugged, other end of a pty closed)
    // refuses every termios request, which a line that is merely quiet or
    // busy never does; the errno says what happened.
    termios attributes{};
    if (::tcgetattr(port_.handle(), &attributes) == 0)
        return std::nullopt;
    return ErrnoText(errno);
}

Status QtSerialPort::lost(const QString& reason)
{
    // Left open, a hung-up device keeps QSerialPort's notifiers, where any
    // watch it, firing in a tight loop until someone closes it.
    const QString device = QDir::toNativeSeparators(port_.portName());
    port_.close();
    port_.clearError();
    return Status::failure(ErrorNumber::PortLost, QStringLiteral("Порт %1 потерян: %2").arg(device, reason));
}

Status QtSerialPort::takeLoss()
{
    // The loss noticed behind the poll's back is reported once, as the loss
    // it was; after that the port is simply closed.
    if (!lostReason_)
        return PortNotOpen();
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
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError) {
        if (const std::optional<QString> reason = goneReason(error, text))
            return lost(*reason);
    }
    return Status::failure(ErrorNumber::DeviceIo,
                           QStringLiteral("Ошибка порта %1: %2")
                               .arg(QDir::toNativeSeparators(port_.portName()), SerialPortErrorText(error, text)));
}

std::optional<QString> QtSerialPort::goneReason(QSerialPort::SerialPortError error, const QString& qtText) const
{
    Q_UNUSED(error);
    Q_UNUSED(qtText);
    // QSerialPort cannot tell a dead line from a passing hiccup: a hung-up
    // terminal first reads as end of file, a ReadError carrying whatever
    // errno was left over, while a read that merely would block comes out as
    // a ResourceError.
    return hungUpReason();
}
