#pragma once

#include "core/Terminal.h"

#include <QString>

// What the scale dialog shows, kept apart from the widgets so that the
// dialog's rules run without a screen.
struct ScaleDialogTexts {
    QString Text1;        // MinWeightGrams
    bool Check1 = true;   // AutoWeighOn
    bool Option1 = true;  // ScaleKind 1
    bool Option2 = false; // ScaleKind 2

    friend bool operator==(const ScaleDialogTexts&, const ScaleDialogTexts&) = default;
};

// A dialog just created: "200", checked, the maker's own scale.
ScaleDialogTexts ScaleDialogInitialTexts();

// Each activation: the stored threshold, flag and kind replace unsaved
// entries. A kind other than 1 or 2 leaves the option buttons as they are.
void Form3_Activate(const TerminalState& state, ScaleDialogTexts& texts);

inline const QString WholeGramsMessage = QStringLiteral(" введите целое число грамм");

// "Сохранить": takes the threshold and the flag and saves the settings file.
// Returns true when the dialog is done and closes; on false the operator has
// been told why in one message, and a refused threshold leaves the previous
// one in force.
bool Form3_Command1_Click(Terminal& terminal, const ScaleDialogTexts& texts);
