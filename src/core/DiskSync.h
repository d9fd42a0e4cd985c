#pragma once

#include <QFileDevice>
#include <QString>

// QFile::flush() only empties Qt's buffer into the kernel; these ask the
// kernel to put the bytes, and a new or renamed file's name, on the disk.
bool SyncFileToDisk(QFileDevice& file);

// Makes the directory's entries durable (a file created or renamed in it).
// Where the platform has no such call it does nothing.
void SyncDirectory(const QString& dir);
