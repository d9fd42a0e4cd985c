#pragma once

#include "journal/SealCheck.h"

class QLabel;
class QPlainTextEdit;

// A day's seal check on screen: its status line in the label, coloured as a
// fault, a warning or a genuine journal, and the changed or unsealed lines
// marked in the journal box (none when the box does not show the journal).
void ShowSealCheck(const SealCheck& check, QLabel* status, QPlainTextEdit* box, bool boxShowsJournal);
