#pragma once

#include "core/Terminal.h"

// The poll tick, every 300 ms: asks the AED 9101B for its measured value
// (the own scale sends by itself) and arms the read 50 ms later.
void Timer1_Timer(Terminal& terminal);

// The read, once per arming: the selected scale's reader, then disarm, then
// one pass of automatic weighing while it is on.
void Timer2_Timer(Terminal& terminal);

inline const QString AedQuery = QStringLiteral("msv?;");
