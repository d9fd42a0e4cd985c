#pragma once

#include "core/Terminal.h"

// The tare switch: on captures the raw weight of this moment as the tare,
// off drops it. Only the AED reader subtracts it.
void Command2_Click(Terminal& terminal);
