#pragma once

class QObject;

// A request to end the program ends the event loop between two handlers
// instead of killing the process in the middle of one, so a weighing being
// recorded gets both its journal line and its counters written.
//
// On Linux the requests are SIGTERM and SIGINT, which would otherwise end the
// process wherever it is; this turns them into a quit of the event loop.
//
// On Windows the program has no console and gets no console events; its ends
// are window messages, which reach it only through the event loop, so only
// between handlers: WM_CLOSE (the task manager's "End task") closes the main
// window, and logoff or shutdown sends WM_QUERYENDSESSION and WM_ENDSESSION,
// on which Qt emits aboutToQuit and quits. Windows may end the process as
// soon as WM_ENDSESSION has been answered, but every handler has written its
// files before it shows a message box (the only event loop it runs), so
// nothing is left half done. Nothing needs installing there.
void QuitOnTerminationSignals(QObject* owner);
