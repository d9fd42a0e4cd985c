#include "scale-sim/WeightText.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// The simulator as a process, talked to through its link the way the
// terminal does. Every wait is bounded, so a broken simulator fails the test
// rather than hanging it.

namespace {

constexpr int StartMs = 10000;
constexpr int AnswerMs = 10000;

class ScaleSimProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = QStringLiteral(VELTAR_SCALE_SIM_PATH);
        if (!QFileInfo(program_).isExecutable())
            GTEST_SKIP() << "no simulator at " << qPrintable(program_);
        ASSERT_TRUE(dir_.isValid());
        link_ = dir_.filePath(QStringLiteral("com1"));
    }

    void TearDown() override
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (sim_.state() != QProcess::NotRunning) {
            sim_.kill();
            sim_.waitForFinished(StartMs);
        }
    }

    QString writeScript(const QByteArray& text)
    {
        const QString path = dir_.filePath(QStringLiteral("script.txt"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    void start(const QStringList& arguments)
    {
        sim_.setProgram(program_);
        sim_.setArguments(QStringList{QStringLiteral("--link"), link_} + arguments);
        sim_.start();
        ASSERT_TRUE(sim_.waitForStarted(StartMs));
    }

    bool linkAppears()
    {
        const QDeadlineTimer deadline(StartMs);
        while (!deadline.hasExpired()) {
            if (QFileInfo(link_).isSymLink())
                return true;
            if (sim_.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(10);
        }
        return false;
    }

    // Opens the link as a terminal opens its port: raw, nothing translated.
    bool openLink()
    {
        fd_ = ::open(QFile::encodeName(link_).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0)
            return false;
        termios raw{};
        ::tcgetattr(fd_, &raw);
        ::cfmakeraw(&raw);
        return ::tcsetattr(fd_, TCSANOW, &raw) == 0;
    }

    void send(const QByteArray& bytes) { ASSERT_EQ(::write(fd_, bytes.constData(), bytes.size()), bytes.size()); }

    // What arrived, once `count` bytes are there or the wait is over.
    QByteArray receive(int count, int waitMs = AnswerMs)
    {
        QByteArray got;
        const QDeadlineTimer deadline(waitMs);
        while (got.size() < count && !deadline.hasExpired()) {
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(deadline.remainingTime())) <= 0)
                break;
            char buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
        }
        return got;
    }

    QString program_;
    QTemporaryDir dir_;
    QString link_;
    QProcess sim_;
    int fd_ = -1;
};

}  // namespace

TEST_F(ScaleSimProcess, AedAnswersQueriesAndLeavesNoLinkAfterSigterm)
{
    start({QStringLiteral("--kind"), QStringLiteral("aed"), QStringLiteral("--script"), writeScript("10 9.9999\n")});
    ASSERT_TRUE(linkAppears()) << sim_.readAllStandardError().constData();
    ASSERT_TRUE(openLink());

    send("msv?;");
    EXPECT_EQ(receive(10), QByteArray("   19892\r\n"));

    // A query in two pieces: its start is read with the query before it,
    // which is answered first. Then two in one read.
    send("msv?;ms");
    EXPECT_EQ(receive(10), QByteArray("   19892\r\n"));
    send("v?;");
    EXPECT_EQ(receive(10), QByteArray("   19892\r\n"));
    send("msv?;msv?;");
    EXPECT_EQ(receive(20), QByteArray("   19892\r\n   19892\r\n"));

    // Nothing unasked, even across the simulator's ticks: until a weight
    // typed meanwhile (taken at its next tick) is answered, the line holds
    // one answer per query and nothing else.
    sim_.write("12.5\n");
    ASSERT_TRUE(sim_.waitForBytesWritten(AnswerMs));
    QByteArray got;
    int queries = 0;
    const QDeadlineTimer deadline(AnswerMs);
    while (!got.endsWith(AedAnswer(12.5)) && !deadline.hasExpired()) {
        send("msv?;");
        ++queries;
        got += receive(10);
    }
    EXPECT_EQ(got, QByteArray("   19892\r\n").repeated(queries - 1) + AedAnswer(12.5));

    sim_.terminate();
    ASSERT_TRUE(sim_.waitForFinished(StartMs));
    EXPECT_EQ(sim_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim_.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link_).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(link_));
}

TEST_F(ScaleSimProcess, VeltarStreamsWholeFrames)
{
    start({QStringLiteral("--script"), writeScript("10 9.9999\n")});
    ASSERT_TRUE(linkAppears()) << sim_.readAllStandardError().constData();
    ASSERT_TRUE(openLink());

    // Nothing is sent while no one listens, so the stream starts with a frame.
    EXPECT_EQ(receive(20), QByteArray("\x02  10.00ST\x02  10.00ST"));

    sim_.terminate();
    ASSERT_TRUE(sim_.waitForFinished(StartMs));
    EXPECT_EQ(sim_.exitStatus(), QProcess::NormalExit);
    EXPECT_FALSE(QFileInfo(link_).isSymLink());
}

TEST_F(ScaleSimProcess, TypedWeightOverridesTheScript)
{
    start({QStringLiteral("--script"), writeScript("10 1\n")});
    ASSERT_TRUE(linkAppears()) << sim_.readAllStandardError().constData();
    ASSERT_TRUE(openLink());
    EXPECT_EQ(receive(10), QByteArray("\x02   1.00ST"));

    sim_.write("12.5\n");
    ASSERT_TRUE(sim_.waitForBytesWritten(AnswerMs));
    const QDeadlineTimer deadline(AnswerMs);
    QByteArray got;
    while (!got.contains("\x02  12.50ST") && !deadline.hasExpired())
        got += receive(10, 100);
    EXPECT_TRUE(got.contains("\x02  12.50ST")) << got.constData();

    sim_.write("q\n");
    ASSERT_TRUE(sim_.waitForBytesWritten(AnswerMs));
    ASSERT_TRUE(sim_.waitForFinished(StartMs));
    EXPECT_EQ(sim_.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link_).isSymLink());
}

TEST_F(ScaleSimProcess, EndOfScriptEndsTheSimulator)
{
    start({QStringLiteral("--script"), writeScript("0.3 1\n")});
    ASSERT_TRUE(sim_.waitForFinished(StartMs));
    EXPECT_EQ(sim_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim_.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link_).isSymLink());
}

TEST_F(ScaleSimProcess, ReplacesALinkButNotARegularFile)
{
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), link_));
    start({QStringLiteral("--script"), writeScript("10 1\n")});
    const QDeadlineTimer deadline(StartMs);
    while (QFileInfo(link_).symLinkTarget() == QStringLiteral("/dev/null") && !deadline.hasExpired())
        QThread::msleep(10);
    EXPECT_TRUE(QFileInfo(link_).symLinkTarget().startsWith(QStringLiteral("/dev/pts/")));
    sim_.terminate();
    ASSERT_TRUE(sim_.waitForFinished(StartMs));
    EXPECT_FALSE(QFileInfo::exists(link_) || QFileInfo(link_).isSymLink());

    {
        QFile file(link_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("operator's file");
    }
    start({QStringLiteral("--script"), writeScript("10 1\n")});
    ASSERT_TRUE(sim_.waitForFinished(StartMs));
    EXPECT_NE(sim_.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link_).isSymLink());
    QFile file(link_);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("operator's file"));
}

TEST_F(ScaleSimProcess, BadScriptIsReportedWithItsLine)
{
    start({QStringLiteral("--script"), writeScript("1 2\n1 two\n")});
    ASSERT_TRUE(sim_.waitForFinished(StartMs));
    EXPECT_NE(sim_.exitCode(), 0);
    EXPECT_TRUE(sim_.readAllStandardError().contains("line 2:"));
    EXPECT_FALSE(QFileInfo(link_).isSymLink());
}
