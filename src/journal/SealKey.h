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
