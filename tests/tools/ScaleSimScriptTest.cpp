#include "scale-sim/KeyCommand.h"
#include "scale-sim/Script.h"
#include "scale-sim/ScriptPlayer.h"
#include "scale-sim/WeightText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

QList<double> Weights(ScriptPlayer& player, int ticks)
{
    QList<double> weights;
    for (int i = 0; i < ticks; ++i) {
        const std::optional<Sample> sample = player.next();
        if (!sample)
            break;
        weights.append(sample->kg);
    }
    return weights;
}

}  // namespace

TEST(ScaleSimScript, StepsCommentsAndBlankLines)
{
    const ScriptParse parse = ParseScript(QStringLiteral(
        "# a comment line\n"
        "\n"
        "  2   12.5   # steady\r\n"
        "0.5\t-0.4\t0.3\n"
        "1 1e1"));
    ASSERT_TRUE(parse.ok()) << qPrintable(parse.error);
    ASSERT_EQ(parse.steps.size(), 3);
    EXPECT_DOUBLE_EQ(parse.steps[0].seconds, 2);
    EXPECT_DOUBLE_EQ(parse.steps[0].kg, 12.5);
    EXPECT_DOUBLE_EQ(parse.steps[0].wobble, 0);
    EXPECT_DOUBLE_EQ(parse.steps[1].seconds, 0.5);
    EXPECT_DOUBLE_EQ(parse.steps[1].kg, -0.4);
    EXPECT_DOUBLE_EQ(parse.steps[1].wobble, 0.3);
    EXPECT_DOUBLE_EQ(parse.steps[2].kg, 10);
}

TEST(ScaleSimScript, ErrorsNameTheirLine)
{
    struct Case {
        const char* text;
        int line;
    };
    const Case cases[] = {
        {"1 2\n3\n", 2},
        {"# c\n\n1 2 3 4\n", 3},
        {"1 2\n1 abc\n", 2},
        {"1 2,5\n", 1},
        {"0 2\n", 1},
        {"1 2\n-1 2\n", 2},
        {"1 2 -0.5\n", 1},
        {"1 2 0.001\n", 1},
        {"1 2\n1 2\n1 nan\n", 3},
        {"1 inf\n", 1},
        {"1 1e300\n", 1},
        {"1e300 2\n", 1},  // too long a hold to count in ticks
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ScriptParse parse = ParseScript(QString::fromLatin1(c.text));
        EXPECT_FALSE(parse.ok());
        EXPECT_EQ(parse.errorLine, c.line);
        EXPECT_TRUE(parse.error.startsWith(QStringLiteral("line %1: ").arg(c.line))) << qPrintable(parse.error);
        EXPECT_TRUE(parse.steps.isEmpty());
    }
}

TEST(ScaleSimScript, ScriptWithoutStepsIsAnError)
{
    for (const char* text : {"", "# only a comment\n\n"}) {
        const ScriptParse parse = ParseScript(QString::fromLatin1(text));
        EXPECT_FALSE(parse.ok());
        EXPECT_EQ(parse.errorLine, 0);
    }
}

TEST(ScaleSimScript, BuiltInScenario)
{
    const ScriptParse parse = ParseScript(BuiltInScript());
    ASSERT_TRUE(parse.ok()) << qPrintable(parse.error);
    ASSERT_EQ(parse.steps.size(), 7);
    const double kg[] = {0, 12.5, 12.5, 0, 7.3, 7.3, 0};
    const double seconds[] = {3, 1, 3, 3, 1, 3, 3};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(parse.steps[i].kg, kg[i]);
        EXPECT_DOUBLE_EQ(parse.steps[i].seconds, seconds[i]);
        EXPECT_EQ(parse.steps[i].wobble > 0, i == 1 || i == 4);
    }
}

TEST(ScaleSimPlayer, HoldsEachStepForItsTicksThenEnds)
{
    ScriptPlayer player({{0.3, 1.0, 0}, {0.2, 2.0, 0}}, false, 1);
    const QList<double> weights = Weights(player, 100);
    EXPECT_EQ(weights, (QList<double>{1, 1, 1, 2, 2}));
    EXPECT_FALSE(player.next().has_value());
}

TEST(ScaleSimPlayer, LoopStartsOver)
{
    ScriptPlayer player({{0.1, 1.0, 0}, {0.2, 2.0, 0}}, true, 1);
    EXPECT_EQ(Weights(player, 7), (QList<double>{1, 2, 2, 1, 2, 2, 1}));
}

TEST(ScaleSimPlayer, SteadyStepsAreMarkedSteadyAndWobbleIsNot)
{
    ScriptPlayer player({{0.1, 5.0, 0}, {0.1, 5.0, 0.5}}, false, 7);
    EXPECT_TRUE(player.next()->steady);
    EXPECT_FALSE(player.next()->steady);
}

TEST(ScaleSimPlayer, WobbleNeverRepeatsAndStaysInRange)
{
    for (const double wobble : {0.01, 0.02, 0.05, 0.1, 0.5, 0.8, 3.0}) {
        for (quint32 seed = 1; seed <= 20; ++seed) {
            SCOPED_TRACE(testing::Message() << "wobble " << wobble << " seed " << seed);
            ScriptPlayer player({{60, 12.5, wobble}}, false, seed);
            const QList<double> weights = Weights(player, 600);
            ASSERT_EQ(weights.size(), 600);
            for (qsizetype i = 0; i < weights.size(); ++i) {
                ASSERT_LE(std::fabs(weights[i] - 12.5), wobble + 1e-9);
                if (i == 0)
                    continue;
                // What the terminal sees: the frame text and the AED counts.
                ASSERT_NE(VeltarWeightField(weights[i]), VeltarWeightField(weights[i - 1])) << i;
                ASSERT_NE(AedCounts(weights[i]), AedCounts(weights[i - 1])) << i;
            }
        }
    }
}

TEST(ScaleSimPlayer, WobbleDefeatsTheTerminalsStabilityTest)
{
    // The terminal reads about every third tick and cuts AED weights down to
    // 0.1 kg; three equal readings in a row would count as a weighing.
    ScriptPlayer player({{60, 7.3, 0.5}}, false, 3);
    const QList<double> weights = Weights(player, 600);
    for (qsizetype i = 3; i < weights.size(); ++i) {
        const double now = std::floor(AedCounts(weights[i]) * AedKgPerCount * 10);
        const double before = std::floor(AedCounts(weights[i - 3]) * AedKgPerCount * 10);
        ASSERT_NE(now, before) << i;
    }
}

TEST(ScaleSimPlayer, WobbleIsRandom)
{
    ScriptPlayer a({{10, 12.5, 0.8}}, false, 1);
    ScriptPlayer b({{10, 12.5, 0.8}}, false, 2);
    EXPECT_NE(Weights(a, 100), Weights(b, 100));
}

TEST(ScaleSimPlayer, HeldWeightPausesTheScript)
{
    ScriptPlayer player({{0.2, 1.0, 0}, {0.1, 2.0, 0}}, false, 1);
    EXPECT_EQ(player.next()->kg, 1);
    player.hold(42.5);
    EXPECT_TRUE(player.holding());
    for (int i = 0; i < 50; ++i) {
        const std::optional<Sample> sample = player.next();
        ASSERT_TRUE(sample.has_value());
        EXPECT_EQ(sample->kg, 42.5);
        EXPECT_TRUE(sample->steady);
    }
    player.resume();
    EXPECT_FALSE(player.holding());
    EXPECT_EQ(Weights(player, 10), (QList<double>{1, 2}));
}

TEST(ScaleSimKeys, Lines)
{
    EXPECT_EQ(ParseKeyLine(u"").kind, KeyCommand::Nothing);
    EXPECT_EQ(ParseKeyLine(u"  \r").kind, KeyCommand::Nothing);
    EXPECT_EQ(ParseKeyLine(u"q").kind, KeyCommand::Quit);
    EXPECT_EQ(ParseKeyLine(u" s \r").kind, KeyCommand::Resume);
    EXPECT_EQ(ParseKeyLine(u"x").kind, KeyCommand::Unknown);
    EXPECT_EQ(ParseKeyLine(u"12.5kg").kind, KeyCommand::Unknown);
    EXPECT_EQ(ParseKeyLine(u"nan").kind, KeyCommand::Unknown);

    const KeyCommand hold = ParseKeyLine(u"12.5\n");
    EXPECT_EQ(hold.kind, KeyCommand::Hold);
    EXPECT_DOUBLE_EQ(hold.kg, 12.5);
    EXPECT_DOUBLE_EQ(ParseKeyLine(u"-0,4").kg, -0.4);
    EXPECT_EQ(ParseKeyLine(u"0").kind, KeyCommand::Hold);
}
