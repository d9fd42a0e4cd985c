#pragma once

#include "core/OperatorPanel.h"

#include <QStringList>

#include <functional>

// Records what the operator would have been told; never blocks.
class FakeOperatorPanel final : public OperatorPanel {
public:
    QStringList messages;
    int beeps = 0;
    // Runs while a message is "open", as the real box runs the event loop.
    std::function<void()> whileMessageOpen;

    void message(const QString& text) override
    {
        messages.append(text);
        if (whileMessageOpen)
            whileMessageOpen();
    }
    void beep() override { ++beeps; }

    QStringList questions;
    bool answer = true;  // what every question is answered
    bool ask(const QString& question) override
    {
        questions.append(question);
        return answer;
    }
};
