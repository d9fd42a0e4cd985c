#include "weighing/AutoWeigh.h"

#include "journal/RecordWeighing.h"

namespace {

void AllLamps(Display& d, Rgb colour)
{
    d.Shape1 = {colour, colour, colour};
}

}  // namespace

void AutoWeighStep(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    Display& d = terminal.display;
    const double minimum = static_cast<double>(s.MinWeightGrams) / 1000;
    const double net = s.NetWeight;

    // The first rule that holds applies. Weights are compared exactly: the
    // readers already round to the scale's steps.
    if (net < minimum) {  // Below
        AllLamps(d, Colours::LampRed);
        s.AutoStep = -1;
        s.AutoLatched = 0;
    } else if (s.AutoLatched == 1) {  // Held
    } else if (s.AutoStep == -1) {  // Wait
        s.AutoStep = 0;
    } else if (s.AutoStep == 0) {  // First
        s.StableReadings[0] = net;
        d.Shape1[0] = Colours::LampGreen;
        s.AutoStep = 1;
    } else if (s.AutoStep == 1) {
        if (net == s.StableReadings[0]) {  // Second, same
            s.StableReadings[1] = net;
            d.Shape1[1] = Colours::LampGreen;
            s.AutoStep = 2;
        } else {  // Second, different
            s.StableReadings[0] = net;
            s.StableReadings[1] = 0;
            AllLamps(d, Colours::LampRed);
            s.AutoStep = 0;
        }
    } else if (s.AutoStep == 2) {
        if (net == s.StableReadings[0] && net == s.StableReadings[1]) {  // Third, same
            s.StableReadings[2] = net;
            d.Shape1[2] = Colours::LampGreen;
            terminal.panel.beep();
            const Status recorded = RecordWeighing(terminal);
            // Latched before anyone is told of a failure: the message box runs
            // the event loop, and the polling ticks it delivers must find this
            // load already dealt with, not record it again (or repeat the
            // message at every poll).
            s.AutoLatched = 1;
            s.AutoStep = 0;
            if (!recorded.ok())
                terminal.panel.message(recorded.description);
        } else {  // Third, different
            s.StableReadings[0] = net;
            s.StableReadings[1] = 0;
            s.StableReadings[2] = 0;
            AllLamps(d, Colours::LampRed);
            s.AutoStep = 0;
        }
    }
}

void AutoWeighGap(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    // Waiting skips its next reading anyway, Ready holds none, and a latched
    // load must not be recorded twice.
    if (s.AutoLatched == 1 || s.AutoStep < 1)
        return;
    s.StableReadings[0] = 0;
    s.StableReadings[1] = 0;
    s.StableReadings[2] = 0;
    AllLamps(terminal.display, Colours::LampRed);
    s.AutoStep = 0;
}
