#pragma once

#include <QString>

// The device a port number names. On Windows "COM<N>". Elsewhere the operator
// may put a link "com<N>" in the data directory (dataDir ends with a
// separator) pointing at the real device, say a USB adapter; without one the
// number counts from the first built-in port, /dev/ttyS0 for 1.
//
// linkSeen: the port was opened through that link earlier in this run. Its
// link gone (the adapter unplugged, the simulator stopped) is then a lost
// device, never a reason to reach for a built-in port the scale is not on.
QString PortDeviceName(int number, const QString& dataDir, bool linkSeen = false);

// The link "com<N>" in the data directory that names port N's device
// (other than on Windows).
QString PortLinkName(int number, const QString& dataDir);
