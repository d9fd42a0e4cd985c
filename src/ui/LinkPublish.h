#pragma once

#include "core/Terminal.h"
#include "link/LinkSnapshot.h"

#include <cstdint>

class LinkHub;

// The record counters as the last publication saw them: a change means a
// weighing was written since.
struct LinkSeen {
    bool started = false;
    std::int16_t totalCount = 0;
    std::int16_t dayIndex = 0;
};

// Runs on the window's thread after each procedure: hands the hub what the
// window shows of the weight and, when a weighing was just written, that
// weighing, with how the site database stands (none while it is off).
// Reads the terminal; changes nothing of it.
void PublishToLink(LinkHub& hub, const Terminal& terminal, LinkSeen& seen,
                   std::optional<LinkDatabase> database = std::nullopt);
