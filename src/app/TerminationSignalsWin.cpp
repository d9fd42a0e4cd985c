#include "app/TerminationSignals.h"

// A GUI program is never attached to a console, so console control events
// (Ctrl+C, a console's close, a console program's logoff and shutdown) never
// reach it; the window messages that do end it come through Qt's event loop
// (see the header).
void QuitOnTerminationSignals(QObject*) {}
