#pragma once

#include <QFileDevice>

// On Windows an antivirus, an indexer or a backup program often holds a file
// for a moment after it was written, and opening or replacing the file then
// fails with access denied or a sharing violation. Such a failure is tried
// again for about a second before it is reported. Elsewhere no failure of
// that kind passes by itself, and nothing is tried again.

// Whether the file's last failure may pass when the operation is tried again
// in a moment.
bool MayPassSoon(const QFileDevice& file);

// The pauses between tries of one operation, about a second in all.
class HeldFileRetry {
public:
    // Waits a moment and says whether to try again: false, at once, when
    // the second is used up.
    bool again();

private:
    int pauses_ = 0;
};
