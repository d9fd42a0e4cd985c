#include "journal/SealCheck.h"
#include "journal/SealFile.h"
#include "journal/SealKey.h"
#include "journal/SealWrite.h"
#include "journal/RecordWeighing.h"
#include "journal/Summation.h"

#include "support/TerminalFixture.h"

#include <QFile>

// The seal beside each day file: what the check says after the edits someone
// with a text editor would make, and what a crash between the two writes
// leaves.

namespace {

class Seal : public TerminalFixture {
protected:
    void weigh(double net)
    {
        t.state.NetWeight = net;
        const Status recorded = RecordWeighing(t);
        ASSERT_TRUE(recorded.ok()) << recorded.description.toStdString();
    }
    QString dayName(const QDate& day) const { return DayFileName(QString(), day); }
    QString today() const { return dayName(clock.currentDate()); }
    SealCheck check() const { return CheckDaySeal(dir.path(), clock.currentDate()); }
    // The day file's lines, each with its CR LF, to edit as an editor would.
    QList<QByteArray> lines() const { return SplitJournalLines(dir.read(today())); }
    void rewrite(const QList<QByteArray>& lines) const { dir.write(today(), lines.join()); }
};

TEST_F(Seal, EveryWrittenLineIsSealedAndChecksGenuine)
{
    weigh(12.5);
    Command3_Click(t);  // summation on: nothing written
    weigh(2);
    Command3_Click(t);  // off: the sum line
    ASSERT_EQ(lines().size(), 3);
    const SealFileContent seal = ParseSealFile(dir.read(SealFileName(QString(), clock.currentDate())));
    ASSERT_EQ(seal.lines.size(), 4);  // the link to the day before, then one per line
    EXPECT_EQ(seal.firstBadLine, -1);
    EXPECT_FALSE(seal.lines[3].late);
    EXPECT_EQ(dir.read(QStringLiteral("Seal.key")).size(), SealKeySize);
#ifndef Q_OS_WIN
    EXPECT_EQ(QFile::permissions(dir.file(QStringLiteral("Seal.key"))) & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser), 0);
#endif

    const SealCheck genuine = check();
    EXPECT_EQ(genuine.verdict, SealCheck::Verdict::Genuine);
    EXPECT_EQ(genuine.text, QStringLiteral("Журнал подлинный: 3 строки совпадают с записанными"));
    EXPECT_TRUE(panel.messages.isEmpty());
}

TEST_F(Seal, AChangedDigitNamesItsLine)
{
    for (int k = 1; k <= 4; ++k)
        weigh(10 * k);
    QList<QByteArray> edited = lines();
    edited[1].replace("20", "29");  // "20кг" becomes "29кг"
    rewrite(edited);

    const SealCheck changed = check();
    EXPECT_EQ(changed.verdict, SealCheck::Verdict::Changed);
    EXPECT_EQ(changed.text, QStringLiteral("Журнал изменён после записи: строка 2"));
    EXPECT_EQ(changed.faultyLines, QList<int>{2});
    EXPECT_EQ(changed.matching, 3);

    edited[3].replace("40", "41");
    rewrite(edited);
    EXPECT_EQ(check().text, QStringLiteral("Журнал изменён после записи: строка 2, и ещё 1 строка"));
}

TEST_F(Seal, ARemovedLineIsNamedAsRemoved)
{
    for (int k = 1; k <= 4; ++k)
        weigh(k);
    QList<QByteArray> edited = lines();
    edited.removeAt(1);
    rewrite(edited);

    const SealCheck removed = check();
    EXPECT_EQ(removed.verdict, SealCheck::Verdict::Changed);
    EXPECT_EQ(removed.text, QStringLiteral("Журнал изменён после записи: удалены строки с 2"));
    EXPECT_EQ(removed.matching, 3);

    edited.removeLast();  // and the last one too
    rewrite(edited);
    EXPECT_EQ(check().text, QStringLiteral("Журнал изменён после записи: удалены строки с 2, и ещё 1 строка"));
}

TEST_F(Seal, AnInsertedLineIsNamedAsAddedAndMarked)
{
    for (int k = 1; k <= 3; ++k)
        weigh(k);
    QList<QByteArray> edited = lines();
    edited.insert(2, QByteArray(" 2\t06-15-2026  09:06:00     7кг    0кг\r\n"));
    rewrite(edited);

    const SealCheck added = check();
    EXPECT_EQ(added.verdict, SealCheck::Verdict::Changed);
    EXPECT_EQ(added.text, QStringLiteral("Журнал изменён после записи: добавлены строки после 2"));
    EXPECT_EQ(added.faultyLines, QList<int>{3});
    EXPECT_EQ(added.matching, 3);
}

TEST_F(Seal, ADeletedDayBetweenTwoKeptOnesBreaksTheChainAtTheNext)
{
    // A day written before the terminal sealed anything.
    dir.write(dayName(QDate(2026, 6, 10)), QByteArray(" 1\t06-10-2026  09:00:00     1кг    0кг\r\n"));
    const QList<QDate> days{QDate(2026, 6, 15), QDate(2026, 6, 16), QDate(2026, 6, 18)};
    for (const QDate& day : days) {
        clock.now = QDateTime(day, QTime(10, 0));
        weigh(5);
        weigh(6);
    }
    for (const QDate& day : days)
        EXPECT_EQ(CheckDaySeal(dir.path(), day).verdict, SealCheck::Verdict::Genuine) << day.toString().toStdString();
    EXPECT_EQ(CheckDaySeal(dir.path(), QDate(2026, 6, 10)).text,
              QStringLiteral("Журнал без печати (записан до её появления)"));

    ASSERT_TRUE(QFile::remove(dir.file(dayName(days[1]))));
    ASSERT_TRUE(QFile::remove(dir.file(SealFileName(QString(), days[1]))));
    EXPECT_EQ(CheckDaySeal(dir.path(), days[0]).verdict, SealCheck::Verdict::Genuine);
    const SealCheck broken = CheckDaySeal(dir.path(), days[2]);
    EXPECT_EQ(broken.verdict, SealCheck::Verdict::ChainBroken);
    EXPECT_EQ(broken.text, QStringLiteral("Цепочка прервана: журнал за 06-16-2026 удалён или заменён"));
    EXPECT_TRUE(broken.faultyLines.isEmpty());  // its own lines are as written

    // A kept day copied under another date: the copy names itself.
    QFile::copy(dir.file(dayName(days[0])), dir.file(dayName(QDate(2026, 6, 17))));
    QFile::copy(dir.file(SealFileName(QString(), days[0])), dir.file(SealFileName(QString(), QDate(2026, 6, 17))));
    EXPECT_EQ(CheckDaySeal(dir.path(), QDate(2026, 6, 17)).text,
              QStringLiteral("Цепочка прервана: журнал за 06-17-2026 удалён или заменён"));
}

TEST_F(Seal, ALineWrittenButNotSealedBeforeACrashIsSealedAtStartUpAndMarked)
{
    weigh(1);
    weigh(2);
    // The crash came between the two writes: the line is in the file only.
    ASSERT_TRUE(AppendDayFileLine(t, QStringLiteral(" 3\t06-15-2026  09:05:30     3кг    0кг")).ok());
    EXPECT_EQ(check().text, QStringLiteral("Журнал изменён после записи: добавлены строки после 2"));

    EXPECT_TRUE(SealAtStartUp(dir.path(), clock.currentDate()).isEmpty());
    const SealCheck late = check();
    EXPECT_EQ(late.verdict, SealCheck::Verdict::SealedLate);
    EXPECT_EQ(late.lateLines, QList<int>{3});
    EXPECT_EQ(late.text, QStringLiteral("Журнал подлинный: 3 строки совпадают с записанными. "
                                        "Строка 3 запечатана при запуске после сбоя"));
    EXPECT_TRUE(dir.read(SealFileName(QString(), clock.currentDate())).endsWith(" S\r\n"));

    // The next weighing goes on from there, sealed as it is written.
    weigh(4);
    EXPECT_EQ(check().lateLines, QList<int>{3});
    EXPECT_EQ(check().matching, 4);
}

TEST_F(Seal, ADamagedKeyIsKeptAndItsFailureToldOnceWhileWeighingsGoOn)
{
    weigh(1);
    const QByteArray key = dir.read(QStringLiteral("Seal.key"));
    dir.write(QStringLiteral("Seal.key"), QByteArray("only eleven"));
    // A new start of the terminal: the damaged key is found and told.
    const QString told = SealAtStartUp(dir.path(), clock.currentDate());
    EXPECT_TRUE(told.contains(QStringLiteral("поврежден"))) << told.toStdString();
    weigh(2);  // recorded, and not told a second time
    EXPECT_EQ(lines().size(), 2);
    EXPECT_EQ(dir.read(QStringLiteral("Seal.key")), QByteArray("only eleven"));
    const SealCheck notChecked = check();
    EXPECT_EQ(notChecked.verdict, SealCheck::Verdict::NotChecked);
    EXPECT_TRUE(notChecked.text.startsWith(QStringLiteral("Печать не проверена: ключ печати ")))
        << notChecked.text.toStdString();

    // The key put back: the next weighing seals the line missed meanwhile too.
    dir.write(QStringLiteral("Seal.key"), key);
    weigh(3);
    const SealCheck repaired = check();
    EXPECT_EQ(repaired.verdict, SealCheck::Verdict::SealedLate);
    EXPECT_EQ(repaired.lateLines, QList<int>{2});
    EXPECT_EQ(repaired.matching, 3);
}

}  // namespace
