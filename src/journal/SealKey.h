#pragma once

#include "core/Status.h"

#include <QByteArray>
#include <QDate>
#include <QString>

// The installation's seal key: 32 random bytes in "Seal.key" in the data
// directory, made once at the first start and never shown. Whoever has it
// can seal a changed journal; it guards against edits with ordinary tools.
inline constexpr int SealKeySize = 32;

QString SealKeyFileName(const QString& dataDir);

// The key as it is on disk. A missing, unreadable or wrong-sized file is a
// failure with the Russian cause; nothing is written.
Result<QByteArray> ReadSealKey(const QString& dataDir);

// The key, made and written durably, with the head of a chain begun on
// `today`, when the data directory holds no key, no head and no seal file
// (the first start). A key missing beside a head or seal files is never
// replaced: a new key would make every day sealed before read as changed,
// and would wipe out the trace of whatever removed or damaged the old one.
// `told` gets what the operator is to hear of a key made beside journals of
// earlier days, which it does not seal.
Result<QByteArray> ReadOrMakeSealKey(const QString& dataDir, const QDate& today, QString* told = nullptr);

// Sealing begun today beside a key already made: the head durably written,
// with `told` as above.
Status BeginSealing(const QString& dataDir, const QByteArray& key, const QDate& today, QString* told = nullptr);

// Whether a key is there but sealing has not begun: no head, no seal file,
// and no journal written since the key was made. On Windows the installer
// makes the key, and the terminal's first start finds it so. Seals and the
// head deleted after days were written under the key are no first start.
bool SealingNotBegun(const QString& dataDir);
