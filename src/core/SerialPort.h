#pragma once

#include "core/Status.h"

#include <QString>

#include <cstdint>

// The terminal's one serial port, polled: nothing is delivered by events.
// Port number and line parameters take effect at the next open.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual Status setPortNumber(std::int16_t number) = 0;
    virtual std::int16_t portNumber() const = 0;
    // Line parameters as text, e.g. "9600,n,8,1"; a text the port cannot use
    // is refused and the previous parameters stay in effect.
    virtual Status setSettings(const QString& lineParameters) = 0;
    virtual QString settings() const = 0;

    virtual Status open() = 0;
    virtual Status close() = 0;
    virtual bool isOpen() const = 0;

    // Queues the text for sending at once (Windows-1251, one byte a character).
    virtual Status send(const QString& text) = 0;
    // Everything received since the last call, possibly nothing.
    virtual Result<QString> receive() = 0;
};
