#pragma once

#include <QString>

// The fixed data directory, with its trailing separator: on Windows
// "c:\Program Files\Orvalta\", elsewhere "Orvalta/" under the XDG data home.
QString DataDirectory();

// Creates the data directory. On Windows one level, as its parent always
// exists there; elsewhere with its parents, since the XDG data home of a
// fresh account may not exist yet.
bool CreateDataDirectory(const QString& dataDir);

// The user's documents folder, with its trailing separator, or empty when the
// platform names none.
QString DocumentsDirectory();
