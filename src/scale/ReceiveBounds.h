#pragma once

// Most a poll takes from the line. A scale sends a few dozen characters per
// poll; a device that floods the line (or garbage at a wrong baud rate) must
// not grow the terminal's memory, and what lies beyond this is dropped.
constexpr long long MaxReceiveBytes = 4096;
// A poll that finds this much is a flood, not a scale: at 9600 baud a scale
// sends under 300 characters between two polls. The backlog in the driver is
// then dropped, so the next poll reads what the device sends from now on.
constexpr long long FloodBytes = MaxReceiveBytes / 2;
