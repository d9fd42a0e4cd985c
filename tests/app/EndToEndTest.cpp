#include "core/Cp1251.h"
#include "core/SettingsFile.h"
#include "journal/SealCheck.h"
#include "journal/SealFile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

// The terminal as the operator runs it, weighing loads that the simulator
// plays on a pseudo-terminal, checked by what it leaves in its files.
//
// scripts/windows.sh runs the same test against the Windows program under
// Wine: VELTAR_E2E_WINE_EXE names the .exe, COM1 is mapped to the
// simulator's pseudo-terminal, and the files are looked for in the fixed
// data directory inside the Wine prefix.

namespace {

const QString WineExe = qEnvironmentVariable("VELTAR_E2E_WINE_EXE");
const QString WineRun = QStringLiteral(VELTAR_SOURCE_DIR "/scripts/wine-run.sh");

bool RunWine(const QStringList& arguments)
{
    QProcess wine;
    wine.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    wine.setStandardOutputFile(QProcess::nullDevice());
    wine.start(WineRun, arguments);
    return wine.waitForFinished(60000) && wine.exitStatus() == QProcess::NormalExit && wine.exitCode() == 0;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home_.isValid());
        if (WineExe.isEmpty()) {
            data_ = home_.path() + QStringLiteral("/share/Orvalta/");
            ASSERT_TRUE(QDir().mkpath(data_));
            return;
        }
        const QString prefix = qEnvironmentVariable("WINEPREFIX");
        ASSERT_FALSE(prefix.isEmpty());
        // The program makes its directory itself, one level under Program Files.
        data_ = prefix + QStringLiteral("/drive_c/Program Files/Orvalta/");
        QDir(data_).removeRecursively();
    }

    void TearDown() override
    {
        for (QProcess* p : {&terminal_, &sim_}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }

    void startSimulator(const char* kind, const QByteArray& script)
    {
        const QString scriptPath = home_.path() + QStringLiteral("/script.txt");
        QFile file(scriptPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(script);
        file.close();
        const QString link = (WineExe.isEmpty() ? data_ : home_.path() + u'/') + QStringLiteral("com1");
        sim_.setProgram(QStringLiteral(VELTAR_SCALE_SIM_PATH));
        sim_.setArguments({QStringLiteral("--link"), link, QStringLiteral("--kind"),
                           QString::fromLatin1(kind), QStringLiteral("--script"), scriptPath});
        sim_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim_.start();
        ASSERT_TRUE(sim_.waitForStarted(3000));
        const QDeadlineTimer deadline(3000);
        while (!QFileInfo(link).isSymLink() && !deadline.hasExpired())
            QThread::msleep(10);
        ASSERT_TRUE(QFileInfo(link).isSymLink());
        if (!WineExe.isEmpty()) {
            // Wine reads its port mapping when its server starts.
            ASSERT_TRUE(RunWine({QStringLiteral("reg"), QStringLiteral("add"), QStringLiteral("HKLM\\Software\\Wine\\Ports"),
                                 QStringLiteral("/v"), QStringLiteral("COM1"), QStringLiteral("/t"),
                                 QStringLiteral("REG_SZ"), QStringLiteral("/d"), QFileInfo(link).symLinkTarget(),
                                 QStringLiteral("/f")}));
            ASSERT_TRUE(RunWine({QStringLiteral("wineserver"), QStringLiteral("-k")}));
        }
    }

    void startTerminal()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.path() + QStringLiteral("/share"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (WineExe.isEmpty()) {
            terminal_.setProgram(QStringLiteral(VELTAR_TERMINAL_PATH));
        } else {
            // A real window, so that the end below can be asked for by
            // WM_CLOSE, as the task manager asks.
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("windows"));
            terminal_.setProgram(WineRun);
            terminal_.setArguments({WineExe});
        }
        terminal_.setProcessEnvironment(env);
        terminal_.start();
        ASSERT_TRUE(terminal_.waitForStarted(3000));
    }

    void stopTerminal()
    {
        if (WineExe.isEmpty())
            terminal_.terminate();
        else
            EXPECT_TRUE(RunWine({QStringLiteral("taskkill"), QStringLiteral("/IM"), QStringLiteral("veltar-terminal.exe")}));
        if (!terminal_.waitForFinished(WineExe.isEmpty() ? 3000 : 15000)) {
            terminal_.kill();
            terminal_.waitForFinished(3000);
        }
    }

    // Today's day file, as the only one the terminal writes in the test.
    QByteArray dayFile() const
    {
        const QStringList files = QDir(data_).entryList({QStringLiteral("*.txt")}, QDir::Files);
        if (files.isEmpty())
            return {};
        QFile file(data_ + files.last());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool waitForLines(int lines, int ms)
    {
        const QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (dayFile().count("\r\n") >= lines)
                return true;
            if (terminal_.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(50);
        }
        return false;
    }

    TerminalState settings() const
    {
        QFile file(data_ + SettingsFileName);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        TerminalState s;
        EXPECT_TRUE(DecodeSettings(file.readAll(), s).ok());
        return s;
    }

    QTemporaryDir home_;
    QString data_;
    QProcess sim_;
    QProcess terminal_;
};

// A journal line with the date and time of the moment, matched in full.
QRegularExpression Line(int number, const char* net)
{
    return QRegularExpression(QStringLiteral("^ %1\\t\\d\\d-\\d\\d-\\d{4}  \\d\\d:\\d\\d:\\d\\d     %2кг    0кг$")
                                  .arg(number)
                                  .arg(QString::fromLatin1(net)));
}

TEST_F(EndToEnd, TwoLoadsOnTheOwnScaleAndOneOnTheAedReachTheDayFileAndTheCounters)
{
    // Own scale: empty, a load that wobbles and settles, empty, a second load.
    startSimulator("veltar", "1 0\n1 10 0.3\n2 10\n1.5 0\n1 7.5 0.2\n2 7.5\n30 0\n");
    startTerminal();
    ASSERT_TRUE(waitForLines(2, 20000)) << dayFile().toStdString();
    QThread::msleep(1000);  // nothing more is recorded while the platform is empty
    stopTerminal();
    sim_.kill();
    sim_.waitForFinished(3000);

    QStringList lines = FromCp1251(dayFile()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3) << dayFile().toStdString();  // two lines and the empty rest after the last CR LF
    EXPECT_TRUE(lines[0].contains(Line(1, "10"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(Line(2, "7.5"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].isEmpty());
    EXPECT_TRUE(dayFile().contains("10\xEA\xE3"));  // "кг" in Windows-1251
    TerminalState s = settings();
    EXPECT_EQ(s.DayIndex, 2);
    EXPECT_EQ(s.TotalCount, 2);

    // The AED: the operator's choice of kind, as the scale dialog saves it.
    s.ScaleKind = ScaleKindAed;
    QFile file(data_ + SettingsFileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(EncodeSettings(s, {}).value);
    file.close();

    startSimulator("aed", "1 0\n3 9.99990732\n30 0\n");
    startTerminal();
    ASSERT_TRUE(waitForLines(3, 20000)) << dayFile().toStdString();
    // Stopped at once after the line appears: a termination request lets the
    // recording finish, counters included.
    stopTerminal();
    EXPECT_EQ(terminal_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(terminal_.exitCode(), 0);

    lines = FromCp1251(dayFile()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[2].contains(Line(3, "9.9"))) << lines[2].toStdString();
    s = settings();
    EXPECT_EQ(s.DayIndex, 3);
    EXPECT_EQ(s.TotalCount, 3);
    EXPECT_EQ(s.ScaleKind, ScaleKindAed);

    // Each journal line has its seal line, made as it was written, and the
    // day checks as written.
    const QString dayName = QDir(data_).entryList({QStringLiteral("*.txt")}, QDir::Files).last();
    QFile sealFile(data_ + dayName.chopped(4) + QStringLiteral(".seal"));
    ASSERT_TRUE(sealFile.open(QIODevice::ReadOnly));
    const SealFileContent seal = ParseSealFile(sealFile.readAll());
    EXPECT_EQ(seal.lines.size(), 4);  // the link to the days before, then one per line
    EXPECT_EQ(seal.firstBadLine, -1);
    const SealCheck check = CheckDaySeal(data_, QDate::fromString(dayName.left(10), QStringLiteral("MM-dd-yyyy")));
    EXPECT_EQ(check.verdict, SealCheck::Verdict::Genuine) << check.text.toStdString();
}

}  // namespace
