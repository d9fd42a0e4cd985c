#pragma once

#include "core/Terminal.h"

#include <QString>

// What the port dialog shows in its five combo boxes, kept apart from the
// widgets so that the dialog's rules run without a screen.
struct PortDialogTexts {
    QString Combo1;  // PortNumber
    QString Combo2;  // BaudRate
    QString Combo3;  // Parity
    QString Combo4;  // DataBits
    QString Combo5;  // StopBits

    friend bool operator==(const PortDialogTexts&, const PortDialogTexts&) = default;
};

// The texts of a dialog just created, before the stored ones replace them.
PortDialogTexts PortDialogInitialTexts();

// Form_Load and Form_Activate alike: the stored texts replace whatever the
// operator typed and did not save.
PortDialogTexts Form2_Activate(const TerminalState& state);

// Why the texts cannot be taken, as the operator is told; empty when they can.
// A port number outside 1..255 would stop the next start, and a text the
// settings file cannot hold would make every later save fail.
QString PortDialogRefusal(const PortDialogTexts& texts);

// "Сохранить": takes the texts, reconfigures and reopens the port and, when
// it opens, saves the settings file. Returns true when the dialog is done and
// closes; on false the operator has been told why in one message.
bool Form2_Command1_Click(Terminal& terminal, const PortDialogTexts& texts);

// The one message for a settings file that could not be written.
QString SettingsNotSavedMessage(const Status& failure);
