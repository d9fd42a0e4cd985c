#pragma once

#include <QObject>

#include <functional>

// Runs `work` on a thread of its own, then `done` on the thread of
// `receiver` (the window's), unless the receiver is gone by then. For slow
// file work that must not hold up the polling; `work` touches nothing the
// window's thread uses meanwhile, and hands its result over through what the
// two functions share. The thread ends and is deleted by itself.
void RunInBackground(QObject* receiver, std::function<void()> work, std::function<void()> done);

// Waits for every work still running. For the program's end: a thread left
// running while the process is taken down uses what is being destroyed
// (under Wine that ended in a crash, or a process that never exited).
void WaitForBackgroundWork();
