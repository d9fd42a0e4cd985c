#pragma once

#include "core/Status.h"
#include "core/Terminal.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>

// Today's journal file: the data directory, the date text and ".txt".
QString DayFileName(const QString& dataDir, const QDate& date);

// Appends the line and CR LF to today's file (created when missing), in
// Windows-1251, and returns only once the bytes are on disk, so a recorded
// weighing survives a power cut a moment later.
Status AppendDayFileLine(Terminal& terminal, const QString& text);
// The same for the file of a given day, for a caller that has read the clock
// once for the whole of its work.
Status AppendDayFileLine(Terminal& terminal, const QString& text, const QDate& date);

// Replaces JournalText with the whole of today's file. A missing file is a
// failure that leaves JournalText as it was.
Status LoadDayFile(Terminal& terminal);

// The number of the last weighing line in today's file, for the day's
// numbering to go on from when the stored count is lost; nothing when the
// file is missing or unreadable, or when no line of it reads as a numbered
// weighing line (sum lines have no number).
std::optional<std::int16_t> LastWeighingNumber(const Terminal& terminal);

// At start-up: the day's numbering goes on after the last weighing line of
// today's file when that is further than the settings file says, as after a
// stop between the line's append and the settings' save; a number is never
// given twice in a day.
void ContinueDayNumbering(Terminal& terminal);
