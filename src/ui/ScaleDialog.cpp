#include "ui/ScaleDialog.h"

#include "core/SettingsFile.h"
#include "core/TextRules.h"
#include "ui/PortDialog.h"

ScaleDialogTexts ScaleDialogInitialTexts()
{
    return {QStringLiteral("200"), true, true, false};
}

void Form3_Activate(const TerminalState& state, ScaleDialogTexts& texts)
{
    texts.Text1 = DisplayNumberText(state.MinWeightGrams);
    texts.Check1 = state.AutoWeighOn == 1;
    if (state.ScaleKind == ScaleKindVeltar) {
        texts.Option1 = true;
        texts.Option2 = false;
    } else if (state.ScaleKind == ScaleKindAed) {
        texts.Option1 = false;
        texts.Option2 = true;
    }
}

bool Form3_Command1_Click(Terminal& terminal, const ScaleDialogTexts& texts)
{
    // Automatic weighing reads the threshold between the operator's attempts,
    // so a refused entry must not leave 0 (or anything else) in force.
    const auto grams = TextToInt16(texts.Text1);
    if (!grams) {
        terminal.panel.message(WholeGramsMessage);
        return false;
    }

    TerminalState& s = terminal.state;
    s.MinWeightGrams = *grams;
    s.AutoWeighOn = texts.Check1 ? 1 : 0;
    // The kind chosen by an option button is already in the state and is
    // written here with the rest.
    if (const Status saved = SaveSettings(terminal); !saved.ok()) {
        terminal.panel.message(SettingsNotSavedMessage(saved));
        return false;
    }
    return true;
}
