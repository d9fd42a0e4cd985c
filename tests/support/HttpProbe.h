#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A plain HTTP/1.1 client on a socket of its own, talking to the office link
// as another program or an attacker would: whole requests or raw bytes, and
// answers read by their length, their chunks or to the close. Loopback only.

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpAnswer {
    int status = 0;  // 0: no answer (refused, closed, or nothing in time)
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;                            // chunks joined
    bool complete = false;                       // the body ended as its framing says

    std::string header(const std::string& name) const;
    bool has(const std::string& name) const;
};

class HttpProbe {
public:
    // Connects from and to `address`, a loopback one.
    explicit HttpProbe(int port, const char* address = "127.0.0.1");
    ~HttpProbe();
    HttpProbe(const HttpProbe&) = delete;
    HttpProbe& operator=(const HttpProbe&) = delete;

    bool connected() const;
    // All the bytes, or false once the server closed or reset.
    bool send(const std::string& bytes);
    void request(const std::string& method, const std::string& target, const HttpHeaders& headers = {},
                 const std::string& body = {});
    // One answer, waiting at most `ms` between pieces (an answer to HEAD has
    // no body whatever its length says).
    HttpAnswer answer(bool head = false, int ms = 30000);
    // The head of an answer, then its body as it comes, for a stream:
    // receive() appends what arrives within `ms` and is false once the
    // stream ended.
    HttpAnswer head(int ms = 30000);
    bool receive(std::string& into, int ms);
    // True once the server closed the connection (a read gives its end or a
    // reset) within `ms`.
    bool closedByServer(int ms);
    void close();

private:
    bool fill(int ms);  // more bytes into buffer_; false on close or silence
    bool decode(std::string& into, bool& ended);

    std::uintptr_t socket_;
    bool connected_ = false;
    std::string buffer_;
    // How the body in progress is framed.
    enum class Framing { Length, Chunked, Close } framing_ = Framing::Close;
    std::size_t left_ = 0;  // of the length, or of the current chunk
    bool inChunk_ = false;
};

// One request on a new connection, its answer read whole.
HttpAnswer HttpRequest(int port, const std::string& method, const std::string& target,
                       const HttpHeaders& headers = {}, const std::string& body = {},
                       const char* address = "127.0.0.1");
inline HttpAnswer HttpGet(int port, const std::string& target, const HttpHeaders& headers = {})
{
    return HttpRequest(port, "GET", target, headers);
}

// A request head that never ends: header lines ("X-a: b") sent until
// `bytes` went out or the server stopped taking them. Returns the bytes sent.
std::size_t FloodHeaderLines(int port, std::size_t bytes, const std::atomic<bool>& stop);

// A port no one listens on at the moment (the system's choice of a free one).
int FreeLoopbackPort();
