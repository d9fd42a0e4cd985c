#pragma once

#include "core/ErrorText.h"

#include <QFile>
#include <QString>

#include <optional>

// Why a file could not be opened, in the operator's words.
struct OpenFailure {
    std::optional<FailureCause> cause;  // the common cause, when it is one
    QString text;                       // the cause as a phrase after a colon
};

// Opens the file named by `file` in `mode`, but only when the name is an
// ordinary file, or nothing yet where the mode may create one. A folder, a
// named pipe, a socket or a device in the file's place is never opened: a
// named pipe would stop the terminal until someone writes into it. Nothing
// when the file is open.
std::optional<OpenFailure> OpenOrdinaryFile(QFile& file, QIODevice::OpenMode mode);

#ifndef Q_OS_WIN
// What an open descriptor reached, judged after the open: a named pipe or a
// device put in the file's place between the look before the open and the
// open itself is refused here. Nothing for an ordinary file.
std::optional<OpenFailure> NotAnOpenedFile(int fd);
#endif
