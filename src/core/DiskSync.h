#pragma once

#include <QFileDevice>
#include <QString>

#include <optional>

// QFile::flush() only empties Qt's buffer into the kernel; these ask the
// kernel to put the bytes, and a new or renamed file's name, on the disk.
// Returns why the bytes could not be put there, in Russian; nothing once
// they are on the disk. (QFile learns nothing of such a failure.)
std::optional<QString> SyncFileToDisk(QFileDevice& file);

// Makes the directory's entries durable (a file created or renamed in it).
// Where the platform has no such call it does nothing.
void SyncDirectory(const QString& dir);
