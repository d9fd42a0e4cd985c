#pragma once

#include "core/Terminal.h"
#include "link/LinkSnapshot.h"

#include <array>
#include <chrono>
#include <cstdint>

class LinkHub;

// What the earlier publications saw: the record counters (a change means a
// weighing was written since) and the last readings of the scale.
struct LinkSeen {
    bool started = false;
    std::int16_t totalCount = 0;
    std::int16_t dayIndex = 0;
    quint64 readings = 0;                                   // Terminal::readings
    std::chrono::steady_clock::time_point lastReading{};   // when it last grew
    std::array<double, 3> recent{};                         // the newest first
    int held = 0;                                           // of them, up to three
};

// A scale that has given no reading for this long gives no weight to other
// programs: the own scale sends ten frames a second, the AED answers every
// poll.
inline constexpr std::chrono::milliseconds LinkSilence{1500};

// Runs on the window's thread after each procedure: hands the hub what the
// window shows of the weight and, when a weighing was just written, that
// weighing, with how the site database stands (none while it is off).
// Reads the terminal; changes nothing of it. `now` is a steady clock's time,
// so that a test can let the scale fall silent.
void PublishToLink(LinkHub& hub, const Terminal& terminal, LinkSeen& seen,
                   std::optional<LinkDatabase> database = std::nullopt,
                   std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());
