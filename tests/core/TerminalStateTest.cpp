#include "core/TerminalState.h"

#include "support/DefaultsExpected.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(TerminalState, StartValuesAreEmpty)
{
    const TerminalState s;
    EXPECT_TRUE(s.PortNumber.isEmpty());
    EXPECT_TRUE(s.BaudRate.isEmpty());
    EXPECT_EQ(s.MinWeightGrams, 0);
    EXPECT_EQ(s.AutoWeighOn, 0);
    EXPECT_EQ(s.ScaleKind, 0);
    EXPECT_EQ(s.SumWeight, 0.0);
    EXPECT_TRUE(s.JournalText.isEmpty());
    for (const double r : s.StableReadings)
        EXPECT_EQ(r, 0.0);
    for (int n = WeighingRecords::First; n <= WeighingRecords::Last; ++n) {
        const WeighingRecord& r = s.Records(n);
        ASSERT_TRUE(r.RecordDate.isEmpty() && r.RecordTime.isEmpty() && r.Net == 0 && r.Tare == 0) << n;
    }
}

TEST(TerminalState, SetDefaultsSetsThePersistedFieldsOnly)
{
    TerminalState s;
    s.PortNumber = QStringLiteral("7");
    s.MinWeightGrams = 500;
    s.TotalCount = 41;
    s.DayIndex = 12;
    s.SumCount = 3;
    s.SumOn = 1;
    s.SumWeight = 30;
    s.AutoWeighOn = -1;
    s.ScaleKind = ScaleKindAed;
    s.AutoStep = 2;
    // Runtime fields that must survive.
    s.AutoLatched = 1;
    s.TareOn = 1;
    s.NetWeight = 12.5;
    s.TareRounded = 1.2;
    s.JournalText = QStringLiteral("line\r\n");
    s.FoundName = QStringLiteral("06-15-2026.txt");
    s.PathExists = 1;
    s.StableReadings[1] = 4.5;
    s.Records(3).Net = 9.5;

    SetDefaults(s);

    ExpectDefaults(s);
    EXPECT_EQ(s.AutoStep, 0);

    EXPECT_EQ(s.AutoLatched, 1);
    EXPECT_EQ(s.TareOn, 1);
    EXPECT_EQ(s.NetWeight, 12.5);
    EXPECT_EQ(s.TareRounded, 1.2);
    EXPECT_EQ(s.JournalText, QStringLiteral("line\r\n"));
    EXPECT_EQ(s.FoundName, QStringLiteral("06-15-2026.txt"));
    EXPECT_EQ(s.PathExists, 1);
    EXPECT_EQ(s.StableReadings[1], 4.5);
    EXPECT_EQ(s.Records(3).Net, 9.5);

    EXPECT_EQ(LineParameters(s), QStringLiteral("9600,n,8,1"));
}

TEST(TerminalState, LineParametersJoinsTheTextsAsStored)
{
    TerminalState s;
    s.BaudRate = QStringLiteral("19200");
    s.Parity = QStringLiteral("E");
    s.DataBits = QStringLiteral("7");
    s.StopBits = QStringLiteral("2");
    s.PortNumber = QStringLiteral("3");  // not part of the line parameters
    EXPECT_EQ(LineParameters(s), QStringLiteral("19200,E,7,2"));
    s.Parity.clear();
    EXPECT_EQ(LineParameters(s), QStringLiteral("19200,,7,2"));
}

TEST(TerminalState, RecordsAreNumberedFromOneToAThousand)
{
    TerminalState s;
    s.Records(1).RecordTime = QStringLiteral("first");
    s.Records(1000).RecordTime = QStringLiteral("last");
    s.Records(500).Tare = 0.5;
    EXPECT_EQ(s.Records(1).RecordTime, QStringLiteral("first"));
    EXPECT_EQ(s.Records(1000).RecordTime, QStringLiteral("last"));
    EXPECT_EQ(s.Records(500).Tare, 0.5);
    EXPECT_TRUE(s.Records(2).RecordTime.isEmpty());
    EXPECT_TRUE(s.Records(999).RecordTime.isEmpty());
    EXPECT_EQ(s.Records(499).Tare, 0.0);
    EXPECT_EQ(s.Records(501).Tare, 0.0);
    EXPECT_THROW((void)s.Records(0), std::out_of_range);
    EXPECT_THROW((void)s.Records(1001), std::out_of_range);
    const TerminalState& view = s;
    EXPECT_EQ(view.Records(1000).RecordTime, QStringLiteral("last"));
    EXPECT_THROW((void)view.Records(0), std::out_of_range);
}
