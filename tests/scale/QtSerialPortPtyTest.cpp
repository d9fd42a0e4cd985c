#include "scale/QtSerialPort.h"

#include "scale/ReceiveBounds.h"
#include "support/TempDataDir.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

// The port against the slave side of a pseudo-terminal; the test plays the
// scale on the master side. Every wait is bounded so a broken port fails the
// test instead of hanging it.

namespace {

constexpr int WaitMs = 10000;

class PtyMaster {
public:
    PtyMaster()
    {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0)
            return;
        termios raw{};
        ::tcgetattr(fd_, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(fd_, TCSANOW, &raw);
        slave_ = QString::fromLocal8Bit(::ptsname(fd_));
    }
    ~PtyMaster() { close(); }
    PtyMaster(const PtyMaster&) = delete;
    PtyMaster& operator=(const PtyMaster&) = delete;

    QString slavePath() const { return slave_; }
    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    bool write(const QByteArray& bytes) { return ::write(fd_, bytes.constData(), bytes.size()) == bytes.size(); }

    // What the port sent, once `count` bytes have come or the wait is over.
    QByteArray read(int count, int waitMs = WaitMs)
    {
        QByteArray got;
        const QDeadlineTimer deadline(waitMs);
        while (got.size() < count && !deadline.hasExpired()) {
            pollfd pfd{fd_, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(deadline.remainingTime())) <= 0)
                break;
            char buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, n);
        }
        return got;
    }

private:
    int fd_ = -1;
    QString slave_;
};

// A second descriptor on the port's side of the line, opened before the port
// takes the line for itself: it shows what has come and whether the line has
// hung up, without taking any of it.
class LineWatch {
public:
    explicit LineWatch(const QString& path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~LineWatch()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LineWatch(const LineWatch&) = delete;
    LineWatch& operator=(const LineWatch&) = delete;

    // Whether `count` bytes have come and wait unread, once they have or the
    // wait is over.
    bool waitQueued(int count) const
    {
        const QDeadlineTimer deadline(WaitMs);
        int queued = 0;
        while (::ioctl(fd_, FIONREAD, &queued) == 0 && queued < count && !deadline.hasExpired())
            QThread::msleep(1);
        return queued >= count;
    }
    // Whether the line has hung up, once it has or the wait is over.
    bool waitHungUp() const
    {
        pollfd pfd{fd_, 0, 0};  // a hang-up is reported unasked
        return ::poll(&pfd, 1, WaitMs) > 0 && (pfd.revents & POLLHUP);
    }

private:
    int fd_;
};

class QtSerialPortPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(scale.slavePath().isEmpty()) << "no pseudo-terminal";
        ASSERT_TRUE(QFile::link(scale.slavePath(), dir.file(QStringLiteral("com1"))));
    }

    // Polls the way the terminal does until `length` characters have come.
    QString receiveAtLeast(int length)
    {
        QString text;
        const QDeadlineTimer deadline(WaitMs);
        while (text.size() < length && !deadline.hasExpired()) {
            const Result<QString> got = port.receive();
            if (!got.ok()) {
                ADD_FAILURE() << got.status.description.toStdString();
                break;
            }
            text += got.value;
            QThread::msleep(5);
        }
        return text;
    }

    // Polls until the port reports a failure; the status of that failure.
    Status firstReceiveFailure()
    {
        const QDeadlineTimer deadline(WaitMs);
        while (!deadline.hasExpired()) {
            const Result<QString> got = port.receive();
            if (!got.ok())
                return got.status;
            QThread::msleep(5);
        }
        return Status::success();
    }

    TempDataDir dir;
    PtyMaster scale;
    QtSerialPort port{dir.path()};
};

}  // namespace

TEST_F(QtSerialPortPty, BytesFromScaleArriveDecoded)
{
    ASSERT_TRUE(port.open().ok());
    ASSERT_TRUE(scale.write(QByteArray("\x02+0012.5\xEA\xE3\r", 11)));
    EXPECT_EQ(receiveAtLeast(10), QStringLiteral("\u0002+0012.5кг\r"));
    // What was taken once is not handed out again.
    const Result<QString> again = port.receive();
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(again.value.isEmpty());
}

TEST_F(QtSerialPortPty, SentQueryLeavesAtOnceAsItsBytes)
{
    ASSERT_TRUE(port.setSettings(QStringLiteral("9600,n,8,1")).ok());
    ASSERT_TRUE(port.open().ok());
    ASSERT_TRUE(port.send(QStringLiteral("msv?;")).ok());
    EXPECT_EQ(scale.read(5), QByteArray("msv?;"));
    ASSERT_TRUE(port.send(QStringLiteral("кг")).ok());
    EXPECT_EQ(scale.read(2), QByteArray("\xEA\xE3"));
}

TEST_F(QtSerialPortPty, SendFollowedAtOnceByCloseLosesNothing)
{
    ASSERT_TRUE(port.open().ok());
    ASSERT_TRUE(port.send(QStringLiteral("msv?;")).ok());
    ASSERT_TRUE(port.close().ok());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(scale.read(5), QByteArray("msv?;"));
}

TEST_F(QtSerialPortPty, EverySettingsTextAcceptedOpens)
{
    for (const char* text : {"9600,e,7,1", "19200,o,8,2", "4800,m,8,1", "2400,s,7,1", "115200,n,8,1.5"}) {
        ASSERT_TRUE(port.setSettings(QString::fromLatin1(text)).ok()) << text;
        const Status opened = port.open();
        EXPECT_TRUE(opened.ok()) << text << ": " << opened.description.toStdString();
        EXPECT_EQ(port.settings(), QString::fromLatin1(text));
        if (opened.ok()) {
            ASSERT_TRUE(port.close().ok()) << text;
        }
    }
}

TEST_F(QtSerialPortPty, NumberAndOpenStateAreGuardedWhileOpen)
{
    ASSERT_TRUE(port.open().ok());
    EXPECT_EQ(port.open().number, ErrorNumber::PortAlreadyOpen);
    EXPECT_EQ(port.setPortNumber(2).number, ErrorNumber::PortAlreadyOpen);
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_TRUE(port.isOpen());
}

TEST_F(QtSerialPortPty, NewNumberTakesEffectAtNextOpen)
{
    PtyMaster other;
    ASSERT_TRUE(QFile::link(other.slavePath(), dir.file(QStringLiteral("com2"))));
    ASSERT_TRUE(port.open().ok());
    ASSERT_TRUE(port.close().ok());
    ASSERT_TRUE(port.setPortNumber(2).ok());
    ASSERT_TRUE(port.open().ok());
    ASSERT_TRUE(port.send(QStringLiteral("msv?;")).ok());
    EXPECT_EQ(other.read(5), QByteArray("msv?;"));
    EXPECT_TRUE(scale.read(1, 50).isEmpty());
}

TEST_F(QtSerialPortPty, ScaleSideGoneIsReportedAsLostAndClosesPort)
{
    ASSERT_TRUE(port.open().ok());
    scale.close();
    const Status status = firstReceiveFailure();
    EXPECT_EQ(status.number, ErrorNumber::PortLost) << status.description.toStdString();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.receive().status.number, ErrorNumber::PortNotOpen);

    // The simulator, stopped, takes its link away: the port stays on the
    // link, never on the built-in port 1 that has no scale, and opens when
    // the link is back.
    ASSERT_TRUE(QFile::remove(dir.file(QStringLiteral("com1"))));
    const Status gone = port.open();
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(gone.description.contains(dir.file(QStringLiteral("com1")))) << gone.description.toStdString();
    PtyMaster back;
    ASSERT_TRUE(QFile::link(back.slavePath(), dir.file(QStringLiteral("com1"))));
    ASSERT_TRUE(port.open().ok());
    ASSERT_TRUE(port.send(QStringLiteral("msv?;")).ok());
    EXPECT_EQ(back.read(5), QByteArray("msv?;"));
}

TEST_F(QtSerialPortPty, SendingToVanishedScaleReportsLost)
{
    ASSERT_TRUE(port.open().ok());
    scale.close();
    const Status status = port.send(QStringLiteral("msv?;"));
    EXPECT_EQ(status.number, ErrorNumber::PortLost) << status.description.toStdString();
    EXPECT_FALSE(port.isOpen());
}

// In the terminal the event loop runs between polls; that loses no bytes and
// hides no loss.
TEST_F(QtSerialPortPty, EventLoopBetweenPollsLosesNothingAndHidesNoLoss)
{
    // Until it has nothing left to do: whatever could react to the line has.
    const auto runEventLoop = [] {
        const QDeadlineTimer deadline(WaitMs);
        QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance();
        while (loop->processEvents(QEventLoop::AllEvents) && !deadline.hasExpired()) {
        }
    };
    const LineWatch line(scale.slavePath());
    ASSERT_TRUE(port.open().ok());
    ASSERT_TRUE(scale.write("+0012.5"));
    ASSERT_TRUE(line.waitQueued(7));
    runEventLoop();
    EXPECT_EQ(receiveAtLeast(7), QStringLiteral("+0012.5"));

    scale.close();
    ASSERT_TRUE(line.waitHungUp());
    runEventLoop();
    EXPECT_EQ(port.receive().status.number, ErrorNumber::PortLost);
    EXPECT_FALSE(port.isOpen());
}

// A device flooding the line (or garbage at the wrong speed) costs a poll at
// most a bounded read; the backlog is dropped rather than kept for later.
TEST_F(QtSerialPortPty, FloodIsReadBoundedAndItsBacklogDropped)
{
    const LineWatch line(scale.slavePath());
    ASSERT_TRUE(port.open().ok());
    const QByteArray chunk(1024, 'x');
    int written = 0;
    for (int i = 0; i < 64; ++i) {  // as much as the pty takes, without blocking
        if (!scale.write(chunk))
            break;
        written += chunk.size();
    }
    ASSERT_GT(written, 4096);
    ASSERT_TRUE(line.waitQueued(FloodBytes));
    const Result<QString> first = port.receive();
    ASSERT_TRUE(first.ok());
    EXPECT_LE(first.value.size(), 4096);
    EXPECT_FALSE(first.value.isEmpty());

    ASSERT_TRUE(scale.write("\x02  12.50ST"));
    const QString next = receiveAtLeast(10);
    EXPECT_TRUE(next.endsWith(QStringLiteral("\u0002  12.50ST"))) << next.size();
    EXPECT_LT(next.size(), written - first.value.size());
}

// Between polls nothing watches the line: what the scale sends wakes no
// event loop (ten frames a second would otherwise wake the terminal ten times
// besides its polls), nor does its loss, on which QSerialPort's notifiers
// would spin; the next poll reads the bytes or learns of the loss.
TEST_F(QtSerialPortPty, LineWakesNothingBetweenPollsAndTheNextPollLearnsTheLoss)
{
    QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance();
    ASSERT_NE(loop, nullptr);
    // Asked once what the event loop has come to see: nothing, or a wake-up.
    const auto nothingToDo = [&](bool lineHasNews) {
        return lineHasNews && !loop->processEvents(QEventLoop::AllEvents);
    };
    const LineWatch line(scale.slavePath());
    ASSERT_TRUE(port.open().ok());
    while (loop->processEvents(QEventLoop::AllEvents)) {
    }
    ASSERT_TRUE(scale.write("\x02  12.50ST"));
    EXPECT_TRUE(nothingToDo(line.waitQueued(10)));
    EXPECT_EQ(receiveAtLeast(10), QStringLiteral("\u0002  12.50ST"));
    ASSERT_TRUE(scale.write("\x02  12.60ST"));
    EXPECT_TRUE(nothingToDo(line.waitQueued(10)));

    scale.close();
    EXPECT_TRUE(nothingToDo(line.waitHungUp()));
    EXPECT_EQ(firstReceiveFailure().number, ErrorNumber::PortLost);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.receive().status.number, ErrorNumber::PortNotOpen);
    EXPECT_EQ(port.send(QStringLiteral("msv?;")).number, ErrorNumber::PortNotOpen);
}
