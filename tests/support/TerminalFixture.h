#pragma once

#include "core/Cp1251.h"
#include "core/SettingsFile.h"
#include "core/Terminal.h"
#include "journal/DayFile.h"
#include "support/FakeClock.h"
#include "support/FakeOperatorPanel.h"
#include "support/FakeSerialPort.h"
#include "support/TempDataDir.h"

#include <gtest/gtest.h>

// A terminal as start-up leaves it: defaults in force and saved, port open,
// files in a temporary data directory, every seam a fake.
class TerminalFixture : public ::testing::Test {
protected:
    TempDataDir dir;
    FakeSerialPort port;
    FakeClock clock;  // 15 June 2026, 09:05:30
    FakeOperatorPanel panel;
    Terminal t{TerminalState{}, Display{}, port, clock, panel, dir.path()};

    void SetUp() override
    {
        ASSERT_TRUE(InitSettings(t).ok());
        ASSERT_TRUE(port.open().ok());
    }

    QByteArray dayFile() const { return dir.read(DayFileName(QString(), clock.currentDate())); }
    QString dayFileText() const { return FromCp1251(dayFile()); }

    TerminalState storedSettings() const
    {
        TerminalState stored;
        const Status decoded = DecodeSettings(dir.read(SettingsFileName), stored);
        EXPECT_TRUE(decoded.ok());
        return stored;
    }
};
