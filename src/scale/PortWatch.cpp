#include "scale/PortWatch.h"

#include "core/TextRules.h"

void NoteLostPort(Terminal& terminal, const Status& portOperation)
{
    if (portOperation.number != ErrorNumber::PortLost)
        return;
    terminal.portLost = true;
    PaintPortIndicator(terminal);
}

void RetryLostPort(Terminal& terminal)
{
    if (!terminal.portLost)
        return;
    if (terminal.port.isOpen() || terminal.port.open().ok()) {
        terminal.portLost = false;
        PaintPortIndicator(terminal);
    }
}

void PaintPortIndicator(Terminal& terminal)
{
    Display& d = terminal.display;
    d.Label1Back = terminal.port.isOpen() ? Colours::PortOpen : Colours::PortClosed;
    d.Label1 = QStringLiteral("COM") + DisplayNumberText(terminal.port.portNumber()) + QStringLiteral("  ") +
               terminal.port.settings();
}
