#include "ui/ScaleDialog.h"

#include "support/TerminalFixture.h"

#include <QLocale>

namespace {

class ScaleDialog : public TerminalFixture {
protected:
    void SetUp() override
    {
        TerminalFixture::SetUp();
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    static ScaleDialogTexts entry(const QString& grams, bool autoWeigh = true)
    {
        ScaleDialogTexts texts = ScaleDialogInitialTexts();
        texts.Text1 = grams;
        texts.Check1 = autoWeigh;
        return texts;
    }
};

TEST_F(ScaleDialog, ActivationShowsTheStoredThresholdFlagAndKind)
{
    EXPECT_EQ(ScaleDialogInitialTexts(), (ScaleDialogTexts{QStringLiteral("200"), true, true, false}));

    t.state.MinWeightGrams = -350;
    t.state.AutoWeighOn = 0;
    t.state.ScaleKind = ScaleKindAed;
    ScaleDialogTexts shown = entry(QStringLiteral("12"));
    Form3_Activate(t.state, shown);
    EXPECT_EQ(shown, (ScaleDialogTexts{QStringLiteral("-350"), false, false, true}));

    t.state.ScaleKind = ScaleKindVeltar;
    t.state.AutoWeighOn = 1;
    Form3_Activate(t.state, shown);
    EXPECT_EQ(shown, (ScaleDialogTexts{QStringLiteral("-350"), true, true, false}));

    // Only 1 counts as on.
    t.state.AutoWeighOn = 2;
    Form3_Activate(t.state, shown);
    EXPECT_FALSE(shown.Check1);
}

TEST_F(ScaleDialog, AnUnknownKindLeavesTheOptionButtonsAsTheyAre)
{
    t.state.ScaleKind = 3;
    ScaleDialogTexts shown{QStringLiteral("1"), true, false, true};
    Form3_Activate(t.state, shown);
    EXPECT_FALSE(shown.Option1);
    EXPECT_TRUE(shown.Option2);
    EXPECT_EQ(t.state.ScaleKind, 3);
}

TEST_F(ScaleDialog, SavesTheThresholdRoundedHalfToEvenAndTheFlag)
{
    const struct {
        const char* text;
        int grams;
    } cases[] = {{" 350 ", 350}, {"2.5", 2}, {"3.5", 4}, {"-2.5", -2}, {"1e3", 1000}, {"0", 0}, {"32767", 32767}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(Form3_Command1_Click(t, entry(QString::fromUtf8(c.text), false)));
        EXPECT_TRUE(panel.messages.isEmpty());
        EXPECT_EQ(t.state.MinWeightGrams, c.grams);
        EXPECT_EQ(t.state.AutoWeighOn, 0);
        const TerminalState stored = storedSettings();
        EXPECT_EQ(stored.MinWeightGrams, c.grams);
        EXPECT_EQ(stored.AutoWeighOn, 0);
        ASSERT_TRUE(Form3_Command1_Click(t, entry(QStringLiteral("200"), true)));
        EXPECT_EQ(storedSettings().AutoWeighOn, 1);
    }
}

TEST_F(ScaleDialog, TheDecimalSeparatorIsTheLocales)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(Form3_Command1_Click(t, entry(QStringLiteral("7,5"))));
    EXPECT_EQ(t.state.MinWeightGrams, 8);
    EXPECT_FALSE(Form3_Command1_Click(t, entry(QStringLiteral("7.5"))));
    EXPECT_EQ(panel.messages, QStringList{WholeGramsMessage});
}

TEST_F(ScaleDialog, ARefusedThresholdKeepsTheOldOneAndSavesNothing)
{
    t.state.MinWeightGrams = 500;
    ASSERT_TRUE(SaveSettings(t).ok());
    const QByteArray file = dir.read(SettingsFileName);

    for (const char* text : {"40000", "-32769", "abc", "", "  ", "12kg"}) {
        SCOPED_TRACE(text);
        panel.messages.clear();
        // The box is not read either: the flag stays as it was.
        EXPECT_FALSE(Form3_Command1_Click(t, entry(QString::fromUtf8(text), false)));
        EXPECT_EQ(panel.messages, QStringList{QStringLiteral(" введите целое число грамм")});
        EXPECT_EQ(t.state.MinWeightGrams, 500);
        EXPECT_EQ(t.state.AutoWeighOn, 1);
        EXPECT_EQ(dir.read(SettingsFileName), file);
    }
}

TEST_F(ScaleDialog, TheKindChosenBeforeIsSavedWithTheRest)
{
    t.state.ScaleKind = ScaleKindAed;  // as an option button's click leaves it
    EXPECT_EQ(storedSettings().ScaleKind, ScaleKindVeltar);
    EXPECT_TRUE(Form3_Command1_Click(t, entry(QStringLiteral("150"))));
    EXPECT_EQ(storedSettings().ScaleKind, ScaleKindAed);
    EXPECT_EQ(storedSettings().MinWeightGrams, 150);
}

}  // namespace
