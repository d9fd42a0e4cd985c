#pragma once

#include <QString>

// The device a port number names. On Windows "COM<N>". Elsewhere the operator
// may put a link "com<N>" in the data directory (dataDir ends with a
// separator) pointing at the real device, say a USB adapter; without one the
// number counts from the first built-in port, /dev/ttyS0 for 1.
QString PortDeviceName(int number, const QString& dataDir);
