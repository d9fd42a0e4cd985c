#pragma once

#include "core/Terminal.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QRadioButton;

// "Настройка весов", the scale settings dialog: modeless, one at a time,
// destroyed when closed. The choice of scale kind acts at once.
class Form3 final : public QWidget {
    Q_OBJECT
public:
    explicit Form3(Terminal& terminal, QWidget* parent = nullptr);

    // Start-up's presets: the automatic weighing box and the scale kind from
    // the state, without showing the dialog.
    void preset();

    QCheckBox* Check1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;

signals:
    // The dialog became the active window; the main window refreshes itself
    // when the operator comes back from it.
    void activated();

protected:
    void changeEvent(QEvent* event) override;

private:
    void Option1_Click();
    void Option2_Click();

    Terminal& terminal_;
};
