#pragma once

#include "core/Status.h"
#include "core/Terminal.h"

// Reconnecting a lost scale. A lost device is not reported by a message box:
// it would stack up at every poll. The port indicator turns light red at once
// and back to green when the device is there again.

// Called with the outcome of a port operation of the polling cycle.
void NoteLostPort(Terminal& terminal, const Status& portOperation);

// One attempt to reopen a lost port with the number and line parameters in
// force; called every 2 seconds. Does nothing while the port is not lost.
void RetryLostPort(Terminal& terminal);

// The port indicator's caption and colour as the port reports itself.
void PaintPortIndicator(Terminal& terminal);
