#include "scale/PollingCycle.h"

#include "scale/PortWatch.h"
#include "scale/ScaleReaders.h"
#include "support/TerminalFixture.h"

namespace {

class Polling : public TerminalFixture {
protected:
    // One whole tick: query, answer (if the scale gives one), read.
    void tick(const QString& arriving = QString())
    {
        Timer1_Timer(t);
        EXPECT_TRUE(t.display.Timer2Enabled);
        if (!arriving.isEmpty())
            port.incoming.push_back(arriving);
        Timer2_Timer(t);
        EXPECT_FALSE(t.display.Timer2Enabled);
    }

    void Form_ActivateLike() { PaintPortIndicator(t); }

    static QString Frame(const char* field) { return QChar(Stx) + QString::fromLatin1(field) + QStringLiteral("ST"); }
};

TEST_F(Polling, OwnScaleIsNeverWrittenToAndIsReadAtEveryTick)
{
    t.state.ScaleKind = ScaleKindVeltar;
    tick(Frame("   3.00"));
    tick(Frame("   4.00"));
    EXPECT_TRUE(port.sent.isEmpty());
    EXPECT_EQ(t.state.NetWeight, 4);
}

TEST_F(Polling, AedIsQueriedAtEveryTickEvenWithThePortClosed)
{
    t.state.ScaleKind = ScaleKindAed;
    tick(QStringLiteral("   19892\r\n"));
    EXPECT_EQ(port.sent, QStringList{QStringLiteral("msv?;")});
    EXPECT_EQ(t.state.NetWeight, 9.9);

    ASSERT_TRUE(port.close().ok());
    tick();
    tick();
    EXPECT_EQ(port.sent.size(), 1);  // the sends failed, silently
    EXPECT_TRUE(panel.messages.isEmpty());
}

TEST_F(Polling, UnknownScaleKindReadsNothingButTheDetectorStillPasses)
{
    t.state.ScaleKind = 3;
    t.state.NetWeight = 0.5;
    port.incoming.push_back(Frame("   9.00"));
    Timer1_Timer(t);
    Timer2_Timer(t);
    EXPECT_EQ(t.state.NetWeight, 0.5);
    EXPECT_TRUE(port.sent.isEmpty());
    EXPECT_EQ(t.display.Shape1[0], Colours::LampGreen);  // one pass on the old value
}

TEST_F(Polling, DetectorRunsOnlyWhileAutomaticWeighingIsOn)
{
    t.state.ScaleKind = ScaleKindVeltar;
    tick(Frame("   5.00"));
    tick(Frame("   5.00"));
    ASSERT_EQ(t.display.Shape1[1], Colours::LampGreen);

    t.state.AutoWeighOn = 0;
    for (int i = 0; i < 5; ++i)
        tick(Frame("   5.00"));
    EXPECT_EQ(t.display.Shape1[1], Colours::LampGreen);
    EXPECT_EQ(t.display.Shape1[2], Colours::LampRed);
    EXPECT_TRUE(t.state.JournalText.isEmpty());

    t.state.AutoWeighOn = 1;  // resumes with the two readings held
    tick(Frame("   5.00"));
    EXPECT_EQ(t.state.JournalText.count(QStringLiteral("\r\n")), 1);
}

TEST_F(Polling, SwitchingTheKindActsAtTheNextTick)
{
    t.state.ScaleKind = ScaleKindVeltar;
    Timer1_Timer(t);
    t.state.ScaleKind = ScaleKindAed;  // chosen in the dialog between the two
    port.incoming.push_back(QStringLiteral("    1990\r\n"));
    Timer2_Timer(t);
    EXPECT_TRUE(port.sent.isEmpty());
    EXPECT_EQ(t.state.NetWeight, 1);
    tick(QStringLiteral("    1990\r\n"));
    EXPECT_EQ(port.sent.size(), 1);
}

TEST_F(Polling, AStableLoadIsRecordedFromTheOwnScaleAndTheAed)
{
    t.state.ScaleKind = ScaleKindVeltar;
    for (int i = 0; i < 3; ++i)
        tick(Frame("  10.00"));
    for (int i = 0; i < 2; ++i)
        tick(Frame("   0.00"));
    t.state.ScaleKind = ScaleKindAed;
    for (int i = 0; i < 5; ++i)
        tick(QStringLiteral("   19892\r\n"));
    EXPECT_EQ(dayFileText(), QStringLiteral(" 1\t06-15-2026  09:05:30     10кг    0кг\r\n"
                                            " 2\t06-15-2026  09:05:30     9.9кг    0кг\r\n"));
    EXPECT_EQ(panel.beeps, 2);
}

}  // namespace

namespace {

class LostScale : public Polling {
protected:
    void SetUp() override
    {
        Polling::SetUp();
        t.state.ScaleKind = ScaleKindAed;
    }
    void unplug()
    {
        port.present = false;
        port.failNextReceive = true;  // the device goes away under an open port
    }
};

TEST_F(LostScale, FailedReadsGiveTheDetectorNoPassSoASilentDeviceIsNeverRecorded)
{
    tick(QStringLiteral("   19892\r\n"));
    tick(QStringLiteral("   19892\r\n"));
    ASSERT_EQ(t.display.Shape1[1], Colours::LampGreen);

    // The port closes; the reader would show the previous answer again at
    // every pass, but nothing of it is handed to the detector, and the two
    // readings held are dropped: the count starts again after the gap.
    ASSERT_TRUE(port.close().ok());
    for (int i = 0; i < 10; ++i)
        tick();
    EXPECT_EQ(t.display.Label2, QStringLiteral("9.9"));
    EXPECT_EQ(t.display.Shape1[0], Colours::LampRed);
    EXPECT_EQ(t.display.Shape1[1], Colours::LampRed);
    EXPECT_EQ(t.display.Shape1[2], Colours::LampRed);
    EXPECT_EQ(t.state.AutoStep, 0);
    EXPECT_TRUE(t.state.JournalText.isEmpty());
    EXPECT_TRUE(dayFile().isEmpty());

    // Two equal readings before a gap and two after it are no weighing;
    // a third fresh one is.
    ASSERT_TRUE(port.open().ok());
    tick(QStringLiteral("   19892\r\n"));
    tick(QStringLiteral("   19892\r\n"));
    EXPECT_TRUE(t.state.JournalText.isEmpty());
    tick(QStringLiteral("   19892\r\n"));
    EXPECT_EQ(t.state.JournalText.count(QStringLiteral("\r\n")), 1);

    // The load recorded stays latched across a gap: not recorded again.
    tick();
    for (int i = 0; i < 4; ++i)
        tick(QStringLiteral("   19892\r\n"));
    EXPECT_EQ(t.state.JournalText.count(QStringLiteral("\r\n")), 1);
}

TEST_F(LostScale, LostDevicePaintsTheIndicatorAtOnceAndIsReopenedWhenBack)
{
    Form_ActivateLike();
    ASSERT_EQ(t.display.Label1Back, Colours::PortOpen);

    unplug();
    tick(QStringLiteral("   19892\r\n"));
    EXPECT_TRUE(t.portLost);
    EXPECT_EQ(t.display.Label1Back, Colours::PortClosed);
    EXPECT_TRUE(panel.messages.isEmpty());  // the indicator is the signal

    RetryLostPort(t);  // still unplugged
    EXPECT_TRUE(t.portLost);
    EXPECT_EQ(t.display.Label1Back, Colours::PortClosed);

    port.present = true;
    RetryLostPort(t);
    EXPECT_FALSE(t.portLost);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(t.display.Label1Back, Colours::PortOpen);
    EXPECT_EQ(t.display.Label1, QStringLiteral("COM1  9600,n,8,1"));

    tick(QStringLiteral("    1990\r\n"));
    EXPECT_EQ(t.display.Label2, QStringLiteral("1"));
}

TEST_F(LostScale, RetriesLeaveAPortAloneThatWasNotLost)
{
    ASSERT_TRUE(port.close().ok());  // closed on purpose, e.g. by the port dialog
    const int opens = port.openCalls;
    RetryLostPort(t);
    RetryLostPort(t);
    EXPECT_EQ(port.openCalls, opens);
    EXPECT_FALSE(port.isOpen());
}

}  // namespace

namespace {

TEST_F(LostScale, SilentAedUnderANegativeTareIsNotRecorded)
{
    // Tared while the empty platform read -0.21 kg: the tare is -0.3 kg, and
    // silence then computes +0.3 kg, above the 0.2 kg minimum.
    tick(QStringLiteral("    -418\r\n"));
    t.state.TareWeight = t.state.RawWeight;
    tick(QStringLiteral("    -418\r\n"));
    ASSERT_EQ(t.state.TareRounded, -0.3);
    for (int i = 0; i < 10; ++i)
        tick();  // the device says nothing
    EXPECT_EQ(t.state.NetWeight, 0.3);  // what the reader's rule shows
    EXPECT_TRUE(t.state.JournalText.isEmpty());
    EXPECT_EQ(t.display.Shape1[0], Colours::LampRed);
}

TEST_F(Polling, OwnScaleWithoutFramesIsNoReadingEvenWithAZeroMinimum)
{
    t.state.ScaleKind = ScaleKindVeltar;
    t.state.MinWeightGrams = 0;
    for (int i = 0; i < 6; ++i)
        tick(QStringLiteral("garbage without a frame"));
    EXPECT_EQ(t.display.Label2, QStringLiteral("0"));
    EXPECT_TRUE(t.state.JournalText.isEmpty());
    // A scale that really reads 0 is recorded as the rules say.
    for (int i = 0; i < 4; ++i)
        tick(Frame("   0.00"));
    EXPECT_EQ(t.state.JournalText.count(QStringLiteral("\r\n")), 1);
}

TEST_F(Polling, NumberBeyondADoubleGivesTheDetectorNoPass)
{
    t.state.ScaleKind = ScaleKindVeltar;
    tick(Frame("   5.00"));
    tick(Frame("   5.00"));
    tick(Frame("9e99999"));  // shows the previous 5 again, but is no reading
    EXPECT_EQ(t.state.NetWeight, 5);
    EXPECT_TRUE(t.state.JournalText.isEmpty());
    // and breaks the run of equal readings: three fresh ones are needed.
    tick(Frame("   5.00"));
    tick(Frame("   5.00"));
    EXPECT_TRUE(t.state.JournalText.isEmpty());
    tick(Frame("   5.00"));
    EXPECT_EQ(t.state.JournalText.count(QStringLiteral("\r\n")), 1);
}

}  // namespace
