#pragma once

#include "core/SerialPort.h"

// A port that accepts everything and hears nothing: port 1 at 9600,n,8,1,
// open. Fuzz targets, benchmarks and helper programs take it as the base of
// their own ports; it needs no test framework.
class InertSerialPort : public SerialPort {
public:
    Status setPortNumber(std::int16_t) override { return Status::success(); }
    std::int16_t portNumber() const override { return 1; }
    Status setSettings(const QString&) override { return Status::success(); }
    QString settings() const override { return QStringLiteral("9600,n,8,1"); }
    Status open() override { return Status::success(); }
    Status close() override { return Status::success(); }
    bool isOpen() const override { return true; }
    Status send(const QString&) override { return Status::success(); }
    Result<QString> receive() override { return Result<QString>::success({}); }
};
