#pragma once

// The real port of this platform, chosen at build time: Windows builds carry
// no Qt Serial Port and talk to the Win32 communications API directly.
#include <QtGlobal>

#ifdef Q_OS_WIN
#include "scale/Win32SerialPort.h"
using SystemSerialPort = Win32SerialPort;
#else
#include "scale/QtSerialPort.h"
using SystemSerialPort = QtSerialPort;
#endif
