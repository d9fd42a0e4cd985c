#include "link/LinkServer.h"

#include "link/ConnectionQueue.h"
#include "link/DayRange.h"
#include "link/LinkHub.h"
#include "link/WeighingRows.h"
#include "link/WeighingsCsv.h"
#include "link/WeighingsJson.h"
#include "link/WeightJson.h"

#include <httplib.h>

#include <QDate>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr std::size_t MaxConnections = 32;  // served at once, each on its own thread
constexpr int MaxStreams = 16;
constexpr auto KeepAliveComment = std::chrono::seconds(15);
const char* const JsonType = "application/json; charset=utf-8";

void SetError(httplib::Response& res, int status, const QString& text)
{
    res.status = status;
    QJsonObject o;
    o.insert(QStringLiteral("error"), text);
    res.set_content(QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString(), JsonType);
}

QString StatusText(int status)
{
    switch (status) {
    case 400: return QStringLiteral("Неверный запрос");
    case 401: return QStringLiteral("Нужен ключ доступа");
    case 404: return QStringLiteral("Нет такого адреса");
    case 405: return QStringLiteral("Разрешено только чтение (GET)");
    case 413:
    case 414:
    case 431: return QStringLiteral("Слишком длинный запрос");
    case 503: return QStringLiteral("Сервер занят, повторите позже");
    default: return QStringLiteral("Ошибка сервера");
    }
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

std::string Event(const char* name, const QByteArray& json)
{
    return std::string("event: ") + name + "\ndata: " + json.toStdString() + "\n\n";
}

// A port held by another program must be refused, not shared: the library's
// own options ask for SO_REUSEPORT (Linux) and SO_REUSEADDR (Windows), under
// which a second listener could take the same port silently.
void ExclusivePort(socket_t sock)
{
    int yes = 1;
#ifdef _WIN32
    setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof(yes));
#else
    // Only lets a restart reuse the port past its TIME_WAIT connections.
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
#endif
}

// Room for a burst of new connections (a page opening, clients reconnecting
// together). The library listens with a backlog of 5, fixed when Debian
// compiled it; a sixth connection arriving before the accepting thread runs
// has its SYN dropped and waits a second for the retry. Listening again
// with a larger backlog raises it on Linux; Windows keeps the first value,
// so its build sets the library's own macro instead.
void WidenBacklog(socket_t sock)
{
    ::listen(sock, 128);
}

}  // namespace

struct LinkServer::Running {
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> finished{false};
    std::atomic<bool> stopping{false};
    std::atomic<int> streams{0};
    socket_t listening = INVALID_SOCKET;
};

LinkServer::LinkServer(LinkHub& hub, QString dataDir) : hub_(hub), dataDir_(std::move(dataDir)) {}

LinkServer::~LinkServer()
{
    stop();
}

bool LinkServer::listening() const
{
    return running_ != nullptr;
}

QString LinkServer::start(const LinkSettings& settings)
{
    stop();
    if (!settings.enabled)
        return {};
    auto running = std::make_unique<Running>();
    Running* r = running.get();
    httplib::Server& svr = r->server;

    svr.new_task_queue = [] { return new ConnectionQueue(MaxConnections); };
    svr.set_socket_options([r](socket_t sock) {
        ExclusivePort(sock);
        r->listening = sock;
    });
    // A response goes out in two writes (head, body): without this the body
    // waits for the client's delayed acknowledgement, some 40 ms a request.
    svr.set_tcp_nodelay(true);
    // A slow or stalled client is given up after these; nothing of the
    // terminal waits for it meanwhile.
    svr.set_read_timeout(3, 0);
    svr.set_write_timeout(3, 0);
    svr.set_keep_alive_timeout(2);
    // A program polling the weight keeps its connection (the library's
    // default closes it every 5 requests); idle ones still go after 2 s.
    svr.set_keep_alive_max_count(1000);
    svr.set_payload_max_length(4096);  // nothing is ever posted

    const std::string key = settings.key.toStdString();
    const bool network = settings.network;
    std::vector<std::string> origins;
    for (const QString& o : settings.origins)
        origins.push_back(o.toStdString());

    svr.set_pre_routing_handler([=](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Vary", "Origin");
        if (IsRefusedConnection()) {
            res.set_header("Retry-After", "5");
            res.set_header("Connection", "close");
            SetError(res, 503, QStringLiteral("Слишком много соединений, повторите позже"));
            return httplib::Server::HandlerResponse::Handled;
        }
        const std::string origin = req.get_header_value("Origin");
        const bool allowedOrigin = std::find(origins.begin(), origins.end(), origin) != origins.end();
        if (allowedOrigin)
            res.set_header("Access-Control-Allow-Origin", origin);
        if (req.method == "OPTIONS") {
            // A browser's preflight carries no key; it learns only whether
            // the origin may read.
            res.status = 204;
            res.set_header("Allow", "GET, HEAD, OPTIONS");
            if (allowedOrigin) {
                res.set_header("Access-Control-Allow-Methods", "GET, HEAD, OPTIONS");
                res.set_header("Access-Control-Allow-Headers", "Authorization");
                res.set_header("Access-Control-Max-Age", "600");
            }
            return httplib::Server::HandlerResponse::Handled;
        }
        if (req.method != "GET" && req.method != "HEAD") {
            res.set_header("Allow", "GET, HEAD, OPTIONS");
            // The body, if any, is not read: the connection ends here.
            res.set_header("Connection", "close");
            SetError(res, 405, StatusText(405));
            return httplib::Server::HandlerResponse::Handled;
        }
        if (network) {
            std::string given;
            const std::string auth = req.get_header_value("Authorization");
            if (auth.rfind("Bearer ", 0) == 0)
                given = auth.substr(7);
            else
                given = req.get_param_value("key");
            if (!SameKey(given, key)) {
                res.set_header("WWW-Authenticate", "Bearer");
                SetError(res, 401, StatusText(401));
                return httplib::Server::HandlerResponse::Handled;
            }
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    svr.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        SetError(res, res.status, StatusText(res.status));
        return httplib::Server::HandlerResponse::Handled;
    }));
    svr.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        SetError(res, 500, StatusText(500));
    });

    svr.Get("/", [](const httplib::Request&, httplib::Response& res) {
        QFile page(QStringLiteral(":/link/display.html"));
        if (!page.open(QIODevice::ReadOnly)) {
            SetError(res, 500, QStringLiteral("Страница не найдена в программе"));
            return;
        }
        res.set_header("Cache-Control", "no-cache");
        res.set_content(page.readAll().toStdString(), "text/html; charset=utf-8");
    });

    svr.Get("/api/v1/weight", [this](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_content(WeightJson(*hub_.snapshot()).toStdString(), JsonType);
    });

    const QString dataDir = dataDir_;
    const auto weighings = [dataDir](const httplib::Request& req, httplib::Response& res, bool csv) {
        const DayRange range = ParseDayRange(QString::fromStdString(req.get_param_value("from")),
                                             QString::fromStdString(req.get_param_value("to")), QDate::currentDate());
        if (!range.error.isEmpty()) {
            SetError(res, 400, range.error);
            return;
        }
        const WeighingRows rows = ReadWeighingRows(dataDir, range.from, range.to);
        if (!rows.problems.isEmpty()) {
            SetError(res, 500, rows.problems.join(QStringLiteral("; ")));
            return;
        }
        res.set_header("Cache-Control", "no-store");
        if (!csv) {
            res.set_content(WeighingsJson(rows).toStdString(), JsonType);
            return;
        }
        const QString name = QStringLiteral("weighings-%1-%2.csv")
                                 .arg(range.from.toString(Qt::ISODate), range.to.toString(Qt::ISODate));
        res.set_header("Content-Disposition", "attachment; filename=\"" + name.toStdString() + "\"");
        res.set_content(WeighingsCsv(rows.rows).toStdString(), "text/csv; charset=utf-8");
    };
    svr.Get("/api/v1/weighings", [weighings](const httplib::Request& req, httplib::Response& res) {
        weighings(req, res, false);
    });
    svr.Get("/api/v1/weighings.csv", [weighings](const httplib::Request& req, httplib::Response& res) {
        weighings(req, res, true);
    });

    svr.Get("/api/v1/events", [this, r](const httplib::Request&, httplib::Response& res) {
        if (r->streams.fetch_add(1) >= MaxStreams) {
            r->streams.fetch_sub(1);
            res.set_header("Retry-After", "5");
            SetError(res, 503, QStringLiteral("Слишком много потоков событий, повторите позже"));
            return;
        }
        auto cursor = std::make_shared<LinkHub::Cursor>(hub_.cursor());
        auto first = std::make_shared<bool>(true);
        res.set_header("Cache-Control", "no-store");
        res.set_header("X-Accel-Buffering", "no");
        res.set_chunked_content_provider(
            "text/event-stream; charset=utf-8",
            [this, r, cursor, first](std::size_t, httplib::DataSink& sink) {
                std::string out;
                if (r->stopping) {
                    sink.done();
                    return true;
                }
                if (*first) {
                    *first = false;
                    // The page reconnects by itself after this many ms.
                    out = "retry: 2000\n" + Event("weight", WeightJson(*hub_.snapshot()));
                } else {
                    const LinkHub::News news = hub_.wait(*cursor, KeepAliveComment);
                    if (news.ended) {
                        sink.done();
                        return true;
                    }
                    for (const QByteArray& w : news.weighings)
                        out += Event("weighing", w);
                    if (news.weight)
                        out += Event("weight", WeightJson(*news.weight));
                    if (out.empty())
                        out = ": keep-alive\n\n";
                }
                return sink.write(out.data(), out.size());
            },
            [r](bool) { r->streams.fetch_sub(1); });
    });

    const std::string host = network ? "0.0.0.0" : "127.0.0.1";
    if (!svr.bind_to_port(host, settings.port)) {
        return QStringLiteral("Порт %1 занят другой программой или недоступен: обмен данными не включён. "
                              "Выберите другой порт: Настройки → Обмен данными…")
            .arg(settings.port);
    }
    WidenBacklog(r->listening);
    r->thread = std::thread([r] {
        r->server.listen_after_bind();
        r->finished = true;
    });
    // The library ignores stop() until its loop runs.
    while (!svr.is_running() && !r->finished)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    running_ = std::move(running);
    return {};
}

void LinkServer::stop()
{
    if (!running_)
        return;
    running_->stopping = true;
    running_->server.stop();
    hub_.endStreams();
    running_->thread.join();
    running_.reset();
}
