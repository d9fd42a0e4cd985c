#pragma once

#include <QByteArray>

// The site database's tables and the statements the terminal runs on them.

// The schema version this program writes; a later one may migrate from it.
inline constexpr int SiteSchemaVersion = 1;

// Makes the three tables when missing, in one transaction, and records the
// version. The README gives the same statements for an IT person to run.
QByteArray CreateSchemaSql();

// The version recorded, one row.
QByteArray SchemaVersionSql();

// Inserts a batch of one day's lines, each kept once: a line the database
// holds already is left as it is. Answers the lines it held already with
// other text, as (line, text). Parameters: terminal, day, then arrays of
// lines, kinds, numbers, times, nets, tares, texts and seals.
QByteArray InsertLinesSql();

// Writes this terminal's live state. Parameters: terminal, display, net,
// port_ok, stable, waiting.
QByteArray UpsertTerminalSql();
