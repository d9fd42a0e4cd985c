#include "journal/Summation.h"

#include "journal/RecordWeighing.h"
#include "support/TerminalFixture.h"

namespace {

class Summation : public TerminalFixture {
protected:
    void weigh(double net)
    {
        t.state.NetWeight = net;
        ASSERT_TRUE(RecordWeighing(t).ok());
    }
};

TEST_F(Summation, ThreeWeighingsEndInTheSumLineOnScreenAndInTheFile)
{
    Command3_Click(t);
    EXPECT_EQ(t.display.Command3, SwitchOnLook);
    weigh(10);
    weigh(12.5);
    weigh(7.5);
    Command3_Click(t);

    EXPECT_EQ(t.display.Command3, SwitchOffLook);
    EXPECT_TRUE(t.state.JournalText.endsWith(QStringLiteral("0кг\r\nСумма( 3)=  30\r\n")));
    EXPECT_TRUE(dayFile().endsWith(QByteArray("\xD1\xF3\xEC\xEC\xE0( 3)=  30\r\n")));
    EXPECT_EQ(t.display.Text1, t.state.JournalText);
    EXPECT_EQ(t.display.Text1SelStart, t.state.JournalText.size());
    // The totals stay on view after switching off.
    EXPECT_EQ(t.display.Label8, QStringLiteral("30"));
    EXPECT_EQ(t.display.Label9, QStringLiteral("3"));
    // Screen and file hold the same lines.
    EXPECT_EQ(ToCp1251(t.state.JournalText), dayFile());
}

TEST_F(Summation, OnAndOffWithNoWeighingStillWritesASumLine)
{
    Command3_Click(t);
    Command3_Click(t);
    EXPECT_EQ(dayFileText(), QStringLiteral("Сумма( 0)=  0\r\n"));
}

TEST_F(Summation, SwitchingOnStartsANewSumAtZero)
{
    t.state.SumWeight = 99;
    t.state.SumCount = 9;
    Command3_Click(t);
    EXPECT_EQ(t.state.SumOn, 1);
    EXPECT_EQ(t.state.SumWeight, 0);
    EXPECT_EQ(t.display.Label8, QStringLiteral("0"));
    EXPECT_EQ(t.display.Label9, QStringLiteral("0"));
    weigh(-1.5);  // an emptied platform under tare counts like any weight
    EXPECT_EQ(t.state.SumWeight, -1.5);
}

TEST_F(Summation, SumIsTheDecimalSumOfTheWeightsWithoutBinaryNoise)
{
    Command3_Click(t);
    weigh(0.1);
    weigh(0.2);
    weigh(-0.3);
    EXPECT_EQ(t.state.SumWeight, 0);
    EXPECT_EQ(t.display.Label8, QStringLiteral("0"));
    for (int n = 0; n < 10; ++n)
        weigh(0.1);
    EXPECT_EQ(t.state.SumWeight, 1);
    EXPECT_EQ(storedSettings().SumWeight, 1);
    // The own scale sends hundredths: 0.29 and 0.57 are 28.999... and
    // 56.999... hundredths in binary, rounded to whole ones, not cut.
    weigh(0.29);
    weigh(0.57);
    EXPECT_EQ(t.state.SumWeight, 1.86);
    Command3_Click(t);
    EXPECT_TRUE(dayFileText().endsWith(QStringLiteral("Сумма( 15)=  1.86\r\n")));
}

TEST_F(Summation, SwitchingOffReachesTheSettingsFileSoARestartDoesNotRepeatTheSumLine)
{
    // Switching on is not saved: a restart before the first weighing finds
    // summation off.
    Command3_Click(t);
    EXPECT_EQ(storedSettings().SumOn, 0);
    weigh(10);
    EXPECT_EQ(storedSettings().SumOn, 1);
    Command3_Click(t);
    const TerminalState stored = storedSettings();
    EXPECT_EQ(stored.SumOn, 0);
    EXPECT_TRUE(panel.messages.isEmpty());
}

TEST_F(Summation, FailedAppendOfTheSumLineIsReported)
{
    Command3_Click(t);
    ASSERT_TRUE(QDir().mkpath(DayFileName(t.dataDir, clock.currentDate())));
    Command3_Click(t);
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages[0].contains(QStringLiteral("Строка суммы")));
    EXPECT_TRUE(t.state.JournalText.endsWith(QStringLiteral("Сумма( 0)=  0\r\n")));
    EXPECT_EQ(storedSettings().SumOn, 0);
}

}  // namespace
