#include "scale/Win32SerialPort.h"
#include "scale/Win32LineState.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>

// The Win32 port. Without a device: what it decides itself. With one: the
// line is a pseudo-terminal that scripts/windows.sh maps as a COM port, with
// the scale simulator playing an AED 9101B that holds 10 kg behind it.

TEST(Win32SerialPortSetup, RefusesBadNumbersAndTextsAndUsesNoLineWhileClosed)
{
    Win32SerialPort port(QStringLiteral("c:\\data\\"));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.settings(), QStringLiteral("9600,n,8,1"));
    EXPECT_EQ(port.setPortNumber(0).number, ErrorNumber::InvalidPortNumber);
    EXPECT_EQ(port.setPortNumber(256).number, ErrorNumber::InvalidPortNumber);
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_EQ(port.setSettings(QStringLiteral("9600,x,8,1")).number, ErrorNumber::InvalidPropertyValue);
    EXPECT_EQ(port.send(QStringLiteral("msv?;")).number, ErrorNumber::PortNotOpen);
    EXPECT_EQ(port.receive().status.number, ErrorNumber::PortNotOpen);
    EXPECT_EQ(port.close().number, ErrorNumber::PortNotOpen);
}

TEST(Win32SerialPortSetup, MissingHighPortFailsInRussianNamingItAndStaysClosed)
{
    Win32SerialPort port(QStringLiteral("c:\\data\\"));
    ASSERT_TRUE(port.setPortNumber(237).ok());
    const Status status = port.open();
    EXPECT_EQ(status.number, ErrorNumber::PortUnavailable);
    EXPECT_TRUE(status.description.startsWith(QStringLiteral("Не удается открыть порт COM237: ")))
        << status.description.toStdString();
    EXPECT_FALSE(port.isOpen());
    // At an open, access denied is a port another program holds; a removed
    // USB adapter's aborted read is said in Russian, not in the system's
    // words. (A port that no longer answers is lost, whatever the code.)
    EXPECT_EQ(Win32PortErrorText(ERROR_ACCESS_DENIED), QStringLiteral("устройство занято"));
    EXPECT_EQ(Win32PortErrorText(ERROR_OPERATION_ABORTED), QStringLiteral("операция с портом прервана"));
    EXPECT_EQ(Win32PortErrorText(ERROR_DEVICE_REMOVED), PortGoneText());
}

// Some USB adapters' drivers report XON and XOFF both as 0, and limits that
// fit no buffer; their SetCommState refuses such a DCB (error 87) even with
// flow control off, and a working port read as missing. Wine's driver checks
// neither, so the DCB as such a driver reports it is the test.
TEST(Win32SerialPortSetup, LineStateSuitsDriversThatCheckFlowControlFields)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.XonLim = 0xFFFF;
    dcb.XoffLim = 0xFFFF;
    dcb.fOutX = TRUE;
    LineSettings settings;
    settings.baudRate = 19200;
    settings.parity = LineSettings::Parity::Even;
    SetLineState(dcb, settings, 4096);
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.Parity, EVENPARITY);
    EXPECT_TRUE(dcb.fParity);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
    EXPECT_LE(dcb.XonLim, 4096);
    EXPECT_LE(dcb.XoffLim, 4096);
    EXPECT_LE(dcb.XonLim + dcb.XoffLim, 4096);
    EXPECT_FALSE(dcb.fOutX);
    EXPECT_FALSE(dcb.fInX);
    EXPECT_FALSE(dcb.fOutxCtsFlow);
    // A driver that does not tell its buffer: limits that fit any.
    SetLineState(dcb, settings, 0);
    EXPECT_EQ(dcb.XonLim, 0);
    EXPECT_EQ(dcb.XoffLim, 0);
}

namespace {

constexpr int WaitMs = 3000;

class Win32SerialPortLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* number = std::getenv("VELTAR_TEST_COM");
        if (!number)
            GTEST_SKIP() << "no COM port mapped to the simulator (scripts/windows.sh maps one)";
        ASSERT_TRUE(port.setPortNumber(static_cast<std::int16_t>(std::atoi(number))).ok());
        ASSERT_TRUE(port.setSettings(QStringLiteral("9600,n,8,1")).ok());
        const Status opened = port.open();
        ASSERT_TRUE(opened.ok()) << opened.description.toStdString();
    }

    // Polls the way the terminal does until a whole answer line has come.
    QString answer()
    {
        QString text;
        const QDeadlineTimer deadline(WaitMs);
        while (!text.endsWith(QStringLiteral("\r\n")) && !deadline.hasExpired()) {
            const Result<QString> got = port.receive();
            if (!got.ok()) {
                ADD_FAILURE() << got.status.description.toStdString();
                break;
            }
            text += got.value;
            QThread::msleep(10);
        }
        return text;
    }

    Win32SerialPort port{QStringLiteral("c:\\data\\")};
};

}  // namespace

TEST_F(Win32SerialPortLine, QueryLeavesAndAnswerArrivesThenLossIsReportedOnceAndClosesThePort)
{
    EXPECT_EQ(port.setPortNumber(2).number, ErrorNumber::PortAlreadyOpen);
    // An empty poll before any query: nothing, and no failure.
    const Result<QString> empty = port.receive();
    ASSERT_TRUE(empty.ok()) << empty.status.description.toStdString();

    ASSERT_TRUE(port.send(QStringLiteral("msv?;")).ok());
    EXPECT_EQ(answer(), QStringLiteral("   19892\r\n"));  // 10 kg in counts of 0.00050271 kg
    ASSERT_TRUE(port.send(QStringLiteral("msv?;")).ok());
    EXPECT_EQ(answer(), QStringLiteral("   19892\r\n"));

    // The harness ends the simulator when this file appears: the line hangs up.
    const char* stop = std::getenv("VELTAR_TEST_COM_STOP");
    ASSERT_NE(stop, nullptr);
    QFile stopFile(QString::fromLocal8Bit(stop));
    ASSERT_TRUE(stopFile.open(QIODevice::WriteOnly));
    stopFile.close();

    Status lost;
    const QDeadlineTimer deadline(WaitMs);
    while (!deadline.hasExpired()) {
        const Result<QString> got = port.receive();
        if (!got.ok()) {
            lost = got.status;
            break;
        }
        QThread::msleep(50);
    }
    EXPECT_EQ(lost.number, ErrorNumber::PortLost) << lost.description.toStdString();
    EXPECT_TRUE(lost.description.endsWith(QStringLiteral(": устройство отключено"))) << lost.description.toStdString();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.receive().status.number, ErrorNumber::PortNotOpen);
}
