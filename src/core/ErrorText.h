#pragma once

#include <QFileDevice>
#include <QString>

#include <optional>

// Why a file or device operation failed, in the operator's language. The
// system's own texts come in the language of its installation, often English;
// the common causes are named here in Russian, and a port implementation maps
// its platform's error codes onto them.
enum class FailureCause {
    NoSpace,
    AccessDenied,
    FolderInPlace,  // a folder where a file is expected
    NotFound,
    ReadOnly,
    DeviceIo,
    Busy,
    NoDevice,  // the device behind the name is not there
    NotOrdinaryFile,  // a named pipe, socket or device where a file is expected
    HeldByProgram,    // a file another program keeps open (Windows)
};

// The cause as a phrase that follows a colon: "на диске нет места".
QString CauseText(FailureCause cause);

// The common cause an errno value stands for, if it is one.
std::optional<FailureCause> ErrnoCause(int error);

// The common cause a Windows error code (GetLastError()) stands for, if it
// is one. The codes are plain numbers, so this answers on any platform.
std::optional<FailureCause> WindowsErrorCause(unsigned long code);

// For a cause with no Russian words: a Russian phrase with the system's own
// text in brackets after it.
QString UnnamedCauseText(const QString& systemText);

// Why an operation failed, from its errno value.
QString ErrnoText(int error);

// Why an operation failed, from its Windows error code.
QString WindowsErrorText(unsigned long code);

// The common cause behind a text the system gave for one of its error codes,
// for devices that keep the text but not the code.
std::optional<FailureCause> SystemTextCause(const QString& systemText);

// A description set after a colon in a longer message: it goes on as part of
// the sentence, so its first letter is made small unless the first word is an
// abbreviation in capitals ("COM3").
QString AfterColon(const QString& description);

// Why the last operation on the file failed. QFileDevice keeps only the
// system's text, so the cause is recovered from that text and from what the
// file's path is now.
QString FileErrorText(const QFileDevice& file);
