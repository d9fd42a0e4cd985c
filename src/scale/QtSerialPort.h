#pragma once

#include "core/LineSettings.h"
#include "core/SerialPort.h"

#include <QSerialPort>
#include <QSet>
#include <QString>

#include <optional>

// The terminal's port on QSerialPort (Linux and other POSIX systems), polled: nothing here reacts to
// readyRead, each receive() takes what has arrived. Port numbers name devices
// through PortDeviceName, so the operator can point a number at any device
// by a link in the data directory.
class QtSerialPort final : public SerialPort {
public:
    explicit QtSerialPort(QString dataDir);

    Status setPortNumber(std::int16_t number) override;
    std::int16_t portNumber() const override { return number_; }
    Status setSettings(const QString& lineParameters) override;
    QString settings() const override { return LineSettingsText(settings_); }

    Status open() override;
    Status close() override;
    bool isOpen() const override { return port_.isOpen(); }

    Status send(const QString& text) override;
    Result<QString> receive() override;

private:
    // Turns the error QSerialPort holds into a status and clears it, closing
    // the port when the device behind it has gone.
    Status takeError();
    // The same for an error left from before the current operation, which
    // counts only when it is the loss of the device.
    Status takeEarlierError();
    // Why the device behind the open port is gone, or nothing while it is
    // still there; error and qtText are what QSerialPort said of the failure.
    std::optional<QString> goneReason(QSerialPort::SerialPortError error, const QString& qtText) const;
    // The failure of an operation on a closed port: the loss of the device
    // when that is what closed it, else simply "not open".
    Status takeLoss();
    // Stops QSerialPort from reading the line behind the polls' back.
    void quietBetweenPolls();
    // The line itself: what has come (at most a poll's worth), and a query.
    Result<QByteArray> readLine();
    Status writeLine(const QByteArray& bytes);
    // Closes the port whose device has gone and says so.
    Status lost(const QString& reason);
    // Why the line is hung up, or nothing while it is there.
    std::optional<QString> hungUpReason() const;

    QString dataDir_;
    // Numbers opened through their link in the data directory in this run:
    // from then on they name that link alone.
    QSet<std::int16_t> linkedNumbers_;
    std::int16_t number_ = 1;
    LineSettings settings_;
    QSerialPort port_;
    std::optional<QString> lostReason_;  // set when the event loop met the device gone
};
