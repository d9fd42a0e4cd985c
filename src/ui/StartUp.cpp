#include "ui/StartUp.h"

#include "core/SettingsFile.h"
#include "core/TextRules.h"
#include "journal/DayFile.h"
#include "scale/PortWatch.h"

Status Form_Load(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    if (const Status init = InitSettings(terminal, LastWeighingNumber); !init.ok())
        return init;
    ContinueDayNumbering(terminal);

    // A port number or line parameters the port cannot take would otherwise
    // stop every start until someone repairs the file by hand; the terminal
    // runs with the port closed instead, and the operator repairs it in the
    // port dialog.
    bool portUsable = true;
    const auto number = TextToInt16(s.PortNumber);
    if (!number || !terminal.port.setPortNumber(*number).ok())
        portUsable = false;
    if (!terminal.port.setSettings(LineParameters(s)).ok())
        portUsable = false;

    const bool opened = portUsable && terminal.port.open().ok();
    if (!opened) {
        // A scale plugged in after the start is looked for like a lost one
        // and opened when it appears; settings the port refuses never open.
        terminal.portLost = portUsable;
        terminal.panel.message(PortNotFoundMessage);
    }

    // No day file yet is the usual first start of a day: the journal stays
    // empty and nobody is told.
    static_cast<void>(LoadDayFile(terminal));
    terminal.display.Text1 = s.JournalText;
    return Status::success();
}

void Form_Activate(Terminal& terminal)
{
    TerminalState& s = terminal.state;
    Display& d = terminal.display;

    PaintPortIndicator(terminal);

    d.Text1SelStart = s.JournalText.size();

    if (s.SumOn == 1) {
        d.Command3 = SwitchOnLook;
    } else {
        d.Command3 = SwitchOffLook;
        s.SumWeight = 0;
        s.SumCount = 0;
    }
    d.Label8 = DisplayNumberText(s.SumWeight);
    d.Label9 = DisplayNumberText(s.SumCount);

    d.Command4Visible = s.AutoWeighOn != 1;
}

void mnu_Prog_Click(Terminal& terminal)
{
    terminal.display.Picture1Visible = !terminal.display.Picture1Visible;
}
