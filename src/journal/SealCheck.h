#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// Whether a day file is still what the terminal wrote, by its seal file and
// the installation's key. It only reads files and keeps nothing between
// calls, so it runs on any thread.
struct SealCheck {
    enum class Verdict {
        Empty,        // no journal lines and nothing sealed: nothing to say
        Genuine,      // every line matches its seal
        SealedLate,   // genuine, but some lines were sealed at a start after a crash: a warning
        Changed,      // lines changed, removed or added after they were written
        ChainBroken,  // the day does not continue the earlier day it was sealed after
        NoSeal,       // written before the terminal sealed its journals
        SealMissing,  // no seal file, though earlier days are sealed
        NotChecked,   // the key or the seal file cannot be read
    };
    Verdict verdict = Verdict::Empty;
    int matching = 0;        // lines that match their seals
    QList<int> faultyLines;  // line numbers (from 1) changed or without a seal
    QList<int> lateLines;    // line numbers (from 1) sealed at a start after a crash
    QString text;            // the status line, in Russian; empty for Verdict::Empty

    bool fault() const
    {
        return verdict == Verdict::Changed || verdict == Verdict::ChainBroken || verdict == Verdict::SealMissing ||
               verdict == Verdict::NotChecked;
    }
};

// Checks the day file's bytes as they are now against the day's seal.
SealCheck CheckDaySeal(const QString& dataDir, const QDate& date, const QByteArray& dayBytes);

// The same, reading the day file itself (a missing one counts as empty).
SealCheck CheckDaySeal(const QString& dataDir, const QDate& date);
