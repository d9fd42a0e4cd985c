#pragma once

class QObject;

// A request to end the program (SIGTERM and SIGINT on Linux; a console's
// close, logoff or shutdown on Windows) ends the event loop between two
// handlers instead of killing the process in the middle of one, so a weighing
// being recorded gets both its journal line and its counters written.
void QuitOnTerminationSignals(QObject* owner);
