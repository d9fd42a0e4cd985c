#include "link/LinkHub.h"
#include "link/LinkServer.h"
#include "link/LinkSettings.h"
#include "link/WeightJson.h"

#include "core/Cp1251.h"
#include "support/HttpProbe.h"
#include "support/LinkClient.h"
#include "support/TempDataDir.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QTimeZone>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <memory>
#include <vector>

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
        "[Link]\r\nEnabled=true\r\nNetwork=true\r\nKey=0123456789abcde\r\n",  // or with one too short
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
// that offers to share it (SO_REUSEPORT where there is one), under which a
// second listener asking the same would share the port silently.
struct HeldPort {
    HeldPort()
    {
        sock = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&yes), sizeof yes);
#ifdef SO_REUSEPORT
        setsockopt(sock, SOL_SOCKET, SO_REUSEPORT, reinterpret_cast<const char*>(&yes), sizeof yes);
#endif
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(sock, 5) == 0 &&
            ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port = ntohs(address.sin_port);
    }
    ~HeldPort()
    {
#ifdef _WIN32
        closesocket(sock);
#else
        ::close(sock);
#endif
    }

#ifdef _WIN32
    SOCKET sock;
#else
    int sock;
#endif
    int port = 0;
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
    // Started again on the same port (the dialog's "apply at once"), while a
    // client's connection winds down: Windows keeps an exclusive port from
    // its next listener until then, and the service tries again meanwhile.
    {
        HttpProbe client(s.port);
        client.request("GET", "/api/v1/weight");
        ASSERT_EQ(client.answer().status, 200);
        EXPECT_EQ(server.start(s), QString());
    }
    const QDeadlineTimer deadline(20000);
    while (HttpGet(s.port, "/api/v1/weight").status != 200 && !deadline.hasExpired())
        QThread::msleep(50);
    EXPECT_EQ(HttpGet(s.port, "/api/v1/weight").status, 200);
    EXPECT_EQ(server.takeProblem(), QString());
    server.stop();
    EXPECT_FALSE(server.listening());
    s.enabled = false;
    EXPECT_EQ(server.start(s), QString());
    EXPECT_FALSE(server.listening());

    // The network is never opened with a key short enough to guess.
    s.enabled = true;
    s.network = true;
    s.key = QStringLiteral("k");
    EXPECT_TRUE(server.start(s).contains(QStringLiteral("ключ"))) << server.start(s).toStdString();
    EXPECT_FALSE(server.listening());
}

TEST(LinkHub, AStreamHearsEachNewsOnceAndTheTimeKeepsItsOffset)
{
    LinkHub hub;
    LinkWeight w;
    w.display = QStringLiteral("1");
    hub.publish(w, QDateTime::currentDateTime());
    LinkHub::Cursor cursor = hub.cursor();
    const quint64 before = hub.changes();
    hub.publishWeighing(R"({"number":1})");
    w.display = QStringLiteral("2");
    hub.publish(w, QDateTime::currentDateTime());
    EXPECT_NE(hub.changes(), before);
    const LinkHub::News news = hub.take(cursor);
    ASSERT_EQ(news.weighings.size(), 1u);
    ASSERT_TRUE(news.weight);
    EXPECT_EQ(news.weight->weight.display, QStringLiteral("2"));
    // Read again, the cursor stands after what it was given.
    const LinkHub::News again = hub.take(cursor);
    EXPECT_TRUE(again.weighings.empty());
    EXPECT_FALSE(again.weight);

    // West of Greenwich, with minutes: one sign for the whole offset.
    const QDateTime time(QDate(2026, 12, 7), QTime(14, 12, 28), QTimeZone(-(5 * 3600 + 30 * 60)));
    EXPECT_EQ(LocalTimeWithOffset(time), QStringLiteral("2026-12-07T14:12:28-05:30"));
}

// A service on a free loopback port with a day file of its own.
struct RunningLink {
    explicit RunningLink(bool network = false)
    {
        settings.enabled = true;
        settings.port = FreeLoopbackPort();
        settings.network = network;
        settings.key = QStringLiteral("0123456789abcdef0123456789abcdef");
        settings.origins = {QStringLiteral("http://kassa.local:8080")};
        problem = server.start(settings);
    }

    TempDataDir dir;
    LinkHub hub;
    LinkServer server{hub, dir.path()};
    LinkSettings settings;
    QString problem;
};

QJsonObject JsonOf(const HttpAnswer& a, QJsonParseError& error)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(a.body), &error).object();
}

TEST(LinkServer, RefusalsAreJsonNamingWhatWasWrongAndPoliteRequestsAreAnsweredInOrder)
{
    RunningLink link;
    ASSERT_EQ(link.problem, QString());
    const int port = link.settings.port;
    link.dir.write(QStringLiteral("12-07-2026.txt"), ToCp1251(QStringLiteral(" 1\t12-07-2026  14:12:28     10кг    0кг\r\nисправлено\r\n")));
    link.dir.write(QStringLiteral("12-05-2026.txt"), ToCp1251(QStringLiteral(" 1\t12-05-2026  08:00:01     12.4кг    0кг\r\n")));

    const struct {
        const char* target;
        int status;
        const char* names;
    } refused[] = {
        {"/api/v1/weighings?from=%2207.12%5C2026", 400, "\"07.12\\2026"},  // a hostile echo stays JSON
        {"/api/v1/weighings.csv?from=2026-12-01&date=2026-12-07", 400, "date"},
        {"/api/v1/weight?from=2026-12-01", 400, "from"},
        {"/api/v1/weighings?from=2999-01-01", 400, "to не задана"},  // the end nobody typed is said to be today
        {"/api/v1/nothing", 404, "Нет такого адреса"},
    };
    for (const auto& r : refused) {
        const HttpAnswer a = HttpGet(port, r.target);
        EXPECT_EQ(a.status, r.status) << r.target;
        EXPECT_EQ(a.header("Content-Type"), "application/json; charset=utf-8") << r.target;
        QJsonParseError error;
        const QString text = JsonOf(a, error).value(QStringLiteral("error")).toString();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << r.target << ' ' << a.body;
        EXPECT_TRUE(text.contains(QString::fromUtf8(r.names))) << r.target << ' ' << a.body;
    }

    // A body is read and dropped, so the refusal arrives whole, and the
    // connection is not said to be both kept and closed.
    HttpProbe posted(port);
    posted.request("POST", "/api/v1/weight", {}, std::string(2000, 'x'));
    HttpAnswer a = posted.answer();
    EXPECT_EQ(a.status, 405);
    EXPECT_EQ(a.header("Allow"), "GET, HEAD, OPTIONS");
    EXPECT_FALSE(a.has("Keep-Alive"));
    EXPECT_TRUE(a.body.find("\"error\"") != std::string::npos) << a.body;

    // Two requests sent together get two answers, in their order.
    HttpProbe pipelined(port);
    ASSERT_TRUE(pipelined.send("GET /api/v1/weighings?from=2026-12-05&to=2026-12-07 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"
                               "GET /api/v1/nothing HTTP/1.1\r\nHost: localhost:1\r\n\r\n"));
    a = pipelined.answer();
    EXPECT_EQ(a.status, 200);
    // Sent a day at a time; whole and the same as the list it always was.
    EXPECT_EQ(a.header("Transfer-Encoding"), "chunked");
    EXPECT_EQ(a.body, R"({"weighings":[{"date":"2026-12-05","net":12.4,"number":1,"tare":0,"time":"08:00:01"},)"
                      R"({"date":"2026-12-07","net":10,"number":1,"tare":0,"time":"14:12:28"}],"unrecognised":1})");
    EXPECT_EQ(pipelined.answer().status, 404);

    // The spreadsheet's file is named as "Экспорт…" names it.
    a = HttpGet(port, "/api/v1/weighings.csv?from=2026-12-01&to=2026-12-07");
    EXPECT_EQ(a.status, 200);
    EXPECT_NE(a.header("Content-Disposition")
                  .find("filename*=UTF-8''%D0%92%D0%B7%D0%B2%D0%B5%D1%88%D0%B8%D0%B2%D0%B0%D0%BD%D0%B8%D1%8F%2001.12.2026-07.12.2026.csv"),
              std::string::npos)
        << a.header("Content-Disposition");

    // A head beyond its caps is refused, never buffered.
    HttpHeaders many;
    for (int i = 0; i <= LinkServer::MaxHeaderLines; ++i)
        many.emplace_back("X-" + std::to_string(i), "b");
    EXPECT_EQ(HttpGet(port, "/api/v1/weight", many).status, 431);
    HttpProbe flood(port);
    flood.send("GET /api/v1/weight HTTP/1.1\r\nHost: 127.0.0.1\r\n");
    for (int i = 0; i < 1000 && flood.send("X-a: " + std::string(100, 'b') + "\r\n"); ++i) {
    }
    a = flood.answer(false, 10000);
    EXPECT_TRUE(a.status == 431 || a.status == 0) << a.status;
    EXPECT_TRUE(flood.closedByServer(10000));

    // On the network the key is asked for, its scheme in any case.
    link.settings.network = true;
    ASSERT_EQ(link.server.start(link.settings), QString());
    EXPECT_EQ(HttpGet(port, "/api/v1/weight").status, 401);
    EXPECT_EQ(HttpGet(port, "/api/v1/weight", {{"Authorization", "bearer " + link.settings.key.toStdString()}}).status, 200);
    EXPECT_EQ(HttpGet(port, "/api/v1/weight", {{"Authorization", "BEARER " + link.settings.key.toStdString()}}).status, 200);
    EXPECT_EQ(HttpGet(port, "/api/v1/weight", {{"Authorization", "Basic " + link.settings.key.toStdString()}}).status, 401);
}

TEST(LinkServer, EventsGoOutAtOnceUncompressedAndAStreamsPlaceIsFreedWhenItsClientLeaves)
{
    RunningLink link;
    ASSERT_EQ(link.problem, QString());
    const int port = link.settings.port;
    LinkWeight w;
    w.display = QStringLiteral("12.5");
    link.hub.publish(w, QDateTime::currentDateTime());

    // What Chromium asks for.
    const HttpHeaders browser{{"Accept", "text/event-stream"}, {"Accept-Encoding", "gzip, deflate, br, zstd"}};
    auto first = std::make_unique<EventStream>(port, "/api/v1/events", browser);
    ASSERT_TRUE(first->waitFor("\"display\":\"12.5\"", 20000)) << first->received();
    EXPECT_EQ(first->status(), 200);
    EXPECT_FALSE(first->answer().has("Content-Encoding"));
    link.hub.publishWeighing(R"({"number":1})");
    w.display = QStringLiteral("3.25");
    link.hub.publish(w, QDateTime::currentDateTime());
    ASSERT_TRUE(first->waitFor("\"display\":\"3.25\"", 20000)) << first->received();
    w.display = QStringLiteral("4");
    link.hub.publish(w, QDateTime::currentDateTime());
    ASSERT_TRUE(first->waitFor("\"display\":\"4\"", 20000)) << first->received();
    // Each weighing once, however often the stream is woken.
    const std::string got = first->received();
    EXPECT_EQ(got.find("event: weighing"), got.rfind("event: weighing")) << got;

    std::vector<std::unique_ptr<EventStream>> streams;
    for (int i = 1; i < LinkServer::MaxStreams; ++i)
        streams.push_back(std::make_unique<EventStream>(port));
    for (auto& stream : streams)
        ASSERT_TRUE(stream->waitFor("event: weight\n", 20000));
    {
        EventStream refused(port);
        ASSERT_TRUE(refused.waitFor("}", 20000));
        EXPECT_EQ(refused.status(), 503);
    }
    // A client that leaves gives its place back at once, not at the next
    // keep-alive written to it (15 s).
    first.reset();
    const QDeadlineTimer deadline(10000);
    bool reopened = false;
    while (!reopened && !deadline.hasExpired()) {
        EventStream again(port);
        reopened = again.waitFor("event: weight\n", 2000) && again.status() == 200;
    }
    EXPECT_TRUE(reopened);
}

// Connections that trickle their heads, as many as the service holds: each
// is ended when its time for a head is up, however it trickles, and a
// polite client waiting behind them is then served.
TEST(LinkServer, HeadsTricklingForeverAreEndedAndTheClientBehindThemServed)
{
    RunningLink link;
    ASSERT_EQ(link.problem, QString());
    const int port = link.settings.port;
    std::vector<std::unique_ptr<HttpProbe>> slow;
    for (unsigned i = 0; i < LinkServer::MaxConnections; ++i) {
        slow.push_back(std::make_unique<HttpProbe>(port));
        ASSERT_TRUE(slow.back()->send("G"));
    }
    HttpAnswer polite;
    std::thread asking([&] { polite = HttpGet(port, "/api/v1/weight"); });
    const QDeadlineTimer deadline(60000);
    std::size_t open = slow.size();
    while (open > 0 && !deadline.hasExpired()) {
        open = 0;
        for (auto& probe : slow)
            open += probe->send("E") && !probe->closedByServer(0) ? 1 : 0;
        QThread::msleep(500);
    }
    asking.join();
    EXPECT_EQ(open, 0u);
    EXPECT_EQ(polite.status, 200);
}

}  // namespace
