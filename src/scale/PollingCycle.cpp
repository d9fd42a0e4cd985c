#include "scale/PollingCycle.h"

#include "scale/ScaleReaders.h"
#include "weighing/AutoWeigh.h"

void Timer1_Timer(Terminal& terminal)
{
    if (terminal.state.ScaleKind == ScaleKindAed) {
        // A query that cannot be sent (the port closed) is not an error here:
        // the read finds no answer, and the reader says what that shows.
        static_cast<void>(terminal.port.send(AedQuery));
    }
    terminal.display.Timer2Enabled = true;
}

void Timer2_Timer(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    if (s.ScaleKind == ScaleKindVeltar)
        ReadVeltarScale(terminal);
    else if (s.ScaleKind == ScaleKindAed)
        ReadAedScale(terminal);
    terminal.display.Timer2Enabled = false;
    if (s.AutoWeighOn == 1)
        AutoWeighStep(terminal);
}
