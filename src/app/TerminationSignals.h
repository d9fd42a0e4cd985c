#pragma once

class QObject;

// SIGTERM and SIGINT (a shutdown, a service manager, Ctrl-C) end the event
// loop between two handlers instead of killing the process in the middle of
// one, so a weighing being recorded gets both its journal line and its
// counters written. Does nothing where there are no such signals.
void QuitOnTerminationSignals(QObject* owner);
