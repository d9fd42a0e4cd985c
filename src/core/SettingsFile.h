#pragma once

#include "core/Status.h"
#include "core/Terminal.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// "System.eng": 13 records of 50 bytes, each holding one persisted field at
// its start (texts as a 2-byte little-endian length and Windows-1251 bytes,
// integers as 16-bit little-endian, the sum as a little-endian double).
namespace SettingsLayout {
constexpr int RecordLength = 50;
constexpr int RecordCount = 13;
constexpr int FileLength = RecordLength * RecordCount;       // as written: 650
constexpr int LoadableLength = (RecordCount - 1) * RecordLength + 2;  // needed to load: 602
constexpr int MaxTextLength = RecordLength - 2;              // 48 bytes
}  // namespace SettingsLayout

inline const QString SettingsFileName = QStringLiteral("System.eng");

// The file's 650 bytes for the persisted fields, followed by whatever the
// previous file held beyond them. Fails, producing nothing, when a text needs
// more than 48 bytes.
Result<QByteArray> EncodeSettings(const TerminalState& state, const QByteArray& previousTail);

// Takes the 13 fields from the file's bytes into the state, all or nothing:
// on failure (file too short, a stored text length over 48) the state is
// left as it was.
Status DecodeSettings(const QByteArray& bytes, TerminalState& state);

QString SettingsPath(const Terminal& terminal);

// Sets FoundName to the name found at the path (a path ending in a separator
// names a directory, found when it exists) and PathExists to 1 or 0.
void CheckPath(Terminal& terminal, const QString& path);

// Writes the persisted fields. The new file replaces the old one whole, by
// rename, so a failure or a power cut leaves either the old or the new file.
Status SaveSettings(Terminal& terminal);

Status LoadSettings(Terminal& terminal);

// Gives the number of the last weighing recorded today, or nothing.
using LastWeighingSource = std::optional<std::int16_t> (*)(const Terminal&);

// Loads the settings file, or creates the directory and a default file. A
// damaged file is kept beside it as "System.eng.bad" and replaced by the
// defaults, and the operator is told so once. The day's numbering then goes
// on from the last weighing that lastWeighing finds, when it finds one.
Status InitSettings(Terminal& terminal, LastWeighingSource lastWeighing = nullptr);
