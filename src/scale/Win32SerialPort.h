#pragma once

#include "core/LineSettings.h"
#include "core/SerialPort.h"

#include <QString>

// Why a port call failed, in Russian, by its system error code: for an open,
// or for a line that still answers (a port that no longer answers at all is
// lost, whatever the code: PortGoneText).
QString Win32PortErrorText(unsigned long error);
QString PortGoneText();

// The terminal's port on the Win32 communications API, polled like the
// QSerialPort one: the read time-outs make ReadFile return at once with what
// the driver holds. Written against the API rather than QSerialPort because
// Windows builds carry no Qt Serial Port; port N is the device COMN.
class Win32SerialPort final : public SerialPort {
public:
    explicit Win32SerialPort(QString dataDir);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    Status setPortNumber(std::int16_t number) override;
    std::int16_t portNumber() const override { return number_; }
    Status setSettings(const QString& lineParameters) override;
    QString settings() const override { return LineSettingsText(settings_); }

    Status open() override;
    Status close() override;
    bool isOpen() const override { return handle_ != nullptr; }

    Status send(const QString& text) override;
    Result<QString> receive() override;

private:
    // The failure of a read or write: the loss of the device when the line
    // no longer answers at all, which also closes the port; else an error
    // of the line that the next poll may not meet again.
    Status failure(unsigned long systemError, const QString& what);
    void release();

    QString dataDir_;
    std::int16_t number_ = 1;
    LineSettings settings_;
    void* handle_ = nullptr;  // HANDLE; kept out of this header to keep <windows.h> out of the callers
};
