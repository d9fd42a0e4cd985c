#include "link/LinkHub.h"
#include "link/LinkServer.h"
#include "link/LinkSettings.h"

#include "support/TempDataDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <httplib.h>

#include <chrono>
#include <thread>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {

TEST(LinkSettings, AMissingFileIsTheDefaultsAndASavedOneReadsBackWhole)
{
    TempDataDir dir;
    LinkSettingsLoad loaded = LoadLinkSettings(dir.path());
    EXPECT_EQ(loaded.settings, LinkSettings{});
    EXPECT_FALSE(loaded.settings.enabled);
    EXPECT_EQ(loaded.settings.port, 8457);
    EXPECT_TRUE(loaded.warning.isEmpty());

    LinkSettings s;
    s.enabled = true;
    s.port = 1024;
    s.network = true;
    s.key = NewLinkKey();
    s.origins = {QStringLiteral("http://kassa.local:8080"), QStringLiteral("https://sklad.example")};
#ifdef Q_OS_WIN
    ASSERT_EQ(SaveLinkSettings(dir.path(), s), QString());
    EXPECT_TRUE(dir.read(LinkSettingsFileName).contains("\r\nPort=1024\r\n"));
#else
    // The key is its owner's alone whatever the umask, and a line read by
    // grep and cut carries no CR.
    const mode_t umaskBefore = ::umask(0);
    ASSERT_EQ(SaveLinkSettings(dir.path(), s), QString());
    ::umask(umaskBefore);
    EXPECT_EQ(QFile::permissions(dir.file(LinkSettingsFileName)), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_TRUE(dir.read(LinkSettingsFileName).contains("\nPort=1024\n"));
    EXPECT_FALSE(dir.read(LinkSettingsFileName).contains('\r'));
#endif
    loaded = LoadLinkSettings(dir.path());
    EXPECT_TRUE(loaded.warning.isEmpty()) << loaded.warning.toStdString();
    EXPECT_EQ(loaded.settings, s);
    EXPECT_EQ(s.key.size(), 32);
    EXPECT_NE(NewLinkKey(), s.key);
}

TEST(LinkSettings, ADamagedFileIsPutAsideOnceAndTheDefaultsServe)
{
    const char* damaged[] = {
        "[Link]\r\nEnabled=true\r\nPort=80\r\n",
        "[Link]\r\nEnabled=true\r\nPort=65536\r\n",
        "[Link]\r\nEnabled=true\r\nPort=84x7\r\n",
        "[Link]\r\nEnabled=yes please\r\n",
        "[Link]\r\nEnabled=true\r\nNetwork=true\r\n",  // on the network without a key
        "[Link]\r\nEnabled=true\r\nOrigins=kassa.local\r\n",
    };
    for (const char* bytes : damaged) {
        TempDataDir dir;
        dir.write(LinkSettingsFileName, bytes);
        const LinkSettingsLoad loaded = LoadLinkSettings(dir.path());
        EXPECT_EQ(loaded.settings, LinkSettings{}) << bytes;
        EXPECT_TRUE(loaded.warning.contains(QStringLiteral("Link.ini.bad"))) << loaded.warning.toStdString();
        EXPECT_FALSE(QFile::exists(dir.file(LinkSettingsFileName))) << bytes;
        EXPECT_EQ(dir.read(LinkSettingsFileName + QStringLiteral(".bad")), QByteArray(bytes));
        // Told once: the next start finds no file.
        EXPECT_TRUE(LoadLinkSettings(dir.path()).warning.isEmpty());
    }
}

// A listener on a loopback port, as another program would hold it: one
// with cpp-httplib's own socket options (SO_REUSEPORT on Linux), under which
// a second listener with the same options would share the port silently.
// It listens until destroyed (the library closes its socket only then).
struct HeldPort {
    HeldPort()
    {
        port = other.bind_to_any_port("127.0.0.1");
        if (port <= 0)
            return;
        listening = std::thread([this] { other.listen_after_bind(); });
        while (!other.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~HeldPort()
    {
        other.stop();
        if (listening.joinable())
            listening.join();
    }

    httplib::Server other;
    int port = 0;
    std::thread listening;
};

TEST(LinkServer, APortHeldByAnotherProgramIsNamedAndFreedPortIsTaken)
{
    TempDataDir dir;
    LinkHub hub;
    LinkServer server(hub, dir.path());
    LinkSettings s;
    s.enabled = true;
    {
        HeldPort held;
        ASSERT_GT(held.port, 0);
        s.port = held.port;
        const QString problem = server.start(s);
        EXPECT_TRUE(problem.contains(QString::number(held.port))) << problem.toStdString();
        EXPECT_TRUE(problem.contains(QStringLiteral("занят"))) << problem.toStdString();
        EXPECT_FALSE(server.listening());
    }
    EXPECT_EQ(server.start(s), QString());
    EXPECT_TRUE(server.listening());
    // Started again on the same port (the dialog's "apply at once").
    EXPECT_EQ(server.start(s), QString());
    server.stop();
    EXPECT_FALSE(server.listening());
    s.enabled = false;
    EXPECT_EQ(server.start(s), QString());
    EXPECT_FALSE(server.listening());
}

}  // namespace
