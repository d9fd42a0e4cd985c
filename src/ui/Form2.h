#pragma once

#include "core/Terminal.h"
#include "ui/PortDialog.h"

#include "ui/SettingsDialog.h"

class QComboBox;
class QLabel;
class QPushButton;

// "Настройка СОМ-порта компьютера", the port settings dialog: modeless, one
// at a time, destroyed when closed.
class Form2 final : public SettingsDialog {
    Q_OBJECT
public:
    explicit Form2(Terminal& terminal, QWidget* parent = nullptr);

    // Puts the stored texts into the combo boxes. Runs at every activation;
    // public so that it does not depend on a window manager handing out focus.
    void Form_Activate() override;

    // "Сохранить".
    void Command1_Click();

    PortDialogTexts texts() const;

    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QComboBox* Combo4 = nullptr;
    QComboBox* Combo5 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* Command1 = nullptr;



private:
    void setTexts(const PortDialogTexts& texts);

    Terminal& terminal_;
};
