#pragma once

#include "link/MhdApi.h"

// One turn of the library's event loop on the service's thread: waits up to
// `ms` (less when the library has work due) for its sockets, then lets it do
// what is ready. At `maxConnections` open the listening socket is not waited
// on, so that newcomers beyond the cap wait in the system's queue until a
// place is free rather than be taken and closed at once. False when the
// wait or the library failed.
bool TakeTurn(const MhdApi& mhd, MHD_Daemon* daemon, int ms, unsigned maxConnections);
