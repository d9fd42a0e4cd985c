#pragma once

#include "core/LineSettings.h"

#include <windows.h>

// Fills a DCB read back from the driver (GetCommState) with the line's
// settings, ready for SetCommState. receiveQueue is the driver's input
// buffer in bytes (GetCommProperties' dwCurrentRxQueue; 0 when unknown).
void SetLineState(DCB& dcb, const LineSettings& settings, DWORD receiveQueue);
