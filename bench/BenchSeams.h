#pragma once

#include "core/Clock.h"
#include "core/Cp1251.h"
#include "core/OperatorPanel.h"
#include "core/SerialPort.h"
#include "core/Terminal.h"
#include "journal/DayFile.h"
#include "tests/support/InertSerialPort.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

// Seams for measuring, without a test framework. The port hands over bytes
// the way the real one does (one read of everything waiting, decoded from
// Windows-1251), so the decoding is part of what a poll costs.
class BenchPort final : public InertSerialPort {
public:
    QByteArray waiting;  // what the next receive() takes
    int sends = 0;

    Status send(const QString&) override
    {
        ++sends;
        return Status::success();
    }
    Result<QString> receive() override
    {
        QByteArray bytes = std::move(waiting);
        waiting = QByteArray();
        return Result<QString>::success(FromCp1251(bytes));
    }
};

// A clock that stands still until moved, so many recordings can be spread
// over several days and stay under the day's limit.
class BenchClock final : public Clock {
public:
    QDateTime now{QDate(2026, 6, 15), QTime(9, 5, 30)};

    QDate currentDate() const override { return now.date(); }
    QTime currentTime() const override { return now.time(); }
};

class BenchPanel final : public OperatorPanel {
public:
    int messages = 0;
    int beeps = 0;

    int questions = 0;

    void message(const QString&) override { ++messages; }
    bool ask(const QString&) override
    {
        ++questions;
        return true;
    }
    void beep() override { ++beeps; }
};

// A terminal over these seams with a fresh temporary data directory.
struct BenchTerminal {
    QTemporaryDir dir;
    BenchPort port;
    BenchClock clock;
    BenchPanel panel;
    Terminal terminal{TerminalState{}, Display{}, port, clock, panel, dir.path() + u'/'};
};

// Puts a day file of the given bytes in the terminal's data directory; false
// when it could not be written whole.
inline bool WriteDayFile(const Terminal& terminal, const QDate& day, const QByteArray& bytes)
{
    QFile file(DayFileName(terminal.dataDir, day));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
