#include "ui/StartUp.h"

#include "core/SettingsFile.h"
#include "core/Cp1251.h"
#include "journal/DayFile.h"
#include "journal/RecordWeighing.h"
#include "scale/PortWatch.h"
#include "support/FakeClock.h"
#include "support/FakeOperatorPanel.h"
#include "support/FakeSerialPort.h"
#include "support/TempDataDir.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

// A data directory that does not exist yet. Below one that does not either,
// as a fresh account's XDG data home; on Windows the program makes one level,
// below a Program Files that is always there.
QString FreshDataDir(const TempDataDir& root)
{
#ifdef Q_OS_WIN
    QDir(root.path()).mkdir(QStringLiteral("share"));
#endif
    return root.path() + QStringLiteral("share/Orvalta/");
}

class StartUp : public ::testing::Test {
protected:
    TempDataDir root;
    FakeSerialPort port;
    FakeClock clock;
    FakeOperatorPanel panel;
    Terminal t{TerminalState{}, Display{}, port, clock, panel, FreshDataDir(root)};

    // A settings file as an earlier run would have left it.
    void storeSettings(const std::function<void(TerminalState&)>& change)
    {
        ASSERT_TRUE(QDir().mkpath(t.dataDir));
        TerminalState s;
        SetDefaults(s);
        change(s);
        const auto bytes = EncodeSettings(s, {});
        ASSERT_TRUE(bytes.ok());
        QFile file(SettingsPath(t));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.value);
    }

    void storeDayFile(const QByteArray& bytes)
    {
        ASSERT_TRUE(QDir().mkpath(t.dataDir));
        QFile file(DayFileName(t.dataDir, clock.currentDate()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void start()
    {
        const Status loaded = Form_Load(t);
        ASSERT_TRUE(loaded.ok()) << loaded.description.toStdString();
        Form_Activate(t);
    }
};

TEST_F(StartUp, FirstStartCreatesTheDirectoryAndOpensPortOneWithTheDefaults)
{
    start();

    EXPECT_TRUE(QFile::exists(SettingsPath(t)));
    EXPECT_EQ(QFileInfo(SettingsPath(t)).size(), 650);
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_EQ(port.settings(), QStringLiteral("9600,n,8,1"));
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(panel.messages.isEmpty());
    EXPECT_EQ(t.display.Label1, QStringLiteral("COM1  9600,n,8,1"));
    EXPECT_EQ(t.display.Label1Back, Colours::PortOpen);
    // No day file yet: an empty journal and no message about it.
    EXPECT_TRUE(t.state.JournalText.isEmpty());
    EXPECT_TRUE(t.display.Text1.isEmpty());
    // Automatic weighing is on by default, so "Записать" is hidden.
    EXPECT_FALSE(t.display.Command4Visible);
}

TEST_F(StartUp, StoredPortAndLineParametersReachThePortBeforeItOpens)
{
    storeSettings([](TerminalState& s) {
        s.PortNumber = QStringLiteral(" 2 ");
        s.BaudRate = QStringLiteral("19200");
        s.Parity = QStringLiteral("e");
        s.DataBits = QStringLiteral("7");
        s.StopBits = QStringLiteral("2");
    });
    start();

    EXPECT_EQ(port.openCalls, 1);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(t.display.Label1, QStringLiteral("COM2  19200,e,7,2"));
}

TEST_F(StartUp, MissingPortIsReportedOnceAndTheTerminalRunsWithItClosed)
{
    port.present = false;
    storeDayFile(QByteArray(" 1\t06-15-2026  09:00:00     10кг    0кг\r\n").replace("кг", "\xEA\xE3"));
    start();

    EXPECT_EQ(panel.messages, QStringList{QStringLiteral("Порт не обнаружен")});
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(t.display.Label1Back, Colours::PortClosed);
    EXPECT_EQ(t.display.Label1, QStringLiteral("COM1  9600,n,8,1"));
    // The day's journal is shown all the same.
    EXPECT_EQ(t.state.JournalText, QStringLiteral(" 1\t06-15-2026  09:00:00     10кг    0кг\r\n"));
    EXPECT_EQ(t.display.Text1, t.state.JournalText);
    EXPECT_EQ(t.display.Text1SelStart, t.state.JournalText.size());
    // A scale plugged in after the start is opened by the lost-port retries.
    EXPECT_TRUE(t.portLost);
    port.present = true;
    RetryLostPort(t);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(t.display.Label1Back, Colours::PortOpen);
    EXPECT_EQ(panel.messages.size(), 1);
}

TEST_F(StartUp, UnusablePortSettingsAreTreatedAsAPortThatCannotBeOpened)
{
    struct Case {
        const char* what;
        std::function<void(TerminalState&)> change;
    };
    const Case cases[] = {
        {"letters as port number", [](TerminalState& s) { s.PortNumber = QStringLiteral("COM1"); }},
        {"empty port number", [](TerminalState& s) { s.PortNumber.clear(); }},
        {"port number beyond 16 bits", [](TerminalState& s) { s.PortNumber = QStringLiteral("70000"); }},
        {"port number the port refuses", [](TerminalState& s) { s.PortNumber = QStringLiteral("0"); }},
        {"baud rate in letters", [](TerminalState& s) { s.BaudRate = QStringLiteral("fast"); }},
        {"unknown parity", [](TerminalState& s) { s.Parity = QStringLiteral("x"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDataDir dir;
        FakeSerialPort freshPort;
        FakeOperatorPanel freshPanel;
        Terminal fresh{TerminalState{}, Display{}, freshPort, clock, freshPanel, dir.path()};
        TerminalState s;
        SetDefaults(s);
        c.change(s);
        dir.write(SettingsFileName, EncodeSettings(s, {}).value);

        const Status loaded = Form_Load(fresh);
        ASSERT_TRUE(loaded.ok());
        Form_Activate(fresh);
        EXPECT_EQ(freshPort.openCalls, 0);
        EXPECT_FALSE(fresh.portLost);  // settings the port refuses are never tried again
        EXPECT_EQ(freshPanel.messages, QStringList{QStringLiteral("Порт не обнаружен")});
        EXPECT_EQ(fresh.display.Label1Back, Colours::PortClosed);
        // What the operator typed stays in the state for the port dialog.
        EXPECT_EQ(fresh.state.PortNumber, s.PortNumber);
        EXPECT_EQ(fresh.state.BaudRate, s.BaudRate);
    }
}

TEST_F(StartUp, SettingsThatCannotBeCreatedFailTheStartWithANumberAndADescription)
{
    // A regular file where the data directory's parent should be.
    QDir(root.path()).rmdir(QStringLiteral("share"));
    root.write(QStringLiteral("share"), "not a directory");
    const Status loaded = Form_Load(t);
    EXPECT_FALSE(loaded.ok());
    EXPECT_NE(loaded.number, 0);
    EXPECT_FALSE(loaded.description.isEmpty());
    EXPECT_EQ(port.openCalls, 0);
}

TEST_F(StartUp, ActivationShowsTheStoredSumOnlyWhileSummationIsOn)
{
    storeSettings([](TerminalState& s) {
        s.SumOn = 1;
        s.SumWeight = 30;
        s.SumCount = 3;
    });
    start();
    EXPECT_EQ(t.display.Command3, SwitchOnLook);
    EXPECT_EQ(t.display.Label8, QStringLiteral("30"));
    EXPECT_EQ(t.display.Label9, QStringLiteral("3"));

    // Switched off: the sums are cleared in memory while the file keeps them.
    const QByteArray file = root.read(QStringLiteral("share/Orvalta/System.eng"));
    t.state.SumOn = 0;
    Form_Activate(t);
    EXPECT_EQ(t.display.Command3, SwitchOffLook);
    EXPECT_EQ(t.state.SumWeight, 0);
    EXPECT_EQ(t.state.SumCount, 0);
    EXPECT_EQ(t.display.Label8, QStringLiteral("0"));
    EXPECT_EQ(t.display.Label9, QStringLiteral("0"));
    EXPECT_EQ(root.read(QStringLiteral("share/Orvalta/System.eng")), file);

    // Any flag value but 1 is off.
    t.state.SumOn = -1;
    t.state.SumWeight = 5;
    Form_Activate(t);
    EXPECT_EQ(t.display.Command3, SwitchOffLook);
    EXPECT_EQ(t.state.SumWeight, 0);
}

TEST_F(StartUp, RecordButtonIsShownOnlyWhileAutomaticWeighingIsOff)
{
    storeSettings([](TerminalState& s) { s.AutoWeighOn = 0; });
    start();
    EXPECT_TRUE(t.display.Command4Visible);

    t.state.AutoWeighOn = 1;
    Form_Activate(t);
    EXPECT_FALSE(t.display.Command4Visible);

    t.state.AutoWeighOn = -1;
    Form_Activate(t);
    EXPECT_TRUE(t.display.Command4Visible);
}

TEST_F(StartUp, DamagedSettingsFileStillStartsWithTheDefaults)
{
    ASSERT_TRUE(QDir().mkpath(t.dataDir));
    root.write(QStringLiteral("share/Orvalta/System.eng"), QByteArray(100, '\x07'));
    start();

    EXPECT_EQ(t.state.MinWeightGrams, 200);
    EXPECT_TRUE(port.isOpen());
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages[0].contains(QStringLiteral("System.eng"))) << panel.messages[0].toStdString();
    EXPECT_EQ(root.read(QStringLiteral("share/Orvalta/System.eng.bad")), QByteArray(100, '\x07'));
}

TEST_F(StartUp, DamagedSettingsFileContinuesTheDaysNumberingFromTheJournal)
{
    // Lines that only look like weighing lines leave the numbering at 0.
    storeDayFile(QByteArray("weighings\r\n"
                            " 7 06-15-2026  09:00:00     10\xEA\xE3    0\xEA\xE3\r\n"
                            " 8\t06-15-2026  09:00:00     10\r\n"
                            "\xD1\xF3\xEC\xEC\xE0( 3)=  30\r\n"));
    root.write(QStringLiteral("share/Orvalta/System.eng"), QByteArray(100, '\x07'));
    start();
    EXPECT_EQ(t.state.DayIndex, 0);
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_FALSE(panel.messages[0].contains(QStringLiteral("Нумерация")));
    ASSERT_TRUE(port.close().ok());

    // Weighing lines 1 to 3 and a sum line after them: the next weighing is 4.
    storeDayFile(QByteArray(" 1\t06-15-2026  09:00:00     10\xEA\xE3    0\xEA\xE3\r\n"
                            " 2\t06-15-2026  09:01:00    -2.5\xEA\xE3    0.6\xEA\xE3\r\n"
                            " 3\t06-15-2026  09:02:00     1E-05\xEA\xE3   -0.4\xEA\xE3\r\n"
                            "\xD1\xF3\xEC\xEC\xE0( 3)=  7.50001\r\n"));
    root.write(QStringLiteral("share/Orvalta/System.eng"), QByteArray(100, '\x07'));
    start();
    EXPECT_EQ(t.state.DayIndex, 3);
    TerminalState stored;
    ASSERT_TRUE(DecodeSettings(root.read(QStringLiteral("share/Orvalta/System.eng")), stored).ok());
    EXPECT_EQ(stored.DayIndex, 3);
    EXPECT_EQ(stored.MinWeightGrams, 200);
    ASSERT_EQ(panel.messages.size(), 2);
    EXPECT_TRUE(panel.messages[1].contains(QStringLiteral("Нумерация взвешиваний продолжается по журналу за сегодня")))
        << panel.messages[1].toStdString();
    EXPECT_TRUE(panel.messages[1].contains(QStringLiteral("№3"))) << panel.messages[1].toStdString();
    ASSERT_TRUE(port.close().ok());

    // A settings file saved before the last weighing, as a stop between the
    // line's append and the save leaves it, with a life-time count far past
    // the day's: the next weighing is 4, not 3 again.
    storeSettings([](TerminalState& s) {
        s.DayIndex = 2;
        s.TotalCount = 40;
    });
    start();
    EXPECT_EQ(t.state.DayIndex, 3);
    t.state.NetWeight = 5;
    const Status recorded = RecordWeighing(t);
    EXPECT_TRUE(recorded.ok()) << recorded.description.toStdString();
    EXPECT_TRUE(FromCp1251(root.read(QStringLiteral("share/Orvalta/06-15-2026.txt")))
                    .endsWith(QStringLiteral(" 4\t06-15-2026  09:05:30     5кг    0кг\r\n")));
}

TEST_F(StartUp, AboutPictureAlternatesWithEachChoice)
{
    const QString journal = t.display.Text1;
    EXPECT_FALSE(t.display.Picture1Visible);
    mnu_Prog_Click(t);
    EXPECT_TRUE(t.display.Picture1Visible);
    mnu_Prog_Click(t);
    EXPECT_FALSE(t.display.Picture1Visible);
    EXPECT_EQ(t.display.Text1, journal);
}

}  // namespace
