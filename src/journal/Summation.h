#pragma once

#include "core/Terminal.h"

// The summation switch. Switching on starts a new sum at zero; switching off
// writes the sum line to the journal on screen and in the day file, and
// seals it there. Switching
// off saves the settings, so a restart does not write the same sum line a
// second time; switching on does not: the new sum reaches the file with the
// first weighing in it, and a restart before that finds summation off.
void Command3_Click(Terminal& terminal);
