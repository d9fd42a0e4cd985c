#include "scale/PollingCycle.h"

#include "scale/PortWatch.h"
#include "scale/ScaleReaders.h"
#include "weighing/AutoWeigh.h"

void Timer1_Timer(Terminal& terminal)
{
    if (terminal.state.ScaleKind == ScaleKindAed) {
        // A query that cannot be sent (the port closed) is not an error here:
        // the read finds no answer, and the reader says what that shows.
        NoteLostPort(terminal, terminal.port.send(AedQuery));
    }
    terminal.display.Timer2Enabled = true;
}

void Timer2_Timer(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    Status read;
    if (s.ScaleKind == ScaleKindVeltar)
        read = ReadVeltarScale(terminal);
    else if (s.ScaleKind == ScaleKindAed)
        read = ReadAedScale(terminal);
    NoteLostPort(terminal, read);
    if (read.ok())
        ++terminal.readings;
    terminal.display.Timer2Enabled = false;
    // A pass that read nothing from the scale is no reading: on a failed read
    // the AED reader computes its previous answer again, and on silence it
    // computes the tare alone; three such passes would look like a stable
    // load the scale never reported. Nor are the readings on either side of
    // it consecutive: the detector counts afresh from the next real reading.
    if (s.AutoWeighOn == 1) {
        if (read.ok())
            AutoWeighStep(terminal);
        else
            AutoWeighGap(terminal);
    }
}
