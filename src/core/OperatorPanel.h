#pragma once

#include <QString>

// What the terminal says to the operator: a modal message with one OK button,
// and the system beep. The real one blocks in its own event loop, during which
// timers keep ticking.
class OperatorPanel {
public:
    virtual ~OperatorPanel() = default;
    virtual void message(const QString& text) = 0;
    virtual void beep() = 0;
};
