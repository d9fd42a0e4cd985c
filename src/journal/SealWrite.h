#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// Sealing the lines the terminal writes to its day files, on the window's
// thread only. Each call seals every line of the day's file still without a
// seal, so a line missed once (a failed seal, a crash between the two
// writes) is sealed at the next chance, marked as sealed late.
//
// Both return why sealing failed, in Russian, to be told to the operator
// once: empty when all is sealed, and empty again while sealing keeps
// failing after the operator was told, until a seal succeeds.

// After `lineBytes` (the journal line with its CR LF) was appended to the day
// file of `date` and made durable: its seal line, appended and made durable
// the same way.
QString SealWrittenLine(const QString& dataDir, const QDate& date, const QByteArray& lineBytes);

// At start-up: makes the key at the first start, and seals the lines of
// today's file that have no seal yet, marked as sealed at start-up. Before
// today's chain is begun, the last sealed day's lines are sealed first, so
// that today continues from its final code.
QString SealAtStartUp(const QString& dataDir, const QDate& today);
