#pragma once

#include "core/LineSettings.h"
#include "core/Status.h"

#include <QString>

#include <cstdint>

// What every real port refuses alike, whatever carries its line, so that the
// terminal meets the same answers on each platform.

// Success when the port may take this number now (closed, 1 to 255).
Status CheckNewPortNumber(bool portOpen, std::int16_t number);

// The line parameters in a text, or why the port refuses it.
Result<LineSettings> PortLineSettings(const QString& lineParameters);

Status PortNotOpen();
Status PortAlreadyOpen();
