#include "scale/ScaleReaders.h"

#include "support/TerminalFixture.h"

#include <QLocale>

namespace {

QString Frame(const QString& weightField, const QString& status = QStringLiteral("ST"))
{
    return QChar(Stx) + weightField + status;
}

TEST(FindFrame, StxCountsOnlyWithNineCharactersAfterIt)
{
    const QString frame = Frame(QStringLiteral("  12.50"));
    ASSERT_EQ(frame.size(), 10);
    // Exactly ten characters beginning with STX: the last nine are the frame.
    EXPECT_EQ(FindFrame(frame), QStringLiteral("  12.50ST"));
    // STX at length - 9 (counting from 1) is accepted, at length - 8 it is not.
    EXPECT_EQ(FindFrame(QStringLiteral("ab") + frame), QStringLiteral("  12.50ST"));
    EXPECT_EQ(FindFrame(QStringLiteral("ab") + frame.left(9)), QString());
    EXPECT_EQ(FindFrame(frame.left(9)), QString());
    EXPECT_EQ(FindFrame(QString()), QString());
    EXPECT_EQ(FindFrame(QStringLiteral("no frame at all here")), QString());
}

TEST(FindFrame, FirstOfSeveralFramesWinsAndACutFrameBeforeItDoesNot)
{
    const QString first = Frame(QStringLiteral("   1.00"));
    const QString second = Frame(QStringLiteral("   2.00"));
    EXPECT_EQ(FindFrame(first + second), QStringLiteral("   1.00ST"));
    // An STX inside the nine characters of a frame belongs to that frame.
    EXPECT_EQ(FindFrame(QChar(Stx) + QStringLiteral("12") + second), QChar(u'1') + QStringLiteral("2") + second.left(7));
}

class Readers : public TerminalFixture {
protected:
    void SetUp() override
    {
        TerminalFixture::SetUp();
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // One AED pass with the answer to its query waiting in the port.
    void aed(const QString& answer)
    {
        port.incoming.push_back(answer);
        static_cast<void>(ReadAedScale(t));
    }
};

TEST_F(Readers, OwnScaleShowsTheFramesWeightWithoutTare)
{
    t.state.TareRounded = 0.6;
    t.state.TareWeight = 0.6;
    port.incoming.push_back(QStringLiteral("junk") + Frame(QStringLiteral("  12.34"), QStringLiteral("@#")) +
                            Frame(QStringLiteral("  99.00")));
    EXPECT_TRUE(ReadVeltarScale(t).ok());
    EXPECT_EQ(t.state.RawWeight, 12.34);
    EXPECT_EQ(t.state.NetWeight, 12.34);
    EXPECT_EQ(t.display.Label2, QStringLiteral("12.34"));
    EXPECT_EQ(t.state.ReceivedText, QStringLiteral("  12.34@#"));
    EXPECT_EQ(t.display.Label4, QStringLiteral("0"));  // the tare display is the AED reader's alone

    port.incoming.push_back(Frame(QStringLiteral("-0012.5")));
    static_cast<void>(ReadVeltarScale(t));
    EXPECT_EQ(t.display.Label2, QStringLiteral("-12.5"));
    port.incoming.push_back(Frame(QStringLiteral("12,5   ")));
    static_cast<void>(ReadVeltarScale(t));
    EXPECT_EQ(t.state.NetWeight, 12);
    port.incoming.push_back(Frame(QStringLiteral(" 1 2.5 ")));
    static_cast<void>(ReadVeltarScale(t));
    EXPECT_EQ(t.state.NetWeight, 12.5);
    port.incoming.push_back(Frame(QStringLiteral("       ")));
    static_cast<void>(ReadVeltarScale(t));
    EXPECT_EQ(t.state.NetWeight, 0);
    EXPECT_EQ(t.display.Label2, QStringLiteral("0"));
}

TEST_F(Readers, OwnScaleShowsZeroWhenNothingOrOnlyACutFrameArrived)
{
    port.incoming.push_back(Frame(QStringLiteral("   5.00")));
    static_cast<void>(ReadVeltarScale(t));
    ASSERT_EQ(t.state.NetWeight, 5);

    static_cast<void>(ReadVeltarScale(t));  // silence
    EXPECT_EQ(t.state.NetWeight, 0);
    EXPECT_EQ(t.display.Label2, QStringLiteral("0"));

    port.incoming.push_back(Frame(QStringLiteral("   5.00")).left(8));
    static_cast<void>(ReadVeltarScale(t));
    EXPECT_EQ(t.state.RawWeight, 0);

    // A closed port: the read fails and the frame left without its STX
    // yields no weight.
    port.incoming.push_back(Frame(QStringLiteral("   5.00")));
    static_cast<void>(ReadVeltarScale(t));
    ASSERT_EQ(t.state.NetWeight, 5);
    ASSERT_TRUE(port.close().ok());
    EXPECT_FALSE(ReadVeltarScale(t).ok());
    EXPECT_EQ(t.state.NetWeight, 0);
}

TEST_F(Readers, OwnScaleKeepsThePreviousWeightForANumberBeyondADouble)
{
    port.incoming.push_back(Frame(QStringLiteral("   7.50")));
    static_cast<void>(ReadVeltarScale(t));
    port.incoming.push_back(Frame(QStringLiteral("9e99999")));
    static_cast<void>(ReadVeltarScale(t));
    EXPECT_EQ(t.state.RawWeight, 7.5);
    EXPECT_EQ(t.state.NetWeight, 7.5);

    // The AED alike: an answer that reads as infinity is no reading.
    aed(QStringLiteral("   19892\r\n"));
    port.incoming.push_back(QStringLiteral("1e999\r\n"));
    EXPECT_FALSE(ReadAedScale(t).ok());
    EXPECT_DOUBLE_EQ(t.state.RawWeight, 9.99990732);
    EXPECT_EQ(t.display.Label2, QStringLiteral("9.9"));
}

TEST_F(Readers, AedWorkedValues)
{
    aed(QStringLiteral("   19892\r\n"));
    EXPECT_DOUBLE_EQ(t.state.RawWeight, 9.99990732);
    EXPECT_EQ(t.state.NetWeight, 9.9);
    EXPECT_EQ(t.display.Label2, QStringLiteral("9.9"));

    aed(QStringLiteral("    1990\r\n"));
    EXPECT_EQ(t.state.NetWeight, 1.0);
    EXPECT_EQ(t.display.Label2, QStringLiteral("1"));

    aed(QStringLiteral("    -200\r\n"));
    EXPECT_EQ(t.state.NetWeight, -0.2);  // kept for the detector and the journal
    EXPECT_EQ(t.display.Label2, QStringLiteral("0"));

    aed(QStringLiteral("     199\r\n"));  // 0.1000 kg
    EXPECT_EQ(t.display.Label2, QStringLiteral("0.1"));
    aed(QStringLiteral("      10\r\n"));  // a small positive reading rounds down to 0
    EXPECT_EQ(t.display.Label2, QStringLiteral("0"));
}

TEST_F(Readers, AedTareShowsOnePassBeforeItIsSubtracted)
{
    aed(QStringLiteral("    1234\r\n"));
    t.state.TareWeight = t.state.RawWeight;  // the switch turned on here
    EXPECT_DOUBLE_EQ(t.state.TareWeight, 0.62034414);

    aed(QStringLiteral("    5000\r\n"));
    EXPECT_EQ(t.display.Label4, QStringLiteral("0.6"));  // the tare display first
    EXPECT_EQ(t.state.NetWeight, 2.5);                  // net still less the old tare (0)

    aed(QStringLiteral("    5000\r\n"));
    EXPECT_EQ(t.state.NetWeight, 1.9);
    EXPECT_EQ(t.display.Label2, QStringLiteral("1.9"));

    // Off again: the tare returns to 0 one pass later, the gross one after that.
    t.state.TareWeight = 0;
    aed(QStringLiteral("    5000\r\n"));
    EXPECT_EQ(t.display.Label4, QStringLiteral("0"));
    EXPECT_EQ(t.state.NetWeight, 1.9);
    aed(QStringLiteral("    5000\r\n"));
    EXPECT_EQ(t.state.NetWeight, 2.5);
}

TEST_F(Readers, AedReadsOnlyTheFirstEightCharacters)
{
    aed(QStringLiteral("123456789\r\n"));  // the ninth digit is cut off
    EXPECT_DOUBLE_EQ(t.state.RawWeight, 12345678 * AedCountsToKg);
    aed(QStringLiteral("  1990"));  // shorter than eight: read whole
    EXPECT_EQ(t.display.Label2, QStringLiteral("1"));
    // A late answer is read ahead of the next one.
    aed(QStringLiteral("   19892\r\n    1990\r\n"));
    EXPECT_EQ(t.state.NetWeight, 9.9);
}

TEST_F(Readers, AedSilenceReadsZeroAndAFailedReadRepeatsThePreviousAnswer)
{
    aed(QStringLiteral("   19892\r\n"));
    aed(QString());  // no answer, port open
    EXPECT_EQ(t.state.NetWeight, 0);
    EXPECT_EQ(t.display.Label2, QStringLiteral("0"));

    aed(QStringLiteral("   19892\r\n"));
    ASSERT_TRUE(port.close().ok());
    EXPECT_FALSE(ReadAedScale(t).ok());
    EXPECT_EQ(t.state.NetWeight, 9.9);
    EXPECT_EQ(t.display.Label2, QStringLiteral("9.9"));
}

TEST_F(Readers, DisplayTextFollowsTheLocalesSeparator)
{
    QLocale::setDefault(QLocale(QLocale::Russian));
    aed(QStringLiteral("   19892\r\n"));
    EXPECT_EQ(t.display.Label2, QStringLiteral("9,9"));
}

}  // namespace

namespace {

// Binary noise on the line: NUL, 0xFF, an undefined Windows-1251 byte, CR
// without LF. It never becomes a weight, and a frame after it still counts.
TEST_F(Readers, BinaryNoiseIsNoWeightAndAFrameAfterItIsFound)
{
    const QString noise = FromCp1251(QByteArray("\x00\xff\x98\r\x01\xfe", 6));
    port.incoming.push_back(noise.repeated(50));
    EXPECT_EQ(ReadVeltarScale(t).number, ErrorNumber::NoReading);
    EXPECT_EQ(t.state.NetWeight, 0);

    port.incoming.push_back(noise + Frame(QStringLiteral("   3.25")) + noise);
    EXPECT_TRUE(ReadVeltarScale(t).ok());
    EXPECT_EQ(t.state.NetWeight, 3.25);

    port.incoming.push_back(noise);  // the AED: an answer without a digit is no reading
    EXPECT_EQ(ReadAedScale(t).number, ErrorNumber::NoReading);
    EXPECT_EQ(t.state.RawWeight, 0);

    // Digits that do not begin the answer are no reading either, though the
    // answer reads as 0 and shows so; under a negative tare that 0 would be a
    // positive net weight.
    t.state.TareRounded = -0.4;
    t.state.TareWeight = -0.4;
    for (const QString& answer : {QStringLiteral("E1\r\n"), QStringLiteral("  -E1"), QStringLiteral("?;1")}) {
        SCOPED_TRACE(answer.toStdString());
        port.incoming.push_back(answer);
        EXPECT_EQ(ReadAedScale(t).number, ErrorNumber::NoReading);
        EXPECT_EQ(t.state.RawWeight, 0);
        EXPECT_EQ(t.display.Label2, QStringLiteral("0.4"));
    }
    // A number at the start after blanks and a sign, or one that begins with
    // its period, is a reading.
    for (const QString& answer : {QStringLiteral("  - 0\r\n"), QStringLiteral(" +.5E1")}) {
        SCOPED_TRACE(answer.toStdString());
        port.incoming.push_back(answer);
        EXPECT_TRUE(ReadAedScale(t).ok());
    }
}

}  // namespace
