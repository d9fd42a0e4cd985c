#include "core/Cp1251.h"
#include "core/SettingsFile.h"
#include "journal/SealCheck.h"
#include "journal/SealWrite.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <random>

// The terminal's files after the process dies at a random moment while it
// records: the settings always load, every journal line is whole, and no
// weighing number is given twice in a day.

namespace {

TEST(PowerCut, KilledWhileRecordingLeavesLoadableSettingsAndWholeLines)
{
    constexpr int Iterations = 25;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString data = dir.path() + u'/';
    std::mt19937 random(7);
    const QRegularExpression weighing(
        QStringLiteral("^ (\\d+)\\t\\d\\d-\\d\\d-\\d{4}  \\d\\d:\\d\\d:\\d\\d     \\d+\\.5кг    0кг$"));
    const QRegularExpression sum(QStringLiteral("^Сумма\\( \\d+\\)=  \\d+(\\.\\d+)?$"));

    int linesChecked = 0;
    int sealedAtRestart = 0;
    for (int i = 0; i < Iterations; ++i) {
        SCOPED_TRACE(i);
        const QDate day = QDate(2026, 6, 1).addDays(i / 5);  // five runs share a day
        QProcess loop;
        loop.start(QStringLiteral(VELTAR_RECORD_LOOP_PATH), {data, day.toString(Qt::ISODate)});
        ASSERT_TRUE(loop.waitForStarted(30000));
        // The day's first run is cut anywhere after start, even before its
        // first line; the others only once a line of their own is on disk,
        // so that there are lines to check however slow the disk.
        const bool firstOfDay = i % 5 == 0;
        QByteArray said;
        while (!said.contains(firstOfDay ? "started" : "recorded") && loop.waitForReadyRead(30000))
            said += loop.readAllStandardOutput();
        ASSERT_TRUE(said.contains("started")) << loop.readAllStandardError().toStdString();
        QThread::msleep(std::uniform_int_distribution<int>(5, 120)(random));
        ::kill(static_cast<pid_t>(loop.processId()), SIGKILL);
        ASSERT_TRUE(loop.waitForFinished(3000));
        ASSERT_EQ(loop.exitStatus(), QProcess::CrashExit) << loop.readAllStandardError().toStdString();

        QFile settings(data + SettingsFileName);
        ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
        const QByteArray bytes = settings.readAll();
        EXPECT_EQ(bytes.size(), 650);
        TerminalState loaded;
        EXPECT_TRUE(DecodeSettings(bytes, loaded).ok());

        QFile journal(data + day.toString(QStringLiteral("MM-dd-yyyy")) + QStringLiteral(".txt"));
        if (firstOfDay && (!journal.exists() || journal.size() == 0))
            continue;  // cut before the day's first line: nothing to tear
        ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
        const QString text = FromCp1251(journal.readAll());
        ASSERT_TRUE(text.endsWith(QStringLiteral("\r\n"))) << "torn last line: " << text.right(60).toStdString();
        QList<int> numbers;
        for (const QString& line : text.chopped(2).split(QStringLiteral("\r\n"))) {
            const QRegularExpressionMatch match = weighing.match(line);
            EXPECT_TRUE(match.hasMatch() || sum.match(line).hasMatch()) << line.toStdString();
            if (match.hasMatch())
                numbers.append(match.captured(1).toInt());
            ++linesChecked;
        }
        for (qsizetype k = 1; k < numbers.size(); ++k)
            EXPECT_GT(numbers[k], numbers[k - 1]) << "weighing numbers of " << day.toString(Qt::ISODate).toStdString();

        // The restart seals what the kill left unsealed: at most the last
        // line, marked; and every day so far checks as written.
        const QList<int> lateBefore = CheckDaySeal(data, day).lateLines;
        EXPECT_EQ(SealAtStartUp(data, day).toStdString(), "");
        for (QDate earlier(2026, 6, 1); earlier <= day; earlier = earlier.addDays(1)) {
            const SealCheck seal = CheckDaySeal(data, earlier);
            EXPECT_TRUE(seal.verdict == SealCheck::Verdict::Genuine || seal.verdict == SealCheck::Verdict::SealedLate)
                << earlier.toString(Qt::ISODate).toStdString() << ": " << seal.text.toStdString();
        }
        QList<int> lateNow = CheckDaySeal(data, day).lateLines;
        lateNow.removeIf([&](int line) { return lateBefore.contains(line); });
        EXPECT_LE(lateNow.size(), 1);
        sealedAtRestart += static_cast<int>(lateNow.size());
        if (!lateNow.isEmpty())
            EXPECT_EQ(lateNow.first(), text.chopped(2).split(QStringLiteral("\r\n")).size());
    }
    const QStringList leftovers = QDir(data).entryList(QDir::Files).filter(QStringLiteral("System.eng."));
    std::printf("power cut: %d kills, %d journal lines checked, %d sealed at the restart, %lld unfinished settings "
                "files left behind\n",
                Iterations, linesChecked, sealedAtRestart, static_cast<long long>(leftovers.size()));
    EXPECT_GT(linesChecked, Iterations);
}

}  // namespace
