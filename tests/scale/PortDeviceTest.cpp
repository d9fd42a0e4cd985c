#include "scale/PortDevice.h"

#include "support/TempDataDir.h"

#include <QFile>

#include <gtest/gtest.h>

#ifdef Q_OS_WIN

TEST(PortDevice, NumbersNameComPorts)
{
    EXPECT_EQ(PortDeviceName(1, QStringLiteral("c:\\data\\")), QStringLiteral("COM1"));
    EXPECT_EQ(PortDeviceName(12, QStringLiteral("c:\\data\\")), QStringLiteral("COM12"));
}

#else

TEST(PortDevice, LinkInDataDirectoryNamesTheDevice)
{
    TempDataDir dir;
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), dir.file(QStringLiteral("com3"))));
    EXPECT_EQ(PortDeviceName(3, dir.path()), dir.file(QStringLiteral("com3")));
    // A link for one number leaves the others on the built-in ports.
    EXPECT_EQ(PortDeviceName(1, dir.path()), QStringLiteral("/dev/ttyS0"));
}

TEST(PortDevice, DanglingLinkStillNamesTheDevice)
{
    TempDataDir dir;
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("unplugged")), dir.file(QStringLiteral("com2"))));
    EXPECT_EQ(PortDeviceName(2, dir.path()), dir.file(QStringLiteral("com2")));
}

TEST(PortDevice, WithoutLinkNumbersCountFromFirstBuiltInPort)
{
    TempDataDir dir;
    EXPECT_EQ(PortDeviceName(1, dir.path()), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(PortDeviceName(8, dir.path()), QStringLiteral("/dev/ttyS7"));
    EXPECT_EQ(PortDeviceName(255, dir.path()), QStringLiteral("/dev/ttyS254"));
}

#endif
