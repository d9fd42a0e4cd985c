#include "app/TerminationSignals.h"

#include <QCoreApplication>
#include <QObject>

#include <windows.h>

// Windows asks a program to end in three ways. WM_CLOSE (the task manager's
// "End task") closes the main window, and the logoff messages reach Qt; both
// come through the event loop, so between two handlers. A console's close,
// logoff or shutdown (the terminal started from a console) arrives on a
// thread of its own, and Windows ends the process as soon as the callback
// returns: it hands the request to the event loop and waits for it there.

namespace {

HANDLE loopEnded = nullptr;

BOOL WINAPI OnConsoleControl(DWORD type)
{
    switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        break;
    default:
        return FALSE;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    // Windows allows a console close about five seconds.
    WaitForSingleObject(loopEnded, 4500);
    return TRUE;
}

}  // namespace

void QuitOnTerminationSignals(QObject* owner)
{
    loopEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!loopEnded)
        return;
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, owner, [] { SetEvent(loopEnded); });
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}
