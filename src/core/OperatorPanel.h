#pragma once

#include <QString>

// What the terminal says to the operator: a modal message with one OK button,
// a modal question answered yes or no, and the system beep. The real one blocks in its own event loop, during which
// timers keep ticking.
class OperatorPanel {
public:
    virtual ~OperatorPanel() = default;
    virtual void message(const QString& text) = 0;
    // True for "Да", false for "Нет" or a box closed without an answer.
    virtual bool ask(const QString& question) = 0;
    virtual void beep() = 0;
};
