#pragma once

// Builds the real seams and the terminal, runs start-up and the event loop;
// returns the process's exit status. Kept apart from main(), which needs
// <QApplication>, whose X11 types clash with the terminal's Display record.
int RunTerminal();
