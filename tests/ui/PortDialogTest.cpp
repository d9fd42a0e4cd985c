#include "ui/PortDialog.h"

#include "scale/PortWatch.h"
#include "support/TerminalFixture.h"
#include "ui/StartUp.h"

namespace {

class PortDialog : public TerminalFixture {
protected:
    static PortDialogTexts texts(const QString& number, const QString& baud = QStringLiteral("9600"),
                                 const QString& parity = QStringLiteral("e"))
    {
        return {number, baud, parity, QStringLiteral("8"), QStringLiteral("1")};
    }

    // A save the dialog refuses: one message that is not about the port, and
    // the state, the port and the settings file exactly as before.
    void expectRefused(const PortDialogTexts& entered)
    {
        const QByteArray file = dir.read(SettingsFileName);
        const PortDialogTexts stored = Form2_Activate(t.state);
        const int opens = port.openCalls;
        const int closes = port.closeCalls;

        EXPECT_FALSE(Form2_Command1_Click(t, entered));

        ASSERT_EQ(panel.messages.size(), 1);
        EXPECT_NE(panel.messages[0], PortNotFoundMessage);
        EXPECT_FALSE(panel.messages[0].trimmed().isEmpty());
        EXPECT_EQ(Form2_Activate(t.state), stored);
        EXPECT_EQ(port.openCalls, opens);
        EXPECT_EQ(port.closeCalls, closes);
        EXPECT_TRUE(port.isOpen());
        EXPECT_EQ(port.portNumber(), 1);
        EXPECT_EQ(port.settings(), QStringLiteral("9600,n,8,1"));
        EXPECT_EQ(dir.read(SettingsFileName), file);
        panel.messages.clear();
    }
};

TEST_F(PortDialog, ShowsTheStoredTextsInPlaceOfTheInitialOnes)
{
    EXPECT_EQ(PortDialogInitialTexts(), texts(QStringLiteral("1")));
    t.state.PortNumber = QStringLiteral("3");
    t.state.BaudRate = QStringLiteral("19200");
    t.state.Parity = QStringLiteral("o");
    t.state.DataBits = QStringLiteral("7");
    t.state.StopBits = QStringLiteral("2");
    EXPECT_EQ(Form2_Activate(t.state), (PortDialogTexts{QStringLiteral("3"), QStringLiteral("19200"), QStringLiteral("o"),
                                                        QStringLiteral("7"), QStringLiteral("2")}));
}

TEST_F(PortDialog, SavingForAPresentPortReopensItAndWritesTheFile)
{
    EXPECT_TRUE(Form2_Command1_Click(t, texts(QStringLiteral("2"))));

    EXPECT_TRUE(panel.messages.isEmpty());
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.portNumber(), 2);
    EXPECT_EQ(port.settings(), QStringLiteral("9600,e,8,1"));
    EXPECT_EQ(Form2_Activate(t.state), texts(QStringLiteral("2")));
    const TerminalState stored = storedSettings();
    EXPECT_EQ(stored.PortNumber, QStringLiteral("2"));
    EXPECT_EQ(stored.Parity, QStringLiteral("e"));
    // The rest of the file is rewritten as it stood.
    EXPECT_EQ(stored.MinWeightGrams, 200);
    EXPECT_EQ(stored.ScaleKind, ScaleKindVeltar);
}

TEST_F(PortDialog, MissingPortIsReportedOnceAndNothingIsSaved)
{
    const QByteArray file = dir.read(SettingsFileName);
    port.present = false;

    EXPECT_FALSE(Form2_Command1_Click(t, texts(QStringLiteral("4"), QStringLiteral("4800"))));

    EXPECT_EQ(panel.messages, QStringList{PortNotFoundMessage});
    EXPECT_EQ(dir.read(SettingsFileName), file);
    // The texts stay in force for the run and reach the file with the next save.
    EXPECT_EQ(Form2_Activate(t.state), texts(QStringLiteral("4"), QStringLiteral("4800")));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.portNumber(), 4);
    EXPECT_EQ(port.settings(), QStringLiteral("4800,e,8,1"));
}

TEST_F(PortDialog, LineParametersThePortRefusesLeaveItsPreviousOnes)
{
    // Unchecked texts the port cannot use: the port opens with what it had,
    // and the texts are saved as they stand.
    EXPECT_TRUE(Form2_Command1_Click(t, texts(QStringLiteral("2"), QStringLiteral("9600"), QStringLiteral("x"))));
    EXPECT_TRUE(panel.messages.isEmpty());
    EXPECT_EQ(port.portNumber(), 2);
    EXPECT_EQ(port.settings(), QStringLiteral("9600,n,8,1"));
    EXPECT_EQ(storedSettings().Parity, QStringLiteral("x"));
}

TEST_F(PortDialog, PortNumbersThatNextStartCouldNotUseAreRefused)
{
    for (const char* number : {"abc", "", " ", "0", "256", "-1", "1,5x", "40000"}) {
        SCOPED_TRACE(number);
        expectRefused(texts(QString::fromUtf8(number)));
    }
    // The bounds themselves are port numbers, blanks around them ignored.
    EXPECT_EQ(PortDialogRefusal(texts(QStringLiteral("1"))), QString());
    EXPECT_EQ(PortDialogRefusal(texts(QStringLiteral(" 255 "))), QString());
}

TEST_F(PortDialog, TextsTheSettingsFileCannotHoldAreRefused)
{
    const QString longest(48, u'9');
    EXPECT_EQ(PortDialogRefusal(texts(QStringLiteral("1"), longest)), QString());
    expectRefused(texts(QStringLiteral("1"), longest + u'9'));
    // Cyrillic letters take one byte each, so 48 of them still fit.
    EXPECT_EQ(PortDialogRefusal(texts(QStringLiteral("1"), QString(48, u'ж'))), QString());
    expectRefused(texts(QStringLiteral("1"), QStringLiteral("9600"), QString(49, u'ж')));
    expectRefused({QStringLiteral("1"), QStringLiteral("9600"), QStringLiteral("e"), QStringLiteral("8"),
                   QString(49, u' ') + u'1'});
    // Characters Windows-1251 lacks would be written as '?'.
    expectRefused(texts(QStringLiteral("1"), QStringLiteral("9600"), QStringLiteral("€✓")));
    expectRefused(texts(QStringLiteral("1"), QStringLiteral("九六〇〇")));
}

}  // namespace

namespace {

TEST_F(PortDialog, SavingTakesTheLostPortOverFromTheRetries)
{
    // The adapter was pulled; the operator moves the scale to port 2 instead,
    // before plugging it in there.
    t.portLost = true;
    ASSERT_TRUE(port.close().ok());
    port.present = false;
    EXPECT_FALSE(Form2_Command1_Click(t, texts(QStringLiteral("2"))));
    // The port chosen is looked for like a lost one, and opened when it
    // appears, with the dialog's parameters.
    EXPECT_TRUE(t.portLost);
    RetryLostPort(t);
    EXPECT_FALSE(port.isOpen());
    port.present = true;
    RetryLostPort(t);
    EXPECT_TRUE(port.isOpen());
    EXPECT_FALSE(t.portLost);
    EXPECT_EQ(port.portNumber(), 2);
    EXPECT_EQ(t.display.Label1, QStringLiteral("COM2  9600,e,8,1"));
}

}  // namespace
