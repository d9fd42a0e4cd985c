#pragma once

#include "core/Clock.h"
#include "core/Display.h"
#include "core/OperatorPanel.h"
#include "core/ProgramTitle.h"
#include "core/SerialPort.h"
#include "core/TerminalState.h"

#include <QString>

// The context every handler works on: the state, what the window shows, and
// the platform seams.
struct Terminal {
    TerminalState state;
    Display display;
    SerialPort& port;
    Clock& clock;
    OperatorPanel& panel;
    QString dataDir;  // with its trailing separator
    // The user's documents folder, with its trailing separator, where a
    // report is kept when there is no printer; empty when the user has none.
    QString documentsDir{};
    // The device behind the port went away while open (a USB adapter pulled
    // out), or was not there when the port was chosen; the terminal tries to
    // open it until it is there.
    bool portLost = false;
    // Passes that read a weight from the scale, counted since start-up: what
    // tells a reading from a pass that heard nothing (the window shows both).
    quint64 readings = 0;
};
