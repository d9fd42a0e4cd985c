#pragma once

#include <QObject>

#include <functional>

// Runs `work` on a thread of its own, then `done` on the thread of
// `receiver` (the window's), unless the receiver is gone by then. For slow
// file work that must not hold up the polling; `work` touches nothing the
// window's thread uses meanwhile, and hands its result over through what the
// two functions share. The thread ends and is deleted by itself.
void RunInBackground(QObject* receiver, std::function<void()> work, std::function<void()> done);
