#include "weighing/TareSwitch.h"

void Command2_Click(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    Display& d = terminal.display;
    if (s.TareOn == 1) {
        s.TareOn = 0;
        s.TareWeight = 0;
        d.Command2 = SwitchOffLook;
        d.Label5 = QStringLiteral("Вес брутто");
    } else {
        s.TareWeight = s.RawWeight;
        s.TareOn = 1;
        d.Command2 = SwitchOnLook;
        d.Label5 = QStringLiteral("Вес нетто");
    }
}
