#pragma once

#include "core/OperatorPanel.h"

#include <QStringList>

// The operator panel of the real program: a modal message box captioned with
// the program's title, one OK button, no icon; a question box like it with
// "Да" and "Нет"; and the system beep.
class QtOperatorPanel final : public OperatorPanel {
public:
    void message(const QString& text) override;
    bool ask(const QString& question) override;
    void beep() override;

private:
    bool open_ = false;
    QStringList waiting_;  // messages raised while a box was open, each once
};
