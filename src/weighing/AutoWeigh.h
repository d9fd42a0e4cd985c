#pragma once

#include "core/Terminal.h"

// One pass of automatic weighing over the NetWeight just read: three exactly
// equal readings at or above the minimum record a weighing, one lamp lighting
// per reading; the load is not recorded again until the weight drops below
// the minimum.
void AutoWeighStep(Terminal& terminal);

// A poll that brought no reading (a failed read, a silent scale): the
// readings held before it and those after it are not consecutive, so the
// count of equal readings starts again. A recorded load stays latched.
void AutoWeighGap(Terminal& terminal);
