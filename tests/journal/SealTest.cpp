#include "journal/SealCheck.h"
#include "journal/SealFile.h"
#include "journal/SealKey.h"
#include "journal/SealWrite.h"
#include "journal/RecordWeighing.h"
#include "journal/Summation.h"

#include "support/TerminalFixture.h"

#include <QDir>
#include <QFile>

// The seal beside each day file: what the check says after the edits someone
// with a text editor would make, what a crash between the two writes leaves,
// and what the terminal does with bytes it did not write.

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
    QString sealName(const QDate& day) const { return SealFileName(QString(), day); }
    QString today() const { return dayName(clock.currentDate()); }
    SealCheck check() const { return CheckDaySeal(dir.path(), clock.currentDate()); }
    // A file's lines, each with its CR LF, to edit as an editor would.
    static QList<QByteArray> Split(const QByteArray& bytes)
    {
        QList<QByteArray> lines = bytes.split('\n');
        lines.removeLast();
        for (QByteArray& line : lines)
            line += '\n';
        return lines;
    }
    QList<QByteArray> lines() const { return Split(dir.read(today())); }
    void rewrite(const QList<QByteArray>& lines) const { dir.write(today(), lines.join()); }
    QList<QByteArray> seals(const QDate& day) const { return Split(dir.read(sealName(day))); }
    QList<QByteArray> seals() const { return seals(clock.currentDate()); }
    void rewriteSeals(const QList<QByteArray>& lines) const { dir.write(sealName(clock.currentDate()), lines.join()); }
};

TEST_F(Seal, EveryWrittenLineIsSealedAndChecksGenuine)
{
    weigh(12.5);
    Command3_Click(t);  // summation on: nothing written
    weigh(2);
    Command3_Click(t);  // off: the sum line
    ASSERT_EQ(lines().size(), 3);
    const QList<QByteArray> records = seals();
    ASSERT_EQ(records.size(), 4);  // the link to the chain, then one per line
    EXPECT_TRUE(records[0].startsWith("L 0 0 ")) << records[0].toStdString();
    EXPECT_TRUE(records[0].endsWith(" - 0\r\n")) << records[0].toStdString();  // the first day of the chain
    for (const QByteArray& record : records)
        EXPECT_NE(ParseSealRecord(QByteArrayView(record).chopped(2)).kind, 0) << record.toStdString();
    EXPECT_TRUE(records[3].startsWith("W ")) << records[3].toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("Seal.key")).size(), SealKeySize);
#ifndef Q_OS_WIN
    EXPECT_EQ(QFile::permissions(dir.file(QStringLiteral("Seal.key"))) & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser), 0);
#endif

    const SealCheck genuine = check();
    EXPECT_EQ(genuine.verdict, SealCheck::Verdict::Genuine);
    EXPECT_EQ(genuine.text, QStringLiteral("Журнал подлинный: 3 строки совпадают с записанными"));
    EXPECT_TRUE(panel.messages.isEmpty());
    // Each line's code, for those who keep them elsewhere.
    const QStringList codes = SealCodesOfLines(dir.path(), clock.currentDate());
    ASSERT_EQ(codes.size(), 3);
    EXPECT_EQ(codes[2].toLatin1(), records[3].split(' ')[3].trimmed());
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

TEST_F(Seal, ARemovedLineIsNamedAsRemovedAlsoWithItsSeal)
{
    for (int k = 1; k <= 4; ++k)
        weigh(k);
    // The next day begun: this one is no longer the chain's newest.
    const QDateTime now = clock.now;
    clock.now = now.addDays(1);
    weigh(5);
    clock.now = now;
    const QList<QByteArray> written = lines();
    QList<QByteArray> edited = written;
    edited.removeAt(1);
    rewrite(edited);

    const SealCheck removed = check();
    EXPECT_EQ(removed.verdict, SealCheck::Verdict::Changed);
    EXPECT_EQ(removed.text, QStringLiteral("Журнал изменён после записи: удалены строки с 2"));
    EXPECT_EQ(removed.matching, 3);

    edited.removeLast();  // and the last one too
    rewrite(edited);
    EXPECT_EQ(check().text, QStringLiteral("Журнал изменён после записи: удалены строки с 2, и ещё 1 строка"));

    // A weighing deleted together with its seal line: each code binds the
    // one above it, so the line after no longer fits.
    edited = written;
    edited.removeAt(1);
    rewrite(edited);
    QList<QByteArray> sealLines = seals();
    sealLines.removeAt(2);
    rewriteSeals(sealLines);
    EXPECT_EQ(check().verdict, SealCheck::Verdict::Changed) << check().text.toStdString();
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
    clock.now = QDateTime(QDate(2026, 6, 15), QTime(8, 0));
    SealAtStartUp(dir.path(), clock.currentDate());
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
    ASSERT_TRUE(QFile::remove(dir.file(sealName(days[1]))));
    EXPECT_EQ(CheckDaySeal(dir.path(), days[0]).verdict, SealCheck::Verdict::Genuine);
    const SealCheck broken = CheckDaySeal(dir.path(), days[2]);
    EXPECT_EQ(broken.verdict, SealCheck::Verdict::ChainBroken);
    EXPECT_EQ(broken.text, QStringLiteral("Цепочка прервана: журнал за 06-16-2026 удалён или заменён"));
    EXPECT_TRUE(broken.faultyLines.isEmpty());  // its own lines are as written

    // A kept day copied under another date: the copy names itself.
    QFile::copy(dir.file(dayName(days[0])), dir.file(dayName(QDate(2026, 6, 17))));
    QFile::copy(dir.file(sealName(days[0])), dir.file(sealName(QDate(2026, 6, 17))));
    EXPECT_EQ(CheckDaySeal(dir.path(), QDate(2026, 6, 17)).text,
              QStringLiteral("Цепочка прервана: журнал за 06-17-2026 удалён или заменён"));
}

TEST_F(Seal, ALineWrittenButNotSealedBeforeACrashIsSealedAtStartUpAndMarked)
{
    weigh(1);
    weigh(2);
    // The crash came between the two writes: the line is in the file only.
    ASSERT_TRUE(AppendDayFileLine(t, QStringLiteral(" 3\t06-15-2026  09:05:30     3кг    0кг")).ok());
    EXPECT_EQ(check().text, QStringLiteral("Журнал подлинный: 2 строки совпадают с записанными. "
                                           "Строка 3 ещё не запечатана: сбой до её печати"));

    EXPECT_TRUE(SealAtStartUp(dir.path(), clock.currentDate()).isEmpty());
    const SealCheck late = check();
    EXPECT_EQ(late.verdict, SealCheck::Verdict::SealedLate);
    EXPECT_EQ(late.lateLines, QList<int>{3});
    EXPECT_EQ(late.text, QStringLiteral("Журнал подлинный: 3 строки совпадают с записанными. "
                                        "Строка 3 запечатана при запуске после сбоя"));
    // The mark is inside the code: taken off, the line no longer fits.
    QList<QByteArray> records = seals();
    ASSERT_TRUE(records.last().startsWith("S ")) << records.last().toStdString();
    records.last()[0] = 'W';
    rewriteSeals(records);
    EXPECT_EQ(check().verdict, SealCheck::Verdict::Changed) << check().text.toStdString();
    records.last()[0] = 'S';
    rewriteSeals(records);

    // The next weighing goes on from there, sealed as it is written.
    weigh(4);
    EXPECT_EQ(check().lateLines, QList<int>{3});
    EXPECT_EQ(check().matching, 4);

    // A line cut short by a crash is no line the terminal wrote whole: it is
    // closed with a line end and named, never sealed.
    QFile file(dir.file(today()));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(" 5\t06-15-2026  09:0");
    file.close();
    EXPECT_TRUE(SealAtStartUp(dir.path(), clock.currentDate()).isEmpty());
    const SealCheck torn = check();
    EXPECT_EQ(torn.verdict, SealCheck::Verdict::SealedLate);
    EXPECT_EQ(torn.lateLines, QList<int>{3});
    EXPECT_EQ(torn.faultyLines, QList<int>{5});
    EXPECT_TRUE(torn.text.contains(QStringLiteral("Строка 5 оборвана при сбое и не запечатана"))) << torn.text.toStdString();
    weigh(5);
    EXPECT_TRUE(dayFileText().endsWith(QStringLiteral("09:0\r\n 4\t06-15-2026  09:05:30     5кг    0кг\r\n")));
    EXPECT_EQ(check().matching, 5);
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

    // The key put back: the next weighing seals the line missed meanwhile
    // too, marked as sealed after a failed seal, not after a crash.
    dir.write(QStringLiteral("Seal.key"), key);
    weigh(3);
    const SealCheck repaired = check();
    EXPECT_EQ(repaired.verdict, SealCheck::Verdict::SealedLate);
    EXPECT_EQ(repaired.lateLines, QList<int>{2});
    EXPECT_EQ(repaired.matching, 3);
    EXPECT_EQ(repaired.text, QStringLiteral("Журнал подлинный: 3 строки совпадают с записанными. Строка 2 "
                                            "запечатана позже записи: печать не удалась при записи"));
}

// Bytes the terminal did not write are never sealed, however they come: an
// LF-ended line before a weighing, an edited line whose seal was cut away.
TEST_F(Seal, TheTerminalSealsOnlyWhatItWrote)
{
    for (int k = 1; k <= 4; ++k)
        weigh(k);
    QFile file(dir.file(today()));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(" 5\t06-15-2026  10:00:09     900\xEA\xE3    0\xEA\xE3\n");
    file.close();
    weigh(5);
    const SealCheck glued = check();
    EXPECT_EQ(glued.verdict, SealCheck::Verdict::Changed);
    EXPECT_EQ(glued.text, QStringLiteral("Журнал изменён после записи: строка 5 записана не терминалом и не "
                                         "запечатана"));
    EXPECT_EQ(glued.faultyLines, QList<int>{5});
    EXPECT_EQ(glued.matching, 5);
    EXPECT_TRUE(SealCodesOfLines(dir.path(), clock.currentDate()).at(4).isNull());

    // Line 2 changed and its seal cut away with all after it; the weighing
    // that comes next seals only itself, whatever "S" marks are taken off.
    QList<QByteArray> edited = lines();
    edited[1].replace("2\xEA\xE3", "8\xEA\xE3");
    rewrite(edited);
    rewriteSeals(seals().mid(0, 2));
    t.state.NetWeight = 6;
    const Status told = RecordWeighing(t);
    EXPECT_TRUE(told.description.contains(QStringLiteral("не совпадает с печатью"))) << told.description.toStdString();
    // Nothing was sealed late for the lines found without their seals, so
    // taking "S" marks off changes nothing.
    for (const QByteArray& record : seals())
        EXPECT_FALSE(record.startsWith("S ")) << record.toStdString();
    const SealCheck cut = check();
    EXPECT_EQ(cut.verdict, SealCheck::Verdict::Changed) << cut.text.toStdString();
    EXPECT_EQ(cut.text, QStringLiteral("Журнал изменён после записи: печать строк 2–6 удалена"));
    EXPECT_EQ(cut.matching, 2);
    // The report's witness names the line the last seal went to, past the
    // lines left unsealed.
    EXPECT_TRUE(SealHeadLine(dir.path()).endsWith(QStringLiteral("(строка 7 за 06-15-2026)")))
        << SealHeadLine(dir.path()).toStdString();
}

TEST_F(Seal, DeletedSealsReadAsDeletedNotAsOlderThanTheSeal)
{
    dir.write(dayName(QDate(2026, 6, 10)), QByteArray(" 1\t06-10-2026  09:00:00     1кг    0кг\r\n"));
    // The key made after that journal, before the first start, as the
    // installer makes it: sealing begins at that start, and that is told.
    const auto madeAt = [&](const QString& name, const QDateTime& when) {
        QFile file(dir.file(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.setFileTime(when, QFileDevice::FileModificationTime));
    };
    dir.write(QStringLiteral("Seal.key"), QByteArray(SealKeySize, 'k'));
    madeAt(dayName(QDate(2026, 6, 10)), QDateTime::currentDateTime().addDays(-2));
    madeAt(QStringLiteral("Seal.key"), QDateTime::currentDateTime().addDays(-1));
    EXPECT_EQ(SealAtStartUp(dir.path(), clock.currentDate()),
              QStringLiteral("Печать журналов начата 06-15-2026: журналы прежних дней (1) записаны без печати."));
    weigh(1);
    clock.now = clock.now.addDays(1);
    weigh(2);
    for (const QDate& day : SealedDays(dir.path()))
        ASSERT_TRUE(QFile::remove(dir.file(sealName(day))));
    EXPECT_EQ(CheckDaySeal(dir.path(), QDate(2026, 6, 15)).text, QStringLiteral("Журнал без печати: печать удалена"));
    EXPECT_EQ(check().verdict, SealCheck::Verdict::SealMissing);
    EXPECT_EQ(CheckDaySeal(dir.path(), QDate(2026, 6, 10)).verdict, SealCheck::Verdict::NoSeal);
    // The head deleted too: journals written since the key was made tell
    // that this is no first start.
    ASSERT_TRUE(QFile::remove(dir.file(QStringLiteral("Seal.head"))));
    EXPECT_TRUE(SealAtStartUp(dir.path(), clock.currentDate()).contains(QStringLiteral("составлена заново")));
    // Nor is a key made anew beside a history that was sealed.
    ASSERT_TRUE(QFile::remove(dir.file(QStringLiteral("Seal.key"))));
    EXPECT_TRUE(SealAtStartUp(dir.path(), clock.currentDate()).contains(QStringLiteral("новый ключ не создан")));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("Seal.key"))));
}

// Days link in the order they were written: a day continued after a later
// one began is said so, and deleting the day between is named.
TEST_F(Seal, TheChainFollowsTheOrderOfWriting)
{
    const QDate d(2026, 6, 15);
    clock.now = QDateTime(d.addDays(2), QTime(9, 0));
    weigh(1);
    clock.now = QDateTime(d.addDays(1), QTime(9, 1));
    t.state.NetWeight = 2;
    const Status behind = RecordWeighing(t);
    EXPECT_TRUE(behind.description.contains(QStringLiteral("проверьте часы"))) << behind.description.toStdString();
    clock.now = QDateTime(d.addDays(2), QTime(9, 2));
    weigh(3);
    EXPECT_EQ(CheckDaySeal(dir.path(), d.addDays(1)).verdict, SealCheck::Verdict::Genuine);
    EXPECT_EQ(CheckDaySeal(dir.path(), d.addDays(2)).text,
              QStringLiteral("Журнал подлинный: 2 строки совпадают с записанными. Журнал дописан после начала "
                             "журнала за 06-16-2026"));

    ASSERT_TRUE(QFile::remove(dir.file(dayName(d.addDays(1)))));
    ASSERT_TRUE(QFile::remove(dir.file(sealName(d.addDays(1)))));
    EXPECT_EQ(CheckDaySeal(dir.path(), d.addDays(2)).text,
              QStringLiteral("Цепочка прервана: журнал за 06-16-2026 удалён или заменён"));
}

// The newest lines cut together with their seal lines: the head of the
// chain remembers how far the day was sealed.
TEST_F(Seal, TheNewestLinesCutWithTheirSealsAreNamed)
{
    for (int k = 1; k <= 4; ++k)
        weigh(k);
    rewrite(lines().mid(0, 2));
    rewriteSeals(seals().mid(0, 3));
    const SealCheck cut = check();
    EXPECT_EQ(cut.verdict, SealCheck::Verdict::Changed);
    EXPECT_EQ(cut.text, QStringLiteral("Журнал изменён после записи: последние строки удалены вместе с печатью "
                                       "(было запечатано 4 строки, осталось 2)"));
}

}  // namespace

// An earlier day's seal that cannot be read when a new day begins: the new
// day's link waits, and is made once the seal reads again, never from the
// chain's start as if there were no earlier day.
TEST_F(Seal, ALinkThatCouldNotBeReadWaitsAndIsMadeGoodLater)
{
    const QDate d(2026, 6, 15);
    clock.now = QDateTime(d, QTime(9, 0));
    weigh(1);
    const QByteArray seal = dir.read(sealName(d));
    ASSERT_TRUE(QFile::remove(dir.file(sealName(d))));
    ASSERT_TRUE(QDir().mkdir(dir.file(sealName(d))));  // a folder by its name: no file to read
    clock.now = QDateTime(d.addDays(1), QTime(9, 0));
    t.state.NetWeight = 2;
    const Status waiting = RecordWeighing(t);
    EXPECT_TRUE(waiting.description.startsWith(QStringLiteral("Взвешивание №1 записано, но не запечатано")))
        << waiting.description.toStdString();
    EXPECT_EQ(CheckDaySeal(dir.path(), d.addDays(1)).text,
              QStringLiteral("Строка 1 ещё не запечатана: печать не удалась при записи"));

    ASSERT_TRUE(QDir().rmdir(dir.file(sealName(d))));
    dir.write(sealName(d), seal);
    weigh(3);
    EXPECT_EQ(CheckDaySeal(dir.path(), d.addDays(1)).text,
              QStringLiteral("Журнал подлинный: 2 строки совпадают с записанными. Строка 1 запечатана позже "
                             "записи: печать не удалась при записи"));
    EXPECT_EQ(CheckDaySeal(dir.path(), d).verdict, SealCheck::Verdict::Genuine);
}
