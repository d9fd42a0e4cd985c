#pragma once

#include "core/Terminal.h"
#include "ui/ScaleDialog.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Настройка весов", the scale settings dialog: modeless, one at a time,
// destroyed when closed. The choice of scale kind acts at once; the threshold
// and the automatic weighing flag only when saved.
class Form3 final : public QWidget {
    Q_OBJECT
public:
    explicit Form3(Terminal& terminal, QWidget* parent = nullptr);

    // Start-up's presets: the automatic weighing box and the scale kind from
    // the state, without showing the dialog.
    void preset();

    // Puts the stored threshold, flag and kind on the controls. Runs at every
    // activation; public so that it does not depend on a window manager
    // handing out focus.
    void Form_Activate();

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

signals:
    // The dialog became the active window; the main window refreshes itself
    // when the operator comes back from it.
    void activated();

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setTexts(const ScaleDialogTexts& texts);
    void Option1_Click();
    void Option2_Click();

    Terminal& terminal_;
    bool awayAtMessage_ = false;
};
