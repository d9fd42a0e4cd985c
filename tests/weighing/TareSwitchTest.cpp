#include "weighing/TareSwitch.h"

#include "support/TerminalFixture.h"

namespace {

using TareSwitch = TerminalFixture;

TEST_F(TareSwitch, OnCapturesTheRawWeightOfThatMomentAndOffDropsIt)
{
    t.state.RawWeight = -0.05;  // an empty platform may read a little below zero
    Command2_Click(t);
    EXPECT_EQ(t.state.TareOn, 1);
    EXPECT_EQ(t.state.TareWeight, -0.05);
    EXPECT_EQ(t.display.Command2, SwitchOnLook);
    EXPECT_EQ(t.display.Label5, QStringLiteral("Вес нетто"));

    Command2_Click(t);
    EXPECT_EQ(t.state.TareOn, 0);
    EXPECT_EQ(t.state.TareWeight, 0);
    EXPECT_EQ(t.display.Command2, SwitchOffLook);
    EXPECT_EQ(t.display.Command2.caption, QStringLiteral("0ff"));  // digit zero, not the letter O
    EXPECT_EQ(t.display.Label5, QStringLiteral("Вес брутто"));

    t.state.RawWeight = 3.25;
    Command2_Click(t);
    EXPECT_EQ(t.state.TareWeight, 3.25);  // the later moment, not the earlier tare
}

TEST_F(TareSwitch, AnyFlagValueButOneCountsAsOff)
{
    t.state.TareOn = -1;
    t.state.RawWeight = 2;
    Command2_Click(t);
    EXPECT_EQ(t.state.TareOn, 1);
    EXPECT_EQ(t.state.TareWeight, 2);
}

}  // namespace
