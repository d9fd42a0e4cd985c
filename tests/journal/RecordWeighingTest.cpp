#include "journal/RecordWeighing.h"

#include "support/TerminalFixture.h"

#include <QDir>

namespace {

class Recording : public TerminalFixture {
protected:
    void weigh(double net)
    {
        t.state.NetWeight = net;
        const Status recorded = RecordWeighing(t);
        EXPECT_TRUE(recorded.ok()) << recorded.description.toStdString();
    }
};

TEST_F(Recording, FirstWeighingOfTheDayStartsAtOneAndReachesScreenFileAndSettings)
{
    t.state.DayIndex = 7;  // yesterday's count, as loaded
    t.state.TareRounded = 0;
    weigh(12.5);

    const QString line = QStringLiteral(" 1\t06-15-2026  09:05:30     12.5кг    0кг\r\n");
    EXPECT_EQ(t.state.DayIndex, 1);
    EXPECT_EQ(t.state.JournalText, line);
    EXPECT_EQ(t.display.Text1, line);
    EXPECT_EQ(t.display.Text1SelStart, line.size());
    EXPECT_EQ(dayFile(), ToCp1251(line));
    EXPECT_EQ(t.state.FileLine + QStringLiteral("\r\n"), t.state.ScreenLine);
    const WeighingRecord& slot = t.state.Records(1);
    EXPECT_EQ(slot.RecordDate, QStringLiteral("06-15-2026"));
    EXPECT_EQ(slot.RecordTime, QStringLiteral("09:05:30"));
    EXPECT_EQ(slot.Net, 12.5);

    const TerminalState stored = storedSettings();
    EXPECT_EQ(stored.DayIndex, 1);
    EXPECT_EQ(stored.TotalCount, 1);
}

TEST_F(Recording, NumberingContinuesFromTheStoredIndexWhileTodaysFileExists)
{
    ASSERT_TRUE(AppendDayFileLine(t, QStringLiteral(" 7\tearlier")).ok());
    t.state.DayIndex = 7;
    t.state.TotalCount = 40;  // the life-time count, far past the day's: the number is the day's
    weigh(1);
    weigh(2);
    EXPECT_EQ(t.state.DayIndex, 9);
    EXPECT_TRUE(dayFileText().endsWith(QStringLiteral(" 9\t06-15-2026  09:05:30     2кг    0кг\r\n")));

    // If the day file disappears during the day, numbering starts again. Its
    // seal still counts the lost lines: the new line is sealed after them,
    // and the operator is told that the day no longer matches its seal.
    ASSERT_TRUE(QFile::remove(dir.file(DayFileName(QString(), clock.currentDate()))));
    t.state.NetWeight = 3;
    const Status recorded = RecordWeighing(t);
    EXPECT_EQ(recorded.description, QStringLiteral("Журнал за 06-15-2026 не совпадает с печатью: Журнал изменён после "
                                                   "записи: удалены строки с 1. Новые строки запечатаны после "
                                                   "этого места."));
    EXPECT_EQ(t.state.DayIndex, 1);
    EXPECT_TRUE(dayFileText().startsWith(QStringLiteral(" 1\t06-15-2026  09:05:30     3кг    0кг\r\n")));
}

TEST_F(Recording, AfterMidnightTheNextWeighingGoesToTheNewDaysFileAsNumberOne)
{
    clock.now = QDateTime(QDate(2026, 6, 15), QTime(23, 59, 59));
    weigh(5);
    weigh(6);
    clock.now = QDateTime(QDate(2026, 6, 16), QTime(0, 0, 1));
    weigh(7);

    EXPECT_EQ(dir.read(QStringLiteral("06-16-2026.txt")),
              ToCp1251(QStringLiteral(" 1\t06-16-2026  00:00:01     7кг    0кг\r\n")));
    EXPECT_EQ(FromCp1251(dir.read(QStringLiteral("06-15-2026.txt"))).count(QStringLiteral("\r\n")), 2);
    // The screen still shows yesterday's lines above it.
    EXPECT_EQ(t.state.JournalText.count(QStringLiteral("\r\n")), 3);
    EXPECT_TRUE(t.state.JournalText.startsWith(QStringLiteral(" 1\t06-15-2026")));
}

TEST_F(Recording, NetAndTareAreWrittenAsJournalNumbers)
{
    t.state.TareRounded = 0.6;
    weigh(-2.5);
    EXPECT_TRUE(t.state.FileLine.endsWith(QStringLiteral("09:05:30    -2.5кг    0.6кг"))) << t.state.FileLine.toStdString();
    weigh(0);
    EXPECT_TRUE(t.state.FileLine.endsWith(QStringLiteral("09:05:30     0кг    0.6кг")));
}

TEST_F(Recording, SummationAddsWhileOnAndClearsWhileOff)
{
    t.state.SumOn = 1;
    weigh(10);
    weigh(12.5);
    weigh(7.5);
    EXPECT_EQ(t.state.SumWeight, 30);
    EXPECT_EQ(t.state.SumCount, 3);
    EXPECT_EQ(t.display.Label8, QStringLiteral("30"));
    EXPECT_EQ(t.display.Label9, QStringLiteral("3"));
    EXPECT_EQ(storedSettings().SumWeight, 30);

    t.state.SumOn = 0;
    weigh(4);
    EXPECT_EQ(t.state.SumWeight, 0);
    EXPECT_EQ(t.state.SumCount, 0);
    EXPECT_EQ(t.display.Label8, QStringLiteral("0"));
    EXPECT_EQ(t.display.Label9, QStringLiteral("0"));
}

TEST_F(Recording, LifeTimeCountStopsAtItsLimitWithoutStoppingTheWeighing)
{
    t.state.TotalCount = 32766;
    weigh(1);
    weigh(2);
    EXPECT_EQ(t.state.TotalCount, 32767);
    EXPECT_EQ(t.state.DayIndex, 2);
    EXPECT_EQ(storedSettings().TotalCount, 32767);
}

TEST_F(Recording, WeighingsPastTheLimitsAreRefusedBeforeAnythingChanges)
{
    struct Case {
        const char* what;
        std::int16_t dayIndex, sumOn, sumCount;
        double sumWeight = 0;
        double net = 5;
    };
    for (const Case c : {Case{"1001st of the day", 1000, 0, 0}, Case{"sum of 32767", 5, 1, 32767},
                         Case{"sum beyond a double", 5, 1, 1, 1.7e308, 1.7e308}}) {
        SCOPED_TRACE(c.what);
        TempDataDir fresh;
        Terminal f{TerminalState{}, Display{}, port, clock, panel, fresh.path()};
        ASSERT_TRUE(InitSettings(f).ok());
        ASSERT_TRUE(AppendDayFileLine(f, QStringLiteral("earlier")).ok());
        f.state.DayIndex = c.dayIndex;
        f.state.SumOn = c.sumOn;
        f.state.SumCount = c.sumCount;
        f.state.SumWeight = c.sumWeight;
        f.state.NetWeight = c.net;
        const QByteArray fileBefore = fresh.read(DayFileName(QString(), clock.currentDate()));
        const QByteArray settingsBefore = fresh.read(SettingsFileName);
        const TerminalState before = f.state;

        const Status refused = RecordWeighing(f);
        EXPECT_FALSE(refused.ok());
        EXPECT_FALSE(refused.description.isEmpty());
        EXPECT_EQ(fresh.read(DayFileName(QString(), clock.currentDate())), fileBefore);
        EXPECT_EQ(fresh.read(SettingsFileName), settingsBefore);
        EXPECT_EQ(f.state.DayIndex, before.DayIndex);
        EXPECT_EQ(f.state.TotalCount, before.TotalCount);
        EXPECT_EQ(f.state.SumCount, before.SumCount);
        EXPECT_TRUE(f.state.JournalText.isEmpty());
    }
}

TEST_F(Recording, ThousandthWeighingIsTheLastOfTheDayAndANewDayStartsAgain)
{
    ASSERT_TRUE(AppendDayFileLine(t, QStringLiteral("earlier")).ok());
    t.state.DayIndex = 999;
    weigh(1);
    EXPECT_EQ(t.state.DayIndex, 1000);
    EXPECT_EQ(t.state.Records(1000).Net, 1);

    clock.now = clock.now.addDays(1);
    weigh(2);
    EXPECT_EQ(t.state.DayIndex, 1);
}

TEST_F(Recording, DamagedNegativeDayIndexRestartsTheNumbering)
{
    ASSERT_TRUE(AppendDayFileLine(t, QStringLiteral("earlier")).ok());
    t.state.DayIndex = -5;
    weigh(1);
    EXPECT_EQ(t.state.DayIndex, 1);
}

TEST_F(Recording, FailedAppendLeavesTheWeighingOnScreenAndTellsTheOperatorOnce)
{
    ASSERT_TRUE(QDir().mkpath(DayFileName(t.dataDir, clock.currentDate())));  // a directory in the file's place
    t.state.NetWeight = 8;
    Command4_Click(t);

    EXPECT_EQ(panel.beeps, 1);
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages[0].contains(QStringLiteral("№1"))) << panel.messages[0].toStdString();
    // The cause goes on after the colon as part of the sentence.
    EXPECT_TRUE(panel.messages[0].contains(QStringLiteral("файл журнала: ошибка доступа к файлу")))
        << panel.messages[0].toStdString();
    EXPECT_TRUE(t.display.Text1.contains(QStringLiteral("8кг")));
    EXPECT_EQ(t.display.Text1SelStart, t.state.JournalText.size());
    EXPECT_EQ(storedSettings().DayIndex, 1);
}

TEST_F(Recording, FailedSettingsSaveKeepsTheLineInTheFileAndSaysTheCountersWereNotSaved)
{
    ASSERT_TRUE(QFile::remove(dir.file(SettingsFileName)));
    ASSERT_TRUE(QDir().mkpath(dir.file(SettingsFileName)));  // cannot be replaced by a file
    t.state.NetWeight = 8;
    Command4_Click(t);

    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages[0].contains(QStringLiteral("настроек"))) << panel.messages[0].toStdString();
    EXPECT_EQ(dayFileText(), QStringLiteral(" 1\t06-15-2026  09:05:30     8кг    0кг\r\n"));
    EXPECT_EQ(t.display.Label9, QStringLiteral("0"));
}

TEST_F(Recording, ManualRecordBeepsAndRecordsWithoutAMessageWhenAllIsWell)
{
    t.state.NetWeight = 3;
    Command4_Click(t);
    EXPECT_EQ(panel.beeps, 1);
    EXPECT_TRUE(panel.messages.isEmpty());
    EXPECT_EQ(dayFileText(), QStringLiteral(" 1\t06-15-2026  09:05:30     3кг    0кг\r\n"));
}

}  // namespace
