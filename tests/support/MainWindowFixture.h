#pragma once

#include "core/SettingsFile.h"
#include "support/FakeClock.h"
#include "support/FakeOperatorPanel.h"
#include "support/FakeSerialPort.h"
#include "support/TempDataDir.h"
#include "ui/ActiveWindow.h"
#include "ui/Form1.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Runs the event loop until the window is the active one (or a second has
// passed); the offscreen platform hands out activation like a window manager.
// Qt's own active window is what counts: on Windows isActiveWindow() is true
// as soon as the native window is in front, before Qt has delivered the
// activation events that the windows react to.
inline bool WaitActive(QWidget* window)
{
    const QDeadlineTimer deadline(1000);
    while (ActiveWindow() != window && !deadline.hasExpired()) {
        // Asked again while waiting: under a window manager the focus that a
        // window just closed hands to its owner may arrive after the request.
        window->activateWindow();
        const QDeadlineTimer retry(100);
        while (ActiveWindow() != window && !retry.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return ActiveWindow() == window;
}

// Destroys the windows that closed themselves.
inline void DeleteClosed()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The real main window over fakes and a temporary data directory, started
// and active, for tests that go through its menus and dialogs.
class MainWindowFixture : public ::testing::Test {
protected:
    TempDataDir dir;
    FakeSerialPort port;
    FakeClock clock;
    FakeOperatorPanel panel;
    Terminal t{TerminalState{}, Display{}, port, clock, panel, dir.path()};
    std::unique_ptr<Form1> form;

    // Starts the window, after storing a settings file changed from the
    // defaults when asked to.
    void start(const std::function<void(TerminalState&)>& change = {})
    {
        if (change) {
            TerminalState s;
            SetDefaults(s);
            change(s);
            dir.write(SettingsFileName, EncodeSettings(s, {}).value);
        }
        form = std::make_unique<Form1>(t);
        ASSERT_TRUE(form->load().ok());
        // Start-up sealing reads on a thread of its own; the tests begin
        // once it has ended, as an operator's first weighing usually does.
        const QDeadlineTimer sealed(30000);
        while (form->sealingAtStartUp() && !sealed.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_FALSE(form->sealingAtStartUp());
        form->show();
        ASSERT_TRUE(WaitActive(form.get()));
    }

    TerminalState stored() const
    {
        TerminalState s;
        EXPECT_TRUE(DecodeSettings(dir.read(SettingsFileName), s).ok());
        return s;
    }
};
