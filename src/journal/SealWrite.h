#pragma once

#include "core/Status.h"
#include "core/Terminal.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <memory>

// Sealing the lines the terminal writes to its day files, on the window's
// thread only. The terminal seals only bytes it has just written itself:
// before it extends a day's chain it checks that the day file is exactly as
// long as its seal says (a process that sealed the day keeps the sizes it
// left; anyone else reads both files through). Bytes found beyond that are
// named in the seal as not the terminal's, never sealed; a line of its own
// that a crash or a failed seal left without its seal is sealed late and
// marked so inside its code. The chain follows the order of writing: a day
// goes on from the day sealed last, whatever the dates, and the head of the
// chain is kept under the key in "Seal.head".

// What appending one journal line and sealing it came to.
struct SealedAppend {
    Status appended;   // the day file's append: a failure loses the line from the file
    QString unsealed;  // why the line is not sealed; empty when it is, or when that failure was told already
    QString note;      // what else the operator is to hear once: the clock behind the chain, a day changed by others
};

// Appends the journal line (without its CR LF) to the day file of `date` and
// seals it. A day file that ends inside a line gets the line end first, so
// the new line is never glued to bytes that are not the terminal's.
SealedAppend AppendSealedLine(Terminal& terminal, const QString& text, const QDate& date);

// Start-up sealing, in three steps so that reading and checking large days
// leaves the window's thread free. Lines recorded meanwhile are appended at
// once and sealed when the last step has run.
struct StartUpSealing;
// On the window's thread: the key (made at the first start) and the head;
// sealing is held back from here on.
std::shared_ptr<StartUpSealing> BeginStartUpSealing(const QString& dataDir, const QDate& today);
// On any thread: reads and checks the days the last start may have left
// unfinished (the chain's head day, days with pending lines, today).
void ExamineForStartUp(StartUpSealing& sealing);
// On the window's thread: seals what start-up sealing found (a line a crash
// left, pending lines), names what is not the terminal's, seals the lines
// recorded meanwhile, and returns what the operator is to be told (empty for
// nothing).
QString FinishStartUpSealing(StartUpSealing& sealing);
// The three at once.
QString SealAtStartUp(const QString& dataDir, const QDate& today);
