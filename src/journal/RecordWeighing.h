#pragma once

#include "core/Status.h"
#include "core/Terminal.h"

// Records the current net weight: numbers it within the day, adds the line to
// the journal on screen and in the day file, adds it to the running sum, saves
// the counters and refreshes the sum and the journal box.
//
// Once its line is in the day file, the line is sealed; a seal that fails is
// told (once while it keeps failing) but undoes nothing.
//
// A weighing that would pass a limit (1000 a day, a sum of 32767 weighings)
// is refused before anything changes. A failed file write leaves the weighing
// on screen. Either way the failure comes back with the operator's message in
// its description; the caller shows it, so that a caller inside the polling
// path can first make sure the message cannot be followed by a second
// recording while it is open.
Status RecordWeighing(Terminal& terminal);

// "Записать": beep, record, and tell the operator what went wrong, if anything.
void Command4_Click(Terminal& terminal);
