#pragma once

#include "core/Terminal.h"

// The summation switch. Switching on starts a new sum at zero; switching off
// writes the sum line to the journal on screen and in the day file. Each
// click saves the settings, so a restart neither loses the switch's state nor
// writes the same sum line a second time.
void Command3_Click(Terminal& terminal);
