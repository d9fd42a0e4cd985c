#pragma once

#include "core/Status.h"
#include "core/Terminal.h"

// Start-up of the main window: settings loaded or created, the day's
// numbering carried on past the last weighing of today's file, the port set
// up and opened ("Порт не обнаружен" when it cannot be), today's journal
// read. Start-up sealing is the window's to start, off its thread.
// Only a failure of the settings step is returned; the program then reports
// it and ends. The scale dialog's presets are the window's to apply.
Status Form_Load(Terminal& terminal);

// Brings the main window's indicators in line with the state and the port;
// runs each time the window becomes active within the program.
void Form_Activate(Terminal& terminal);

// "О программе": shows the about picture, or hides it when shown.
void mnu_Prog_Click(Terminal& terminal);

inline const QString PortNotFoundMessage = QStringLiteral("Порт не обнаружен");
