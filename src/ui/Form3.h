#pragma once

#include "core/Terminal.h"
#include "ui/ScaleDialog.h"

#include "ui/SettingsDialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Настройка весов", the scale settings dialog: modeless, one at a time,
// destroyed when closed. The choice of scale kind acts at once; the threshold
// and the automatic weighing flag only when saved.
class Form3 final : public SettingsDialog {
    Q_OBJECT
public:
    explicit Form3(Terminal& terminal, QWidget* parent = nullptr);

    // Start-up's presets: the automatic weighing box and the scale kind from
    // the state, without showing the dialog.
    void preset();

    // Puts the stored threshold, flag and kind on the controls. Runs at every
    // activation; public so that it does not depend on a window manager
    // handing out focus.
    void Form_Activate() override;

    // "Сохранить".
    void Command1_Click();

    ScaleDialogTexts texts() const;

    QLineEdit* Text1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;



private:
    void setTexts(const ScaleDialogTexts& texts);
    void Option1_Click();
    void Option2_Click();

    Terminal& terminal_;
};
