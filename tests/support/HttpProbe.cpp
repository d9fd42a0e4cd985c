#include "support/HttpProbe.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketType = SOCKET;
#define POLL WSAPoll
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketType = int;
#define POLL ::poll
#endif

namespace {

constexpr SocketType NoSocket = static_cast<SocketType>(-1);

SocketType Native(std::uintptr_t s)
{
    return static_cast<SocketType>(s);
}

void CloseNative(SocketType s)
{
#ifdef _WIN32
    closesocket(s);
#else
    ::close(s);
#endif
}

bool Ready()
{
#ifdef _WIN32
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
#else
    return true;
#endif
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

}  // namespace

std::string HttpAnswer::header(const std::string& name) const
{
    const auto it = headers.find(Lower(name));
    return it == headers.end() ? std::string() : it->second;
}

bool HttpAnswer::has(const std::string& name) const
{
    return headers.count(Lower(name)) != 0;
}

HttpProbe::HttpProbe(int port, const char* address) : socket_(static_cast<std::uintptr_t>(NoSocket))
{
    if (!Ready())
        return;
    const SocketType s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == NoSocket)
        return;
    socket_ = static_cast<std::uintptr_t>(s);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<unsigned short>(port));
    inet_pton(AF_INET, address, &to.sin_addr);
    int yes = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes), sizeof yes);
    // From the address asked for too: the system would send from 127.0.0.1
    // to any loopback address, and the server count it as that client.
    sockaddr_in from = to;
    from.sin_port = 0;
    if (::bind(s, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0)
        return;
    connected_ = ::connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
}

HttpProbe::~HttpProbe()
{
    close();
}

bool HttpProbe::connected() const
{
    return connected_;
}

void HttpProbe::close()
{
    if (Native(socket_) != NoSocket)
        CloseNative(Native(socket_));
    socket_ = static_cast<std::uintptr_t>(NoSocket);
    connected_ = false;
}

bool HttpProbe::send(const std::string& bytes)
{
    std::size_t done = 0;
    while (connected_ && done < bytes.size()) {
#ifdef _WIN32
        const int n = ::send(Native(socket_), bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
#else
        const ssize_t n = ::send(Native(socket_), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
#endif
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return connected_;
}

void HttpProbe::request(const std::string& method, const std::string& target, const HttpHeaders& headers,
                        const std::string& body)
{
    std::string text = method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    bool host = false;
    for (const auto& [name, value] : headers)
        host = host || Lower(name) == "host";
    if (host)
        text = method + ' ' + target + " HTTP/1.1\r\n";
    for (const auto& [name, value] : headers)
        text += name + ": " + value + "\r\n";
    if (!body.empty() || method == "POST" || method == "PUT" || method == "PATCH")
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    send(text + "\r\n" + body);
}

bool HttpProbe::fill(int ms)
{
    if (!connected_)
        return false;
#ifdef _WIN32
    WSAPOLLFD p{};
    p.fd = Native(socket_);
    p.events = POLLRDNORM;
#else
    pollfd p{};
    p.fd = Native(socket_);
    p.events = POLLIN;
#endif
    if (POLL(&p, 1, ms) <= 0)
        return false;
    char chunk[16384];
#ifdef _WIN32
    const int n = ::recv(Native(socket_), chunk, static_cast<int>(sizeof chunk), 0);
#else
    const ssize_t n = ::recv(Native(socket_), chunk, sizeof chunk, 0);
#endif
    if (n <= 0) {
        connected_ = false;
        return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
}

HttpAnswer HttpProbe::head(int ms)
{
    HttpAnswer a;
    std::size_t end;
    while ((end = buffer_.find("\r\n\r\n")) == std::string::npos) {
        if (!fill(ms))
            return a;
    }
    const std::string text = buffer_.substr(0, end);
    buffer_.erase(0, end + 4);
    std::size_t line = text.find("\r\n");
    const std::string status = text.substr(0, line);
    if (status.rfind("HTTP/1.", 0) != 0 || status.size() < 12)
        return a;
    a.status = std::atoi(status.c_str() + 9);
    while (line != std::string::npos) {
        const std::size_t next = text.find("\r\n", line + 2);
        const std::string h = text.substr(line + 2, next == std::string::npos ? std::string::npos : next - line - 2);
        const std::size_t colon = h.find(':');
        if (colon != std::string::npos) {
            std::string value = h.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            a.headers[Lower(h.substr(0, colon))] = value;
        }
        line = next;
    }
    inChunk_ = false;
    left_ = 0;
    if (Lower(a.header("transfer-encoding")).find("chunked") != std::string::npos) {
        framing_ = Framing::Chunked;
    } else if (a.has("content-length")) {
        framing_ = Framing::Length;
        left_ = std::strtoull(a.header("content-length").c_str(), nullptr, 10);
    } else {
        framing_ = Framing::Close;
    }
    return a;
}

// Moves what is whole of the body from buffer_ to `into`; `ended` once the
// framing says the body is complete.
bool HttpProbe::decode(std::string& into, bool& ended)
{
    ended = false;
    switch (framing_) {
    case Framing::Length: {
        const std::size_t n = std::min(left_, buffer_.size());
        into.append(buffer_, 0, n);
        buffer_.erase(0, n);
        left_ -= n;
        ended = left_ == 0;
        return true;
    }
    case Framing::Close:
        into += buffer_;
        buffer_.clear();
        return true;
    case Framing::Chunked:
        for (;;) {
            if (inChunk_) {
                const std::size_t n = std::min(left_, buffer_.size());
                into.append(buffer_, 0, n);
                buffer_.erase(0, n);
                left_ -= n;
                if (left_ > 0 || buffer_.size() < 2)
                    return true;
                buffer_.erase(0, 2);  // the chunk's CR LF
                inChunk_ = false;
            }
            const std::size_t eol = buffer_.find("\r\n");
            if (eol == std::string::npos)
                return true;
            left_ = std::strtoull(buffer_.c_str(), nullptr, 16);
            buffer_.erase(0, eol + 2);
            if (left_ == 0) {
                // The last chunk, then the (empty) trailer's CR LF.
                ended = true;
                if (buffer_.rfind("\r\n", 0) == 0)
                    buffer_.erase(0, 2);
                return true;
            }
            inChunk_ = true;
        }
    }
    return true;
}

HttpAnswer HttpProbe::answer(bool headOnly, int ms)
{
    HttpAnswer a = head(ms);
    if (a.status == 0)
        return a;
    if (headOnly || a.status == 204 || a.status == 304 || (framing_ == Framing::Length && left_ == 0)) {
        a.complete = true;
        return a;
    }
    for (;;) {
        bool ended = false;
        decode(a.body, ended);
        if (ended) {
            a.complete = true;
            return a;
        }
        if (!fill(ms)) {
            a.complete = framing_ == Framing::Close && !connected_;
            return a;
        }
    }
}

bool HttpProbe::receive(std::string& into, int ms)
{
    bool ended = false;
    decode(into, ended);
    if (ended)
        return false;
    if (!fill(ms))
        return connected_;
    decode(into, ended);
    return !ended;
}

bool HttpProbe::closedByServer(int ms)
{
    using Steady = std::chrono::steady_clock;
    const auto until = Steady::now() + std::chrono::milliseconds(ms);
    do {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Steady::now()).count();
        fill(static_cast<int>(std::max<long long>(left, 0)));
        buffer_.clear();
    } while (connected_ && Steady::now() < until);
    return !connected_;
}

HttpAnswer HttpRequest(int port, const std::string& method, const std::string& target, const HttpHeaders& headers,
                       const std::string& body, const char* address)
{
    HttpProbe probe(port, address);
    if (!probe.connected())
        return {};
    HttpHeaders all = headers;
    all.emplace_back("Connection", "close");
    probe.request(method, target, all, body);
    return probe.answer(method == "HEAD");
}

std::size_t FloodHeaderLines(int port, std::size_t bytes, const std::atomic<bool>& stop)
{
    HttpProbe flood(port);
    flood.send("GET /api/v1/weight HTTP/1.1\r\nHost: 127.0.0.1\r\n");
    std::string lines;
    for (int i = 0; i < 4096; ++i)
        lines += "X-a: b\r\n";
    std::size_t sent = 0;
    while (!stop && sent < bytes && flood.send(lines))
        sent += lines.size();
    return sent;
}

int FreeLoopbackPort()
{
    if (!Ready())
        return 0;
    const SocketType s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    CloseNative(s);
    return port;
}
