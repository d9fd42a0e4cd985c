#pragma once

#include "core/SerialPort.h"

#include <QStringList>

#include <deque>

// A serial port in memory: what the scale "sends" waits in a queue, what the
// terminal sends is logged, and any operation can be made to fail.
class FakeSerialPort final : public SerialPort {
public:
    // The device behind the port: whether an open succeeds.
    bool present = true;
    bool failNextReceive = false;  // the device is lost at the next receive
    bool failSend = false;  // a line error: the port stays open

    std::deque<QString> incoming;  // each receive() takes everything queued
    QStringList sent;
    int openCalls = 0;
    int closeCalls = 0;

    Status setPortNumber(std::int16_t number) override;
    std::int16_t portNumber() const override { return number_; }
    Status setSettings(const QString& lineParameters) override;
    QString settings() const override { return settings_; }
    Status open() override;
    Status close() override;
    bool isOpen() const override { return open_; }
    Status send(const QString& text) override;
    Result<QString> receive() override;

private:
    std::int16_t number_ = 1;
    QString settings_ = QStringLiteral("9600,n,8,1");
    bool open_ = false;
};
