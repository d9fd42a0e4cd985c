#include "journal/DayFile.h"

#include "core/Cp1251.h"
#include "core/ErrorText.h"
#include "core/OrdinaryFile.h"
#include "core/SettingsFile.h"
#include "core/TextRules.h"
#include "journal/DayFileText.h"
#include "journal/JournalLine.h"
#include "journal/JournalLineParse.h"
#include "journal/PastJournal.h"
#include "support/FakeClock.h"
#include "support/FakeOperatorPanel.h"
#include "support/FakeSerialPort.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif
#ifdef Q_OS_WIN
#include <QSemaphore>
#include <QThread>

#include <algorithm>
#include <thread>
#include <vector>

#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

class DayFileTest : public ::testing::Test {
protected:
    Terminal TerminalAt(const QString& dataDir) { return Terminal{TerminalState{}, Display{}, port, clock, panel, dataDir}; }

    FakeSerialPort port;
    FakeClock clock;  // 15 June 2026, 09:05:30
    FakeOperatorPanel panel;
    TempDataDir dir;
};

}  // namespace

TEST_F(DayFileTest, NameFollowsTheDateWhateverTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian));
    const QString name = DayFileName(QStringLiteral("/data/Orvalta/"), QDate(2026, 6, 15));
    const QString newYear = DayFileName(QStringLiteral("/data/Orvalta/"), QDate(2027, 1, 2));
    QLocale::setDefault(saved);
    EXPECT_EQ(name, QStringLiteral("/data/Orvalta/06-15-2026.txt"));
    EXPECT_EQ(newYear, QStringLiteral("/data/Orvalta/01-02-2027.txt"));
}

TEST_F(DayFileTest, AppendedLinesLoadBack)
{
    Terminal t = TerminalAt(dir.path());
    const QString first = QStringLiteral(" 1\t06-15-2026  09:05:30     12.5кг    0кг");
    const QString second = QStringLiteral("Сумма( 1)=  12.5");
    ASSERT_TRUE(AppendDayFileLine(t, first).ok());
    EXPECT_EQ(t.state.DayFileOpenPath, dir.file(QStringLiteral("06-15-2026.txt")));
    ASSERT_TRUE(AppendDayFileLine(t, second).ok());
    EXPECT_TRUE(t.state.JournalText.isEmpty());  // the append writes the file only

    const QByteArray bytes = dir.read(QStringLiteral("06-15-2026.txt"));
    const QByteArray expected =
        QByteArray(" 1\t06-15-2026  09:05:30     12.5\xEA\xE3    0\xEA\xE3\r\n") +
        QByteArray("\xD1\xF3\xEC\xEC\xE0( 1)=  12.5\r\n");
    EXPECT_EQ(bytes, expected);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_FALSE(bytes.endsWith("\r\n\r\n"));
    EXPECT_TRUE(bytes.contains("\xEA\xE3"));
    EXPECT_EQ(bytes.count("\r\n"), 2);

    // A restart on the same day: the whole file replaces the journal text.
    Terminal later = TerminalAt(dir.path());
    later.state.JournalText = QStringLiteral("old text\r\n");
    const Status loaded = LoadDayFile(later);
    ASSERT_TRUE(loaded.ok()) << loaded.description.toStdString();
    EXPECT_EQ(later.state.JournalText, first + QStringLiteral("\r\n") + second + QStringLiteral("\r\n"));
    EXPECT_EQ(later.state.DayFileOpenPath, dir.file(QStringLiteral("06-15-2026.txt")));
    EXPECT_TRUE(panel.messages.isEmpty());
}

TEST_F(DayFileTest, LoadPassesEveryByteThrough)
{
    QByteArray all;
    for (int b = 0; b <= 0xFF; ++b)
        all.append(static_cast<char>(b));
    dir.write(QStringLiteral("06-15-2026.txt"), all);
    Terminal t = TerminalAt(dir.path());
    ASSERT_TRUE(LoadDayFile(t).ok());
    EXPECT_EQ(t.state.JournalText.size(), 256);
    EXPECT_EQ(ToCp1251(t.state.JournalText), all);
}

TEST_F(DayFileTest, AppendAfterMidnightGoesToTheNewDaysFile)
{
    Terminal t = TerminalAt(dir.path());
    clock.now = QDateTime(QDate(2026, 6, 15), QTime(23, 59, 59));
    ASSERT_TRUE(AppendDayFileLine(t, QStringLiteral("before")).ok());
    clock.now = QDateTime(QDate(2026, 6, 16), QTime(0, 0, 1));
    ASSERT_TRUE(AppendDayFileLine(t, QStringLiteral("after")).ok());
    EXPECT_EQ(t.state.DayFileOpenPath, dir.file(QStringLiteral("06-16-2026.txt")));

    EXPECT_EQ(dir.read(QStringLiteral("06-15-2026.txt")), QByteArray("before\r\n"));
    EXPECT_EQ(dir.read(QStringLiteral("06-16-2026.txt")), QByteArray("after\r\n"));

    // The load takes the current day's file too.
    ASSERT_TRUE(LoadDayFile(t).ok());
    EXPECT_EQ(t.state.JournalText, QStringLiteral("after\r\n"));
    clock.now = QDateTime(QDate(2026, 6, 15), QTime(12, 0));
    ASSERT_TRUE(LoadDayFile(t).ok());
    EXPECT_EQ(t.state.JournalText, QStringLiteral("before\r\n"));
}

TEST_F(DayFileTest, Failures)
{
    {
        // First start of the day: nothing to load.
        Terminal t = TerminalAt(dir.path());
        t.state.JournalText = QStringLiteral("kept");
        const Status status = LoadDayFile(t);
        EXPECT_FALSE(status.ok());
        EXPECT_NE(status.number, 0);
        EXPECT_FALSE(status.description.isEmpty());
        EXPECT_EQ(t.state.JournalText, QStringLiteral("kept"));
        EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("06-15-2026.txt"))));
    }
    {
        // The data directory is missing.
        const QString missing = dir.file(QStringLiteral("missing/"));
        Terminal t = TerminalAt(missing);
        const Status status = AppendDayFileLine(t, QStringLiteral(" 1\tline"));
        EXPECT_FALSE(status.ok());
        EXPECT_NE(status.number, 0);
        EXPECT_TRUE(status.description.endsWith(QStringLiteral(": путь не найден"))) << status.description.toStdString();
        EXPECT_FALSE(QFileInfo::exists(missing));
    }
    {
        // Today's name is taken by a directory; the system's words for it
        // are not the operator's.
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("06-15-2026.txt")));
        Terminal t = TerminalAt(dir.path());
        t.state.JournalText = QStringLiteral("kept");
        const QString why = QStringLiteral("Ошибка доступа к файлу %1: на месте файла находится папка")
                                .arg(QDir::toNativeSeparators(dir.file(QStringLiteral("06-15-2026.txt"))));
        const Status appended = AppendDayFileLine(t, QStringLiteral("line"));
        EXPECT_FALSE(appended.ok());
        EXPECT_EQ(appended.description, why);
        const Status loaded = LoadDayFile(t);
        EXPECT_FALSE(loaded.ok());
        EXPECT_EQ(loaded.description, why);
        EXPECT_EQ(t.state.JournalText, QStringLiteral("kept"));
        // Looked up as an earlier day: unreadable, said in Russian, and not
        // marked in the calendar as a day with a journal.
        const DayJournal past = ReadDayJournal(dir.path(), clock.currentDate());
        EXPECT_EQ(past.kind, DayJournal::Kind::Unreadable);
        EXPECT_TRUE(past.text.isEmpty());
        EXPECT_TRUE(past.problem.startsWith(QStringLiteral("Журнал за 15.06.2026 не прочитан: на месте файла")))
            << past.problem.toStdString();
        EXPECT_FALSE(DaysWithJournal(dir.path()).contains(clock.currentDate()));
    }
#ifndef Q_OS_WIN
    {
        // A named pipe by tomorrow's name would hold the terminal until
        // someone wrote into it; a device is no file either. Neither is
        // opened, at start-up, at recording or in the window.
        clock.now = clock.now.addDays(1);
        const QString pipe = DayFileName(dir.path(), clock.currentDate());
        ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
        const QString why = QStringLiteral("Ошибка доступа к файлу %1: на месте файла находится не обычный файл")
                                .arg(QDir::toNativeSeparators(pipe));
        Terminal t = TerminalAt(dir.path());
        EXPECT_EQ(LoadDayFile(t).description, why);
        EXPECT_EQ(AppendDayFileLine(t, QStringLiteral("line")).description, why);
        const DayJournal past = ReadDayJournal(dir.path(), clock.currentDate());
        EXPECT_EQ(past.kind, DayJournal::Kind::Unreadable);
        EXPECT_TRUE(past.problem.endsWith(QStringLiteral("находится не обычный файл."))) << past.problem.toStdString();
        EXPECT_FALSE(DaysWithJournal(dir.path()).contains(clock.currentDate()));

        // One put there between the look before the open and the open is
        // refused once open.
        const int fd = ::open(QFile::encodeName(pipe).constData(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(NotAnOpenedFile(fd).value_or(OpenFailure{}).cause, FailureCause::NotOrdinaryFile);
        ::close(fd);

        clock.now = clock.now.addDays(1);
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), DayFileName(dir.path(), clock.currentDate())));
        EXPECT_TRUE(AppendDayFileLine(t, QStringLiteral("line")).description.endsWith(QStringLiteral("не обычный файл")));
    }
#endif
    {
        // The data folder cannot be looked into: that is no day without
        // weighings, and the window says why.
        dir.write(QStringLiteral("file"), "x");
        const DayJournal inFile = ReadDayJournal(dir.file(QStringLiteral("file/")), QDate(2026, 6, 12));
        EXPECT_EQ(inFile.kind, DayJournal::Kind::Unreadable);
        EXPECT_EQ(inFile.problem, QStringLiteral("Журнал за 12.06.2026 не прочитан: папка данных %1 не читается: на месте папки находится файл.")
                                      .arg(QDir::toNativeSeparators(dir.file(QStringLiteral("file/")))));
        const DayJournal gone = ReadDayJournal(dir.file(QStringLiteral("gone/")), QDate(2026, 6, 12));
        EXPECT_EQ(gone.kind, DayJournal::Kind::Unreadable);
        EXPECT_TRUE(gone.problem.endsWith(QStringLiteral(" не найдена."))) << gone.problem.toStdString();
    }
    EXPECT_TRUE(panel.messages.isEmpty());
}

#ifdef Q_OS_LINUX
// A full disk: the append fails and says so, rather than leave the operator
// believing the line is in the file, and leaves no part of the line behind.
// /dev/full is a device, which the day file may not be, so the disk is a
// filled folder of a few kilobytes in memory; mounting it needs root, as in
// the build's container.
TEST_F(DayFileTest, FullDiskIsAFailure)
{
    const QString small = dir.file(QStringLiteral("small"));
    ASSERT_TRUE(QDir().mkdir(small));
    if (::mount("tmpfs", QFile::encodeName(small).constData(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "a small file system cannot be mounted here";
    Terminal t = TerminalAt(small + u'/');
    const QString day = DayFileName(small + u'/', clock.currentDate());
    // The day's lines so far end 96 bytes short of a page, and the rest of
    // the disk is full: the next line is written only in part, and the
    // system says why only when asked for the rest.
    const QByteArray earlier = QByteArray(3998, 'x') + "\r\n";
    {
        QFile file(day);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(earlier) == earlier.size());
        QFile filler(small + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        for (int i = 0; i < 64 && filler.write(block) == block.size(); ++i) {
        }
    }
    const Status appended = AppendDayFileLine(t, QString(200, u'y'));
    QFile left(day);
    const QByteArray leftBytes = left.open(QIODevice::ReadOnly) ? left.readAll() : QByteArray();
    ::umount2(QFile::encodeName(small).constData(), MNT_DETACH);
    EXPECT_FALSE(appended.ok());
    EXPECT_TRUE(appended.description.endsWith(QStringLiteral(": на диске нет места"))) << appended.description.toStdString();
    EXPECT_EQ(leftBytes, earlier);
}
#endif

#ifdef Q_OS_WIN
namespace {

// Another program holding files without sharing them (share mode 0, as a
// backup or an antivirus does), from a thread of its own: from the moment
// held() returns until it lets go, every other open of them fails.
class FileHolder {
public:
    // Lets go after holdMs, or when told to with holdMs negative.
    FileHolder(const QStringList& paths, int holdMs)
    {
        thread_ = std::thread([this, paths, holdMs] {
            std::vector<HANDLE> handles;
            for (const QString& path : paths)
                handles.push_back(CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ, 0, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            allHeld_ = std::find(handles.begin(), handles.end(), INVALID_HANDLE_VALUE) == handles.end();
            held_.release();
            if (holdMs >= 0)
                QThread::msleep(holdMs);
            else
                letGo_.acquire();
            for (HANDLE handle : handles)
                CloseHandle(handle);
        });
    }
    ~FileHolder()
    {
        letGo_.release();
        thread_.join();
    }
    bool held()
    {
        return held_.tryAcquire(1, 30000) && allHeld_;
    }

private:
    QSemaphore held_;
    QSemaphore letGo_;
    bool allHeld_ = false;
    std::thread thread_;
};

}  // namespace

// A hold of a moment is waited out; a longer one is a failure that names
// its cause and leaves the files as they were.
TEST_F(DayFileTest, FileHeldByAnotherProgramIsWaitedForThenNamed)
{
    Terminal t = TerminalAt(dir.path());
    SetDefaults(t.state);
    const QString day = DayFileName(dir.path(), clock.currentDate());
    ASSERT_TRUE(AppendDayFileLine(t, QStringLiteral("first")).ok());
    ASSERT_TRUE(SaveSettings(t).ok());
    {
        FileHolder holder({day}, 200);
        ASSERT_TRUE(holder.held());
        const Status appended = AppendDayFileLine(t, QStringLiteral("second"));
        EXPECT_TRUE(appended.ok()) << appended.description.toStdString();
    }
    t.state.DayIndex = 2;
    {
        FileHolder holder({SettingsPath(t)}, 200);
        ASSERT_TRUE(holder.held());
        const Status saved = SaveSettings(t);
        EXPECT_TRUE(saved.ok()) << saved.description.toStdString();
    }
    const QByteArray dayBytes = dir.read(QStringLiteral("06-15-2026.txt"));
    const QByteArray settingsBytes = dir.read(SettingsFileName);
    EXPECT_EQ(dayBytes, QByteArray("first\r\nsecond\r\n"));
    EXPECT_EQ(settingsBytes.at(350), 2);  // DayIndex

    FileHolder holder({day, SettingsPath(t)}, -1);
    ASSERT_TRUE(holder.held());
    const Status appended = AppendDayFileLine(t, QStringLiteral("third"));
    t.state.DayIndex = 3;
    const Status saved = SaveSettings(t);
    EXPECT_TRUE(appended.description.endsWith(QStringLiteral(": файл открыт другой программой")))
        << appended.description.toStdString();
    EXPECT_TRUE(saved.description.endsWith(QStringLiteral(": файл открыт другой программой")))
        << saved.description.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);  // no temporary file left
    EXPECT_EQ(QFileInfo(day).size(), dayBytes.size());
    EXPECT_EQ(QFileInfo(SettingsPath(t)).size(), settingsBytes.size());
}
#endif

// On Windows a failed flush names its cause by GetLastError()'s code; the
// causes an operator can act on read in Russian, as errno's do on Linux.
TEST(DayFileWindowsCauses, FlushFailuresNameTheCause)
{
    EXPECT_EQ(WindowsErrorCause(112), FailureCause::NoSpace);   // ERROR_DISK_FULL
    EXPECT_EQ(WindowsErrorCause(39), FailureCause::NoSpace);    // ERROR_HANDLE_DISK_FULL
    EXPECT_EQ(WindowsErrorCause(5), FailureCause::AccessDenied);
    EXPECT_EQ(WindowsErrorCause(1117), FailureCause::DeviceIo);  // ERROR_IO_DEVICE
    EXPECT_EQ(WindowsErrorCause(23), FailureCause::DeviceIo);    // ERROR_CRC
    EXPECT_EQ(WindowsErrorCause(19), FailureCause::ReadOnly);    // ERROR_WRITE_PROTECT
    EXPECT_EQ(WindowsErrorText(112), CauseText(FailureCause::NoSpace));
    // A file another program keeps open, not a busy device.
    EXPECT_EQ(WindowsErrorText(32), QStringLiteral("файл открыт другой программой"));  // ERROR_SHARING_VIOLATION
    EXPECT_EQ(WindowsErrorCause(33), FailureCause::HeldByProgram);                      // ERROR_LOCK_VIOLATION
    // ERROR_NO_SYSTEM_RESOURCES has no Russian words: the system's own, in
    // brackets, rather than nothing.
    EXPECT_EQ(WindowsErrorCause(1450), std::nullopt);
    EXPECT_TRUE(WindowsErrorText(1450).startsWith(UnnamedCauseText(QString()).chopped(1)))
        << WindowsErrorText(1450).toStdString();
}

// The totals under an earlier day's journal: weighing lines counted and their
// net weights added as decimals; sum lines, hand-edited and foreign lines are
// no weighings.
TEST_F(DayFileTest, DayTotalsCountOnlyWeighingLines)
{
    const auto line = [](int n, double net, double tare) {
        return JournalLine(n, {QStringLiteral("06-12-2026"), QStringLiteral("08:00:00"), net, tare});
    };
    const QString text = line(1, 0.1, 0) + LineEnd + line(2, 0.2, 0) + LineEnd + SumLine(2, 0.3) + LineEnd +
                         line(3, -2.5, 0.6) + LineEnd + QString() + LineEnd + line(4, 12.5, 0) + QStringLiteral("\n") +
                         QStringLiteral("записано вручную") + LineEnd +
                         line(6, 3, 0).replace(QStringLiteral("06-12"), QStringLiteral("13-45")) + LineEnd +
                         line(7, 3, 0).replace(QStringLiteral("кг"), QString()) + LineEnd +
                         line(8, 3, 0) + QStringLiteral(" ") + LineEnd +
                         FromCp1251(QByteArray("\x98\x00\xFF", 3)) + LineEnd +
                         QStringLiteral("Сумма( 2)= 0.3") + QStringLiteral("\r");

    const DayTotals totals = CountDayTotals(text);
    EXPECT_EQ(totals.weighings, 4);
    EXPECT_EQ(totals.sumLines, 1);
    EXPECT_EQ(totals.otherLines, 6);
    EXPECT_EQ(totals.net, 10.3);
    // The numbers themselves: their display text would round a plain sum's
    // binary noise (0.8599999999999999) away.
    EXPECT_EQ(CountDayTotals(line(1, 0.1, 0) + LineEnd + line(2, 0.2, 0)).net, 0.3);
    EXPECT_EQ(CountDayTotals(line(1, 0.29, 0) + LineEnd + line(2, 0.57, 0)).net, 0.86);
    EXPECT_EQ(DayTotalsText(CountDayTotals(text.section(LineEnd, 0, 3)), QLocale(QLocale::Russian)),
              QStringLiteral("Взвешиваний: 3     Суммарный вес нетто: -2,2 кг"));
    EXPECT_EQ(CountDayTotals(QString()).weighings, 0);

    // A day saved in UTF-8 by a hand edit (with its byte order mark), then
    // appended to by the terminal in Windows-1251: each line reads right, at
    // start-up and in the window, and the uncounted line is named.
    dir.write(QStringLiteral("06-15-2026.txt"),
              QByteArray("\xEF\xBB\xBF 1\t06-15-2026  08:00:00     10\xD0\xBA\xD0\xB3    0\xD0\xBA\xD0\xB3\r\n"
                         "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB5\xD1\x80\xD0\xB5\xD0\xBD\xD0\xBE\r\n"
                         " 2\t06-15-2026  08:30:00     2.5\xEA\xE3    0\xEA\xE3\r\n"));
    Terminal t = TerminalAt(dir.path());
    ASSERT_TRUE(LoadDayFile(t).ok());
    EXPECT_EQ(t.state.JournalText, line(1, 10, 0).replace(QStringLiteral("06-12"), QStringLiteral("06-15")) + LineEnd +
                                       QStringLiteral("проверено") + LineEnd +
                                       line(2, 2.5, 0).replace(QStringLiteral("06-12-2026  08:00"), QStringLiteral("06-15-2026  08:30")) +
                                       LineEnd);
    const DayTotals mixed = CountDayTotals(ReadDayJournal(dir.path(), clock.currentDate()).text);
    EXPECT_EQ(mixed.weighings, 2);
    EXPECT_EQ(mixed.otherLineNumbers, QList<int>{2});
    EXPECT_TRUE(DayTotalsText(mixed).endsWith(QStringLiteral("Нераспознанных строк: 1 (строка 2)")));
    EXPECT_EQ(totals.otherLineNumbers, (QList<int>{7, 8, 9, 10, 11, 12}));
    // A UTF-8 last line without its line end, a two-byte letter last.
    EXPECT_EQ(DayFileText(QByteArray("\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB5\xD1\x80\xD0\xB5\xD0\xBD\xD0\xBE")),
              QStringLiteral("проверено"));

    // A weighing line gives back every field.
    const auto fields = ParseWeighingLine(line(12, -2.5, 0.6));
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(fields->number, 12);
    EXPECT_EQ(fields->date, QDate(2026, 6, 12));
    EXPECT_EQ(fields->time, QTime(8, 0));
    EXPECT_EQ(fields->net, -2.5);
    EXPECT_EQ(fields->tare, 0.6);
    // Numbers as the journal's rule writes the very large and the very small.
    const auto extreme = ParseWeighingLine(line(9, 1e15, 5e-17));
    ASSERT_TRUE(extreme.has_value());
    EXPECT_EQ(extreme->net, 1e15);
    EXPECT_EQ(extreme->tare, 5e-17);
}
