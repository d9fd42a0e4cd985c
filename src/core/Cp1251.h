#pragma once

#include <QByteArray>
#include <QString>

// Windows-1251, the single-byte Cyrillic code page of every file and of the
// serial line. A character it cannot hold is written as '?'. The byte 0x98,
// which the code page leaves undefined, reads as U+0098 and writes back as
// 0x98, so that a file passes through unchanged.
QByteArray ToCp1251(const QString& text);
QString FromCp1251(const QByteArray& bytes);

// Whether every character of the text has a byte of its own in Windows-1251.
bool FitsCp1251(const QString& text);
