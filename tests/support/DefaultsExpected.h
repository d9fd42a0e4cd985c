#pragma once

#include "core/TerminalState.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

// The factory defaults of the 13 persisted fields.
inline void ExpectDefaults(const TerminalState& s)
{
    EXPECT_EQ(s.PortNumber, QStringLiteral("1"));
    EXPECT_EQ(s.BaudRate, QStringLiteral("9600"));
    EXPECT_EQ(s.Parity, QStringLiteral("n"));
    EXPECT_EQ(s.DataBits, QStringLiteral("8"));
    EXPECT_EQ(s.StopBits, QStringLiteral("1"));
    EXPECT_EQ(s.MinWeightGrams, 200);
    EXPECT_EQ(s.TotalCount, 0);
    EXPECT_EQ(s.DayIndex, 0);
    EXPECT_EQ(s.SumCount, 0);
    EXPECT_EQ(s.SumOn, 0);
    EXPECT_EQ(s.SumWeight, 0.0);
    EXPECT_EQ(s.AutoWeighOn, 1);
    EXPECT_EQ(s.ScaleKind, 1);
}
