#include "scale/QtSerialPort.h"

#include "core/ErrorText.h"
#include "support/TempDataDir.h"

#include <QFile>

#include <cerrno>

#include <gtest/gtest.h>

// What the port decides without a device behind it.

TEST(QtSerialPortSetup, StartsClosedOnPortOneAndRefusesToUseTheLine)
{
    TempDataDir dir;
    QtSerialPort port(dir.path());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_EQ(port.settings(), QStringLiteral("9600,n,8,1"));
    EXPECT_EQ(port.send(QStringLiteral("msv?;")).number, ErrorNumber::PortNotOpen);
    EXPECT_EQ(port.receive().status.number, ErrorNumber::PortNotOpen);
    EXPECT_EQ(port.close().number, ErrorNumber::PortNotOpen);
}

TEST(QtSerialPortSetup, PortNumberOutsideRangeIsRefusedAndOldKept)
{
    TempDataDir dir;
    QtSerialPort port(dir.path());
    ASSERT_TRUE(port.setPortNumber(255).ok());
    EXPECT_EQ(port.setPortNumber(0).number, ErrorNumber::InvalidPortNumber);
    EXPECT_EQ(port.setPortNumber(256).number, ErrorNumber::InvalidPortNumber);
    EXPECT_EQ(port.portNumber(), 255);
}

TEST(QtSerialPortSetup, SettingsAreReadBackNormalisedAndBadTextKeepsThem)
{
    TempDataDir dir;
    QtSerialPort port(dir.path());
    ASSERT_TRUE(port.setSettings(QStringLiteral("19200,E,7,2")).ok());
    EXPECT_EQ(port.settings(), QStringLiteral("19200,e,7,2"));
    for (const char* text : {"", "9600,x,8,1", "9600,n,9,1", "9600,n,8,1,"})
        EXPECT_EQ(port.setSettings(QString::fromLatin1(text)).number, ErrorNumber::InvalidPropertyValue) << text;
    EXPECT_EQ(port.settings(), QStringLiteral("19200,e,7,2"));
}

#ifndef Q_OS_WIN

TEST(QtSerialPortSetup, OpeningMissingDeviceFailsNamingItAndStaysClosed)
{
    TempDataDir dir;
    const QString link = dir.file(QStringLiteral("com4"));
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("unplugged")), link));
    QtSerialPort port(dir.path());
    ASSERT_TRUE(port.setPortNumber(4).ok());

    const Status status = port.open();
    EXPECT_EQ(status.number, ErrorNumber::PortUnavailable);
    EXPECT_EQ(status.description, QStringLiteral("Не удается открыть порт %1: путь не найден").arg(link));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.receive().status.number, ErrorNumber::PortNotOpen);

    // A device node with no device behind it is named as such, not as a path.
    EXPECT_EQ(ErrnoText(ENXIO), QStringLiteral("устройство не найдено"));
    EXPECT_EQ(ErrnoText(ENODEV), QStringLiteral("устройство не найдено"));
}

#endif
