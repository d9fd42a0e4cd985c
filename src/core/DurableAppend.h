#pragma once

#include "core/WholeFile.h"

#include <QByteArray>
#include <QString>

#include <optional>

using AppendFailure = FileWriteFailure;

// Appends the bytes to the file at `path` in `dir` (made when missing) with
// one write and returns only once they are on disk, so what was appended
// survives a power cut a moment later. Only an ordinary file is opened, and a
// file another program holds for a moment is tried again. On failure nothing
// of the bytes stays in the file: part of a line would glue the next one onto
// it.
std::optional<AppendFailure> AppendDurably(const QString& path, const QString& dir, const QByteArray& bytes);
