#pragma once

#include <cstdint>

// Calls of malloc, calloc and realloc made by this process so far, Qt's and
// the standard library's included: QString and QByteArray allocate with
// malloc directly, past any replaced operator new.
std::uint64_t AllocationCount();
