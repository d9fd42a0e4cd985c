#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <optional>

// Why bytes could not be written to a file: the error number and the cause
// as a phrase that follows a colon.
struct FileWriteFailure {
    int number = 0;
    QString cause;
};

// Who may read a file the terminal writes. On Linux a file holding a secret
// (an access key, the seal key, a password) is its owner's alone, whatever
// the umask; on Windows the data folder's rights decide, as the installer
// set them.
enum class FileReach { Everyone, OwnerOnly };

// Replaces the file at `path` with `bytes`, whole: a failure or a power cut
// leaves the old file or the new one, never a mix, and it returns only once
// the new file and its name are on the disk. A file another program holds for
// a moment is tried again; one it keeps open is named so ("файл открыт другой
// программой").
std::optional<FileWriteFailure> SaveWholeFile(const QString& path, const QByteArray& bytes,
                                              FileReach reach = FileReach::Everyone);

// Text written with LF line ends, in the platform's own: CR LF on Windows,
// where Notepad and batch files expect them, LF elsewhere, where a CR would
// stay in whatever grep and cut take from a line.
QString WithPlatformLineEnds(const QString& text);

// Writes all the bytes to the open file or says why not. A write that takes
// only part of them (a disk filling up midway) is given the rest again, so
// that the system names the cause rather than Qt's "Unknown error".
std::optional<QString> WriteWhole(QFileDevice& file, const QByteArray& bytes);
