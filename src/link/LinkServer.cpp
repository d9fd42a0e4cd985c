#include "link/LinkServer.h"

#include "link/DayRange.h"
#include "link/LinkHub.h"
#include "link/ListenSocket.h"
#include "link/ServiceTurn.h"
#include "link/MhdApi.h"
#include "link/WeighingRows.h"
#include "link/WeighingsCsv.h"
#include "link/WeighingsJson.h"
#include "link/WeightJson.h"

#include <microhttpd.h>

#include <QDate>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto KeepAliveComment = std::chrono::seconds(15);
// A weighings answer beyond the ones being read waits this long for a turn.
constexpr auto RangeTurn = std::chrono::seconds(2);
// The service's thread looks after its connections at least this often:
// streams whose client left or whose keep-alive is due, heads too slow.
constexpr int TurnMs = 200;
// How long a port this server held a moment ago is tried again.
constexpr auto RebindFor = std::chrono::seconds(5);
constexpr auto RebindStep = std::chrono::milliseconds(100);
// Nothing is ever posted; a body up to this is read and dropped so that the
// refusal reaches the client (closing on unread bytes would reset the
// connection under the answer), a longer one ends the connection.
constexpr std::uint64_t MaxBody = 64 * 1024;

const char* const JsonType = "application/json; charset=utf-8";
const char* const Allow = "GET, HEAD, OPTIONS";

QByteArray ErrorJson(const QString& text)
{
    // Built as a JSON value, never by pasting: the text may echo a query.
    return QJsonDocument(QJsonObject{{QStringLiteral("error"), text}}).toJson(QJsonDocument::Compact);
}

// Equal length and bytes, in a time that depends on the length of the
// expected key only, so a remote guesser learns nothing from the timing.
bool SameKey(const std::string& given, const std::string& expected)
{
    unsigned char diff = given.size() == expected.size() ? 0 : 1;
    for (std::size_t i = 0; i < expected.size(); ++i)
        diff |= static_cast<unsigned char>(expected[i] ^ (i < given.size() ? given[i] : 0));
    return diff == 0 && !expected.empty();
}

// The token of "Bearer <token>"; the scheme's name in any case (RFC 7235).
std::string BearerToken(const char* header)
{
    if (!header)
        return {};
    std::string h(header);
    const std::size_t begin = h.find_first_not_of(' ');
    if (begin == std::string::npos || h.size() - begin < 7)
        return {};
    std::string scheme = h.substr(begin, 6);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return std::tolower(c); });
    if (scheme != "bearer" || h[begin + 6] != ' ')
        return {};
    const std::size_t token = h.find_first_not_of(' ', begin + 6);
    const std::size_t end = h.find_last_not_of(' ');
    return token == std::string::npos ? std::string() : h.substr(token, end - token + 1);
}

// The names this computer answers to from itself, with or without a port: a
// page of another site that got its name pointed at 127.0.0.1 (DNS
// rebinding) sends its own name, and reads nothing.
bool IsLocalHost(const char* header)
{
    std::string host(header);
    std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::size_t close = host.rfind(']');
    const std::size_t colon = host.rfind(':');
    if (colon != std::string::npos && (close == std::string::npos || colon > close)) {
        const std::string port = host.substr(colon + 1);
        if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); }))
            return false;
        host.resize(colon);
    }
    return host == "127.0.0.1" || host == "localhost" || host == "[::1]";
}

std::string Event(const char* name, const QByteArray& json)
{
    return std::string("event: ") + name + "\ndata: " + json.toStdString() + "\n\n";
}

struct Header {
    const char* name;
    std::string value;
};

// One client connection, from its accept to its close.
struct Peer {
    MHD_socket socket = MHD_INVALID_SOCKET;
    Clock::time_point since;  // when its current request began
    bool answered = false;    // the current request was read whole and answered
    bool cut = false;         // ended for a head too slow
};

Peer* PeerOf(const MhdApi& mhd, MHD_Connection* connection)
{
    const MHD_ConnectionInfo* info = mhd.get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<Peer*>(info->socket_context) : nullptr;
}

MHD_socket SocketOf(const MhdApi& mhd, MHD_Connection* connection)
{
    const MHD_ConnectionInfo* info = mhd.get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    return info ? info->connect_fd : MHD_INVALID_SOCKET;
}

}  // namespace

struct LinkServer::Running {
    // One request, from its head to its answer.
    struct Request {
        std::uint64_t body = 0;  // bytes read and dropped
        std::string origin;      // a listed origin, echoed to the browser
        // A weighings answer waiting for its turn.
        MHD_Connection* connection = nullptr;
        Clock::time_point waitingSince;
        DayRange range;
        bool csv = false;
        bool waiting = false;
        bool granted = false;  // a reading place is kept for it
        bool late = false;     // no place came in time
    };

    // An open event stream; lives as long as its answer.
    struct Stream {
        Running* running = nullptr;
        MHD_Connection* connection = nullptr;
        MHD_socket socket = MHD_INVALID_SOCKET;
        LinkHub::Cursor cursor;
        bool first = true;
        bool suspended = false;
        bool gone = false;  // the client left while nothing was being sent
        Clock::time_point lastSent;
        std::string pending;
    };

    // A weighings answer being sent, a day at a time.
    struct Range {
        Running* running = nullptr;
        QDate day, to;
        bool csv = false;
        bool anyRow = false;
        int unrecognised = 0;
        enum class Part { Head, Days, Tail, Done } part = Part::Head;
        QByteArray pending;
        qsizetype sent = 0;
    };

    Running(LinkServer& owner, const MhdApi& mhd, const LinkSettings& settings)
        : mhd(mhd), owner(owner), hub(owner.hub_), dataDir(owner.dataDir_), settings(settings), key(settings.key.toStdString())
    {
        for (const QString& o : settings.origins)
            origins.push_back(o.toStdString());
        QFile file(QStringLiteral(":/link/display.html"));
        if (file.open(QIODevice::ReadOnly))
            page = file.readAll();
    }

    bool startDaemon(MHD_socket socket);
    void run();
    void wakeStreams();
    void look();  // between turns of the event loop
    void finish();

    static MHD_Result Answer(void* cls, MHD_Connection* connection, const char* url, const char* method,
                             const char* version, const char* upload, std::size_t* uploadSize, void** context);
    static void Completed(void* cls, MHD_Connection* connection, void** context, MHD_RequestTerminationCode);
    static void Connected(void* cls, MHD_Connection* connection, void** context, MHD_ConnectionNotificationCode code);
    static ssize_t ReadStream(void* cls, std::uint64_t, char* buffer, std::size_t max);
    static void EndStream(void* cls);
    static ssize_t ReadRange(void* cls, std::uint64_t, char* buffer, std::size_t max);
    static void EndRange(void* cls);

    MHD_Result answer(MHD_Connection* c, const std::string& url, const std::string& method, Request& q);
    MHD_Result send(MHD_Connection* c, Request& q, unsigned status, const QByteArray& body, const char* type,
                    const std::vector<Header>& headers = {});
    MHD_Result refuse(MHD_Connection* c, Request& q, unsigned status, const QString& text,
                      const std::vector<Header>& headers = {});
    MHD_Result queue(MHD_Connection* c, Request& q, unsigned status, MHD_Response* response,
                     const std::vector<Header>& headers);
    MHD_Result startRange(MHD_Connection* c, Request& q);
    MHD_Result startStream(MHD_Connection* c, Request& q);

    const MhdApi& mhd;
    LinkServer& owner;
    LinkHub& hub;
    const QString dataDir;
    const LinkSettings settings;
    const std::string key;
    std::vector<std::string> origins;
    QByteArray page;

    MHD_Daemon* daemon = nullptr;
    std::thread thread;
    std::thread waker;
    std::atomic<bool> stopping{false};
    std::atomic<bool> ended{false};  // gave up, and told why
    Clock::time_point rebindUntil;  // set while a port of ours is tried again

    // The streams and which of them are set aside (Stream::suspended), for
    // the waking thread too; `closing` while the library is being stopped.
    std::mutex aside;
    std::set<Stream*> streams;
    bool closing = false;

    // The service's thread alone touches these.
    std::set<Peer*> peers;
    std::deque<Request*> waiting;
    int ranges = 0;
};

LinkServer::LinkServer(LinkHub& hub, QString dataDir) : hub_(hub), dataDir_(std::move(dataDir)) {}

LinkServer::~LinkServer()
{
    stop();
}

bool LinkServer::listening() const
{
    return running_ != nullptr && !running_->ended;
}

void LinkServer::tell(const QString& problem)
{
    std::lock_guard lock(problemMutex_);
    problem_ = problem;
}

QString LinkServer::takeProblem()
{
    std::lock_guard lock(problemMutex_);
    return std::exchange(problem_, QString());
}

namespace {

QString PortProblem(int port, const QString& reason)
{
    return QStringLiteral("Порт %1 занят другой программой или недоступен (%2): обмен данными не включён. "
                          "Выберите другой порт: Настройки → Обмен данными…")
        .arg(port)
        .arg(reason);
}

}  // namespace

QString LinkServer::start(const LinkSettings& settings)
{
    stop();
    if (!settings.enabled)
        return {};
    // The settings file refuses a short key; a caller must not get round it.
    if (settings.network && settings.key.size() < LinkKeyMinLength)
        return QStringLiteral("Для доступа из сети нужен ключ не короче %1 знаков: обмен данными не включён.")
            .arg(LinkKeyMinLength);
    QString missing;
    const MhdApi* mhd = Mhd(&missing);
    if (!mhd)
        return QStringLiteral("Обмен данными не включён: %1.").arg(missing);
    auto running = std::make_unique<Running>(*this, *mhd, settings);
    const ListenSocket listen = OpenListenSocket(settings.network, settings.port);
    if (listen.socket == MHD_INVALID_SOCKET) {
        if (!(listen.inUse && settings.port == heldPort_))
            return PortProblem(settings.port, listen.reason);
        running->rebindUntil = Clock::now() + RebindFor;
    } else if (!running->startDaemon(listen.socket)) {
        return QStringLiteral("Служба обмена данными не запустилась: обмен данными не включён.");
    }
    heldPort_ = settings.port;
    Running* r = running.get();
    r->thread = std::thread([r] { r->run(); });
    r->waker = std::thread([r] { r->wakeStreams(); });
    running_ = std::move(running);
    return {};
}

void LinkServer::stop()
{
    if (!running_)
        return;
    running_->stopping = true;
    hub_.wake();
    running_->waker.join();
    running_->thread.join();
    running_.reset();
}

bool LinkServer::Running::startDaemon(MHD_socket socket)
{
    // Driven from run() below, so that the loop's end is seen and the slow
    // heads are cut between its turns; the best poll of the platform
    // (epoll here, select with room for 2048 sockets on Windows).
    daemon = mhd.start_daemon(MHD_USE_AUTO | MHD_ALLOW_SUSPEND_RESUME, 0, nullptr, nullptr, &Answer, this,
                              MHD_OPTION_LISTEN_SOCKET, socket,
                              // Beyond it the listening socket is not read:
                              // newcomers wait in the system's queue.
                              MHD_OPTION_CONNECTION_LIMIT, MaxConnections,
                              MHD_OPTION_PER_IP_CONNECTION_LIMIT, settings.network ? MaxPerAddress : 0u,
                              // Holds the request's head; one that does not
                              // fit is answered 431 and the connection ended.
                              MHD_OPTION_CONNECTION_MEMORY_LIMIT, HeadBytes,
                              // Silence: an idle or stalled connection goes.
                              MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(HeadSeconds),
                              MHD_OPTION_NOTIFY_CONNECTION, &Connected, this,
                              MHD_OPTION_NOTIFY_COMPLETED, &Completed, this,
                              MHD_OPTION_END);
    if (!daemon) {
        CloseSocket(socket);
        return false;
    }
    std::lock_guard lock(aside);
    closing = false;
    return true;
}

// A stream set aside is taken up again the moment the window publishes news,
// from this thread: the service's own loop cannot be woken from outside but
// through the library's resume.
void LinkServer::Running::wakeStreams()
{
    quint64 seen = hub.changes();
    while (!stopping) {
        const quint64 now = hub.waitForChange(seen, std::chrono::seconds(1), [this] { return stopping.load(); });
        if (now == seen)
            continue;
        seen = now;
        std::lock_guard lock(aside);
        if (closing)
            continue;
        for (Stream* s : streams) {
            if (s->suspended) {
                s->suspended = false;
                mhd.resume_connection(s->connection);
            }
        }
    }
}

void LinkServer::Running::run()
{
    bool restarted = false;
    for (;;) {
        while (!daemon && !stopping) {
            const ListenSocket listen = OpenListenSocket(settings.network, settings.port);
            if (listen.socket != MHD_INVALID_SOCKET) {
                if (!startDaemon(listen.socket)) {
                    ended = true;
                    owner.tell(QStringLiteral("Служба обмена данными не запустилась: обмен данными выключен."));
                    return;
                }
            } else if (Clock::now() >= rebindUntil) {
                ended = true;
                owner.tell(PortProblem(settings.port, listen.reason));
                return;
            } else {
                std::this_thread::sleep_for(RebindStep);
            }
        }
        while (!stopping && TakeTurn(mhd, daemon, TurnMs, MaxConnections))
            look();
        finish();
        if (stopping)
            return;
        // The loop ended by itself: the listening socket or the system's
        // poll failed. Started again once; a second end is told.
        if (restarted) {
            ended = true;
            owner.tell(QStringLiteral("Служба обмена данными остановилась из-за ошибки системы: обмен данными "
                                      "выключен. Включите его снова: Настройки → Обмен данными…"));
            return;
        }
        restarted = true;
        rebindUntil = Clock::now() + RebindFor;
    }
}

void LinkServer::Running::finish()
{
    if (!daemon)
        return;
    // The library must not be stopped with connections set aside.
    {
        std::lock_guard lock(aside);
        closing = true;
        for (Stream* s : streams) {
            if (s->suspended) {
                s->suspended = false;
                mhd.resume_connection(s->connection);
            }
        }
    }
    for (Request* q : waiting)
        mhd.resume_connection(q->connection);
    waiting.clear();
    mhd.stop_daemon(daemon);
    daemon = nullptr;
}

void LinkServer::Running::look()
{
    const auto now = Clock::now();
    // A head must be whole within its time however slowly it trickles; the
    // library's own timeout counts silence only.
    for (Peer* p : peers) {
        if (!p->answered && !p->cut && now - p->since > std::chrono::seconds(HeadSeconds)) {
            ShutDownSocket(p->socket);
            p->cut = true;
        }
    }
    {
        std::lock_guard lock(aside);
        for (Stream* s : streams) {
            if (!s->suspended)
                continue;
            // A stream set aside is not read by the library, which would
            // hear of its client leaving only at the next keep-alive.
            s->gone = PeerClosed(s->socket);
            if (s->gone || now - s->lastSent >= KeepAliveComment) {
                s->suspended = false;
                mhd.resume_connection(s->connection);
            }
        }
    }
    while (ranges < MaxRangeReads && !waiting.empty()) {
        Request* q = waiting.front();
        waiting.pop_front();
        q->granted = true;
        ++ranges;
        mhd.resume_connection(q->connection);
    }
    while (!waiting.empty() && now - waiting.front()->waitingSince > RangeTurn) {
        Request* q = waiting.front();
        waiting.pop_front();
        q->late = true;
        mhd.resume_connection(q->connection);
    }
}

void LinkServer::Running::Connected(void* cls, MHD_Connection* connection, void** context,
                                    MHD_ConnectionNotificationCode code)
{
    auto* r = static_cast<Running*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        auto* p = new Peer{SocketOf(r->mhd, connection), Clock::now()};
        r->peers.insert(p);
        *context = p;
    } else if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
        // Before the library closes the socket: look() never shuts down a
        // descriptor that may already be another connection's.
        auto* p = static_cast<Peer*>(*context);
        r->peers.erase(p);
        delete p;
        *context = nullptr;
    }
}

void LinkServer::Running::Completed(void* cls, MHD_Connection* connection, void** context,
                                    MHD_RequestTerminationCode)
{
    auto* r = static_cast<Running*>(cls);
    auto* q = static_cast<Request*>(*context);
    if (q) {
        r->waiting.erase(std::remove(r->waiting.begin(), r->waiting.end(), q), r->waiting.end());
        if (q->granted)
            --r->ranges;  // a place kept for an answer that never began
        delete q;
        *context = nullptr;
    }
    // The next request on a kept connection has its own time for its head.
    if (Peer* p = PeerOf(r->mhd, connection)) {
        p->answered = false;
        p->since = Clock::now();
    }
}

MHD_Result LinkServer::Running::Answer(void* cls, MHD_Connection* connection, const char* url, const char* method,
                                       const char*, const char*, std::size_t* uploadSize, void** context)
{
    auto* r = static_cast<Running*>(cls);
    auto* q = static_cast<Request*>(*context);
    if (!q) {
        // The head is in; the answer comes once the body (if any) is read.
        *context = new Request;
        return MHD_YES;
    }
    if (*uploadSize != 0) {
        q->body += *uploadSize;
        *uploadSize = 0;
        if (q->body > MaxBody)
            return r->refuse(connection, *q, MHD_HTTP_CONTENT_TOO_LARGE, QStringLiteral("Слишком длинный запрос"));
        return MHD_YES;
    }
    return r->answer(connection, url, method, *q);
}

MHD_Result LinkServer::Running::queue(MHD_Connection* c, Request& q, unsigned status, MHD_Response* response,
                                      const std::vector<Header>& headers)
{
    if (!response)
        return MHD_NO;
    mhd.add_response_header(response, "Vary", "Origin");
    if (!q.origin.empty())
        mhd.add_response_header(response, "Access-Control-Allow-Origin", q.origin.c_str());
    for (const Header& h : headers)
        mhd.add_response_header(response, h.name, h.value.c_str());
    const MHD_Result queued = mhd.queue_response(c, status, response);
    mhd.destroy_response(response);
    if (Peer* p = PeerOf(mhd, c))
        p->answered = true;
    return queued;
}

MHD_Result LinkServer::Running::send(MHD_Connection* c, Request& q, unsigned status, const QByteArray& body,
                                     const char* type, const std::vector<Header>& headers)
{
    MHD_Response* response = mhd.create_response_from_buffer(static_cast<std::size_t>(body.size()),
                                                              const_cast<char*>(body.constData()),
                                                              MHD_RESPMEM_MUST_COPY);
    if (response && type)
        mhd.add_response_header(response, "Content-Type", type);
    return queue(c, q, status, response, headers);
}

MHD_Result LinkServer::Running::refuse(MHD_Connection* c, Request& q, unsigned status, const QString& text,
                                       const std::vector<Header>& headers)
{
    return send(c, q, status, ErrorJson(text), JsonType, headers);
}

namespace {

std::string Lookup(const MhdApi& mhd, MHD_Connection* c, MHD_ValueKind kind, const char* name)
{
    const char* value = mhd.lookup_connection_value(c, kind, name);
    return value ? std::string(value) : std::string();
}

MHD_Result CollectName(void* cls, MHD_ValueKind, const char* key, const char*)
{
    static_cast<QStringList*>(cls)->append(QString::fromUtf8(key));
    return MHD_YES;
}

}  // namespace

MHD_Result LinkServer::Running::answer(MHD_Connection* c, const std::string& url, const std::string& method,
                                       Request& q)
{
    if (q.late) {
        return refuse(c, q, MHD_HTTP_SERVICE_UNAVAILABLE,
                      QStringLiteral("Сервер занят чтением журналов, повторите позже"), {{"Retry-After", "5"}});
    }
    if (q.granted)
        return startRange(c, q);

    if (mhd.get_connection_values(c, MHD_HEADER_KIND, nullptr, nullptr) > MaxHeaderLines)
        return refuse(c, q, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE, QStringLiteral("Слишком много заголовков в запросе"));
    const char* host = mhd.lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_HOST);
    if (!settings.network && host && !IsLocalHost(host)) {
        return refuse(c, q, MHD_HTTP_MISDIRECTED_REQUEST,
                      QStringLiteral("Обмен данными отвечает только по адресу 127.0.0.1 или localhost, "
                                     "а не «%1».")
                          .arg(QString::fromUtf8(host).left(80)));
    }
    const std::string origin = Lookup(mhd, c, MHD_HEADER_KIND, MHD_HTTP_HEADER_ORIGIN);
    const bool listed = !origin.empty() && std::find(origins.begin(), origins.end(), origin) != origins.end();
    // The display page's own requests, where a browser names its origin.
    const bool own = !origin.empty() && host && origin == std::string("http://") + host;
    if (listed)
        q.origin = origin;

    const std::vector<Header> allow{{"Allow", Allow}};
    if (method == MHD_HTTP_METHOD_OPTIONS) {
        // A browser's preflight carries no key; it learns only whether the
        // origin may read.
        std::vector<Header> headers = allow;
        if (listed) {
            headers.push_back({"Access-Control-Allow-Methods", Allow});
            headers.push_back({"Access-Control-Allow-Headers", "Authorization"});
            headers.push_back({"Access-Control-Max-Age", "600"});
        }
        return send(c, q, MHD_HTTP_NO_CONTENT, {}, nullptr, headers);
    }
    if (method != MHD_HTTP_METHOD_GET && method != MHD_HTTP_METHOD_HEAD)
        return refuse(c, q, MHD_HTTP_METHOD_NOT_ALLOWED, QStringLiteral("Разрешено только чтение (GET)"), allow);
    // Before any file is read: a page of another site would make the terminal
    // do the work even though its browser throws the answer away.
    if (!origin.empty() && !listed && !own) {
        return refuse(c, q, MHD_HTTP_FORBIDDEN,
                      QStringLiteral("Веб-источнику «%1» чтение не разрешено (Настройки → Обмен данными…, "
                                     "«Разрешённые веб-источники»).")
                          .arg(QString::fromUtf8(origin.c_str()).left(80)));
    }
    if (settings.network) {
        const char* auth = mhd.lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_AUTHORIZATION);
        const std::string given = auth ? BearerToken(auth) : Lookup(mhd, c, MHD_GET_ARGUMENT_KIND, "key");
        if (!SameKey(given, key))
            return refuse(c, q, MHD_HTTP_UNAUTHORIZED, QStringLiteral("Нужен ключ доступа"), {{"WWW-Authenticate", "Bearer"}});
    }

    enum class Route { Page, Weight, Weighings, Csv, Events, None };
    const Route route = url == "/"                        ? Route::Page
                        : url == "/api/v1/weight"         ? Route::Weight
                        : url == "/api/v1/weighings"      ? Route::Weighings
                        : url == "/api/v1/weighings.csv"  ? Route::Csv
                        : url == "/api/v1/events"         ? Route::Events
                                                          : Route::None;
    if (route == Route::None)
        return refuse(c, q, MHD_HTTP_NOT_FOUND, QStringLiteral("Нет такого адреса"));

    // A parameter this address does not know is a mistake of the asker,
    // said rather than ignored (?date= would silently give today).
    QStringList known{QStringLiteral("key")};
    if (route == Route::Weighings || route == Route::Csv)
        known << QStringLiteral("from") << QStringLiteral("to");
    QStringList given;
    mhd.get_connection_values(c, MHD_GET_ARGUMENT_KIND, &CollectName, &given);
    QStringList unknown;
    for (const QString& name : given) {
        if (!known.contains(name) && !unknown.contains(name))
            unknown << name.left(40);
    }
    if (!unknown.isEmpty()) {
        return refuse(c, q, MHD_HTTP_BAD_REQUEST,
                      QStringLiteral("Неизвестные параметры запроса: %1. Здесь понимаются: %2.")
                          .arg(unknown.join(QStringLiteral(", ")), known.join(QStringLiteral(", "))));
    }

    switch (route) {
    case Route::Page:
        if (page.isEmpty())
            return refuse(c, q, MHD_HTTP_INTERNAL_SERVER_ERROR, QStringLiteral("Страница не найдена в программе"));
        return send(c, q, MHD_HTTP_OK, page, "text/html; charset=utf-8", {{"Cache-Control", "no-cache"}});
    case Route::Weight:
        return send(c, q, MHD_HTTP_OK, WeightJson(*hub.snapshot()), JsonType, {{"Cache-Control", "no-store"}});
    case Route::Events:
        return startStream(c, q);
    case Route::Weighings:
    case Route::Csv:
        break;
    case Route::None:
        return MHD_NO;
    }

    const char* from = mhd.lookup_connection_value(c, MHD_GET_ARGUMENT_KIND, "from");
    const char* to = mhd.lookup_connection_value(c, MHD_GET_ARGUMENT_KIND, "to");
    q.range = ParseDayRange(from ? QString::fromUtf8(from) : QString(), to ? QString::fromUtf8(to) : QString(),
                            QDate::currentDate());
    if (!q.range.error.isEmpty())
        return refuse(c, q, MHD_HTTP_BAD_REQUEST, q.range.error);
    const QStringList problems = UnopenableDays(dataDir, q.range.from, q.range.to);
    if (!problems.isEmpty())
        return refuse(c, q, MHD_HTTP_INTERNAL_SERVER_ERROR, problems.join(QStringLiteral("; ")));
    q.csv = route == Route::Csv;
    if (ranges < MaxRangeReads) {
        ++ranges;
        q.granted = true;
        return startRange(c, q);
    }
    // Set aside until a place is free or its turn has passed (look()).
    q.connection = c;
    q.waiting = true;
    q.waitingSince = Clock::now();
    waiting.push_back(&q);
    mhd.suspend_connection(c);
    if (Peer* p = PeerOf(mhd, c))
        p->answered = true;
    return MHD_YES;
}

MHD_Result LinkServer::Running::startRange(MHD_Connection* c, Request& q)
{
    auto* g = new Range;
    g->running = this;
    g->day = q.range.from;
    g->to = q.range.to;
    g->csv = q.csv;
    MHD_Response* response = mhd.create_response_from_callback(MHD_SIZE_UNKNOWN, 16 * 1024, &ReadRange, g, &EndRange);
    if (!response) {
        delete g;
        return MHD_NO;
    }
    q.granted = false;  // the answer holds the place now, and gives it back at its end
    mhd.add_response_header(response, "Content-Type", q.csv ? "text/csv; charset=utf-8" : JsonType);
    std::vector<Header> headers{{"Cache-Control", "no-store"}};
    if (q.csv) {
        // Named as "Экспорт…" names the same days; the plain name is for
        // programs that do not read filename* (RFC 6266).
        const QString name = WeighingsCsvFileName(q.range.from, q.range.to);
        const QString plain = QStringLiteral("weighings %1").arg(name.section(u' ', 1));
        headers.push_back({"Content-Disposition", "attachment; filename=\"" + plain.toStdString() +
                                                      "\"; filename*=UTF-8''" +
                                                      QUrl::toPercentEncoding(name, "!#$&+^`|").toStdString()});
    }
    return queue(c, q, MHD_HTTP_OK, response, headers);
}

ssize_t LinkServer::Running::ReadRange(void* cls, std::uint64_t, char* buffer, std::size_t max)
{
    auto* g = static_cast<Range*>(cls);
    while (g->sent == g->pending.size()) {
        g->pending.clear();
        g->sent = 0;
        switch (g->part) {
        case Range::Part::Head:
            g->pending = g->csv ? WeighingsCsvHead() : WeighingsJsonHead();
            g->part = Range::Part::Days;
            break;
        case Range::Part::Days: {
            if (g->day > g->to) {
                g->part = Range::Part::Tail;
                break;
            }
            // One day's rows at a time: a year of full days never sits in
            // memory whole.
            const WeighingRows rows = ReadWeighingRows(g->running->dataDir, g->day, g->day);
            g->day = g->day.addDays(1);
            // Cut short, the chunked answer reaches the client incomplete,
            // never as a shorter list that looks whole.
            if (!rows.problems.isEmpty())
                return MHD_CONTENT_READER_END_WITH_ERROR;
            g->unrecognised += rows.unrecognised;
            g->pending = g->csv ? WeighingsCsvLines(rows.rows) : WeighingsJsonRows(rows.rows, !g->anyRow);
            g->anyRow = g->anyRow || !rows.rows.isEmpty();
            // A day without rows gives nothing; the next is read at once.
            break;
        }
        case Range::Part::Tail:
            if (!g->csv)
                g->pending = WeighingsJsonTail(g->unrecognised);
            g->part = Range::Part::Done;
            break;
        case Range::Part::Done:
            return MHD_CONTENT_READER_END_OF_STREAM;
        }
    }
    const std::size_t n = std::min(max, static_cast<std::size_t>(g->pending.size() - g->sent));
    std::memcpy(buffer, g->pending.constData() + g->sent, n);
    g->sent += static_cast<qsizetype>(n);
    return static_cast<ssize_t>(n);
}

void LinkServer::Running::EndRange(void* cls)
{
    auto* g = static_cast<Range*>(cls);
    --g->running->ranges;
    delete g;
}

MHD_Result LinkServer::Running::startStream(MHD_Connection* c, Request& q)
{
    std::unique_lock lock(aside);
    if (static_cast<int>(streams.size()) >= MaxStreams) {
        lock.unlock();
        return refuse(c, q, MHD_HTTP_SERVICE_UNAVAILABLE, QStringLiteral("Слишком много потоков событий, повторите позже"),
                      {{"Retry-After", "5"}});
    }
    auto* s = new Stream;
    s->running = this;
    s->connection = c;
    s->socket = SocketOf(mhd, c);
    s->cursor = hub.cursor();
    s->lastSent = Clock::now();
    MHD_Response* response = mhd.create_response_from_callback(MHD_SIZE_UNKNOWN, 4096, &ReadStream, s, &EndStream);
    if (!response) {
        delete s;
        return MHD_NO;
    }
    streams.insert(s);
    lock.unlock();
    // Never compressed (the library compresses nothing) and sent as each
    // event is made: a browser asking for gzip still gets every event at once.
    mhd.add_response_header(response, "Content-Type", "text/event-stream; charset=utf-8");
    return queue(c, q, MHD_HTTP_OK, response, {{"Cache-Control", "no-store"}, {"X-Accel-Buffering", "no"}});
}

ssize_t LinkServer::Running::ReadStream(void* cls, std::uint64_t, char* buffer, std::size_t max)
{
    auto* s = static_cast<Stream*>(cls);
    Running* r = s->running;
    // Taken before the hub is read: news published after this is seen by
    // the waking thread, which then finds the stream set aside.
    std::lock_guard lock(r->aside);
    if (s->gone)
        return MHD_CONTENT_READER_END_WITH_ERROR;
    if (r->stopping)
        return MHD_CONTENT_READER_END_OF_STREAM;
    if (s->pending.empty()) {
        if (s->first) {
            s->first = false;
            // The page reconnects by itself after this many ms.
            s->pending = "retry: 2000\n" + Event("weight", WeightJson(*r->hub.snapshot()));
        } else {
            const LinkHub::News news = r->hub.take(s->cursor);
            for (const QByteArray& w : news.weighings)
                s->pending += Event("weighing", w);
            if (news.weight)
                s->pending += Event("weight", WeightJson(*news.weight));
            if (s->pending.empty() && Clock::now() - s->lastSent >= KeepAliveComment)
                s->pending = ": keep-alive\n\n";
        }
    }
    if (s->pending.empty()) {
        // Nothing to say: set aside until look() finds news, the client
        // gone, or a keep-alive due.
        s->suspended = true;
        r->mhd.suspend_connection(s->connection);
        return 0;
    }
    const std::size_t n = std::min(max, s->pending.size());
    std::memcpy(buffer, s->pending.data(), n);
    s->pending.erase(0, n);
    s->lastSent = Clock::now();
    return static_cast<ssize_t>(n);
}

void LinkServer::Running::EndStream(void* cls)
{
    auto* s = static_cast<Stream*>(cls);
    {
        std::lock_guard lock(s->running->aside);
        s->running->streams.erase(s);
    }
    delete s;
}
