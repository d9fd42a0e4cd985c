#include "weighing/AutoWeigh.h"

#include "support/TerminalFixture.h"

#include <initializer_list>
#include <string>

namespace {

class AutoWeigh : public TerminalFixture {
protected:
    // Lamps as a string, lowest first: "GGR" = Shape1(0) and (1) green.
    std::string lamps() const
    {
        std::string s;
        for (const Rgb& c : t.display.Shape1)
            s += c == Colours::LampGreen ? 'G' : (c == Colours::LampRed ? 'R' : '?');
        return s;
    }

    // One pass per weight; the lamps after each pass.
    std::vector<std::string> passes(std::initializer_list<double> weights)
    {
        std::vector<std::string> seen;
        for (double w : weights) {
            t.state.NetWeight = w;
            AutoWeighStep(t);
            seen.push_back(lamps());
        }
        return seen;
    }

    int recorded() const { return t.state.JournalText.count(LineEnd); }

    static constexpr const char* LineEnd = "\r\n";
};

using Lamps = std::vector<std::string>;

TEST_F(AutoWeigh, SteadyLoadFromWaitingIsRecordedOnceOnTheFourthPass)
{
    t.state.AutoStep = -1;
    EXPECT_EQ(passes({0.5, 0.5, 0.5}), (Lamps{"RRR", "GRR", "GGR"}));
    EXPECT_EQ(recorded(), 0);
    EXPECT_EQ(passes({0.5}), (Lamps{"GGG"}));
    EXPECT_EQ(recorded(), 1);
    EXPECT_EQ(panel.beeps, 1);
    EXPECT_TRUE(t.state.JournalText.contains(QStringLiteral(" 0.5кг")));
    EXPECT_EQ(t.state.AutoLatched, 1);
    EXPECT_EQ(t.state.AutoStep, 0);

    // Held: nothing more, however long it stays or however it changes above the minimum.
    EXPECT_EQ(passes({0.5, 0.5, 0.5, 0.3, 0.3, 0.3, 0.3}), Lamps(7, "GGG"));
    EXPECT_EQ(recorded(), 1);
}

TEST_F(AutoWeigh, AChangeRestartsTheSequenceWithTheNewReading)
{
    EXPECT_EQ(passes({0.5, 0.5, 0.6}), (Lamps{"GRR", "GGR", "RRR"}));
    EXPECT_EQ(passes({0.6, 0.6, 0.6}), (Lamps{"GRR", "GGR", "GGG"}));
    EXPECT_EQ(recorded(), 1);
    EXPECT_TRUE(t.state.JournalText.contains(QStringLiteral(" 0.6кг")));
}

TEST_F(AutoWeigh, SecondReadingDifferentMakesItTheNewFirst)
{
    EXPECT_EQ(passes({0.5, 0.6}), (Lamps{"GRR", "RRR"}));
    EXPECT_EQ(t.state.StableReadings[0], 0.6);
    // The mismatching reading is kept, but the next pass takes the first
    // reading afresh: three more passes record.
    EXPECT_EQ(passes({0.6, 0.6}), (Lamps{"GRR", "GGR"}));
    EXPECT_EQ(recorded(), 0);
    EXPECT_EQ(passes({0.6}), (Lamps{"GGG"}));
    EXPECT_EQ(recorded(), 1);
}

TEST_F(AutoWeigh, AGapAfterOneReadingStartsTheCountAgain)
{
    passes({0.5});
    AutoWeighGap(t);  // a poll that read nothing: the reading before it is dropped
    EXPECT_EQ(passes({0.5, 0.5}), (Lamps{"GRR", "GGR"}));
    EXPECT_EQ(recorded(), 0);
}

TEST_F(AutoWeigh, DipBelowTheMinimumBetweenTwoLoadsRecordsBoth)
{
    passes({10, 10, 10});
    ASSERT_EQ(recorded(), 1);
    EXPECT_EQ(passes({0.1}), (Lamps{"RRR"}));  // one pass under 0.2 kg releases the latch
    EXPECT_EQ(t.state.AutoLatched, 0);
    EXPECT_EQ(passes({10, 10, 10, 10}), (Lamps{"RRR", "GRR", "GGR", "GGG"}));
    EXPECT_EQ(recorded(), 2);
}

TEST_F(AutoWeigh, WeightEqualToTheMinimumCountsAndOneBelowDoesNot)
{
    t.state.MinWeightGrams = 200;
    passes({0.2, 0.2, 0.2});
    EXPECT_EQ(recorded(), 1);
    // 0.19 is under the minimum at every pass.
    passes({0.19, 0.19, 0.19, 0.19, 0.19});
    EXPECT_EQ(recorded(), 1);
    EXPECT_EQ(lamps(), "RRR");
}

TEST_F(AutoWeigh, ZeroMinimumRecordsASteadyEmptyPlatformAndHoldsUntilNegative)
{
    t.state.MinWeightGrams = 0;
    passes({0, 0, 0});
    EXPECT_EQ(recorded(), 1);
    passes({0, 0, 0, 0});
    EXPECT_EQ(recorded(), 1);
    passes({-0.1, 0, 0, 0, 0});
    EXPECT_EQ(recorded(), 2);
}

TEST_F(AutoWeigh, NegativeMinimumWorksLikeAnyOther)
{
    // A threshold the scale dialog let through: -500 g.
    t.state.MinWeightGrams = -500;
    passes({-0.4, -0.4, -0.4});
    EXPECT_EQ(recorded(), 1);
    EXPECT_TRUE(t.state.JournalText.contains(QStringLiteral("    -0.4кг")));
    passes({-0.6});
    EXPECT_EQ(t.state.AutoLatched, 0);
    EXPECT_EQ(lamps(), "RRR");
}

TEST_F(AutoWeigh, StateIsNotTouchedBetweenPassesSoLampsHeldStayAsTheyWere)
{
    // The cycle does not call the detector while automatic weighing is off:
    // the state and lamps from before are what it resumes with.
    passes({0.5, 0.5});
    EXPECT_EQ(lamps(), "GGR");
    EXPECT_EQ(passes({0.5}), (Lamps{"GGG"}));
    EXPECT_EQ(recorded(), 1);
}

TEST_F(AutoWeigh, RefusedRecordingLatchesAndIsReportedOnce)
{
    // A day already at 1000 weighings, its file present.
    t.state.DayIndex = 1000;
    ASSERT_TRUE(AppendDayFileLine(t, QStringLiteral("earlier")).ok());
    const QByteArray before = dayFile();
    const QByteArray settingsBefore = dir.read(SettingsFileName);

    passes({5, 5, 5, 5, 5, 5, 5, 5});
    EXPECT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages[0].contains(QStringLiteral("1000"))) << panel.messages[0].toStdString();
    EXPECT_EQ(dayFile(), before);
    EXPECT_EQ(dir.read(SettingsFileName), settingsBefore);
    EXPECT_EQ(recorded(), 0);
    EXPECT_EQ(t.state.DayIndex, 1000);
}

TEST_F(AutoWeigh, FailingRecordingShowsOneMessageAndWritesNothingTwiceWhileTheBoxIsOpen)
{
    // The day file cannot be written: a directory stands in its place.
    ASSERT_TRUE(QDir().mkpath(DayFileName(t.dataDir, clock.currentDate())));

    // While the message is "open" the event loop keeps polling: ten more passes
    // of the same load arrive behind it.
    int passesWhileOpen = 0;
    panel.whileMessageOpen = [&] {
        for (int i = 0; i < 10; ++i, ++passesWhileOpen) {
            t.state.NetWeight = 5;
            AutoWeighStep(t);
        }
    };
    passes({5, 5, 5});

    EXPECT_EQ(passesWhileOpen, 10);
    EXPECT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages[0].contains(QStringLiteral("не записано в файл"))) << panel.messages[0].toStdString();
    EXPECT_EQ(recorded(), 1);  // on screen once
    EXPECT_EQ(t.state.DayIndex, 1);
    EXPECT_EQ(storedSettings().DayIndex, 1);
    EXPECT_EQ(panel.beeps, 1);
}

}  // namespace
