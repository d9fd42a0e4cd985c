#pragma once

#include <QByteArray>
#include <QString>

// A day file's bytes as text. The terminal writes Windows-1251, but a day
// edited by hand in a current Windows editor comes back in UTF-8, wholly or
// line by line when the terminal went on appending. So each line is read on
// its own: a line with bytes above 0x7F that is valid UTF-8 is UTF-8 (no
// line the terminal writes is: "кг" and "Сумма" are not), any other line is
// Windows-1251, every byte passing through. A UTF-8 byte order mark at the
// start of the file is dropped. Line ends are kept as they are.
QString DayFileText(const QByteArray& bytes);
