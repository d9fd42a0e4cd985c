#include "LinkClient.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int FreeLoopbackPort()
{
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(sock);
    return port;
}

EventStream::EventStream(int port, const std::string& path) : client_("127.0.0.1", port)
{
    client_.set_read_timeout(60, 0);
    thread_ = std::thread([this, path] {
        client_.Get(
            path,
            [this](const httplib::Response& response) {
                status_ = response.status;
                return true;
            },
            [this](const char* data, std::size_t length) {
                std::lock_guard lock(mutex_);
                received_.append(data, length);
                return true;
            });
        finished_ = true;
    });
}

EventStream::~EventStream()
{
    // Shuts the socket down under the reading thread.
    while (!finished_) {
        client_.stop();
        QThread::msleep(10);
    }
    thread_.join();
}

std::string EventStream::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

bool EventStream::waitFor(const std::string& text, int ms) const
{
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (received().find(text) != std::string::npos)
            return true;
        QThread::msleep(20);
    }
    return false;
}

QJsonObject EventData(const std::string& stream, const std::string& name, const std::string& containing)
{
    const std::string head = "event: " + name + "\ndata: ";
    for (std::size_t at = stream.find(head); at != std::string::npos; at = stream.find(head, at + 1)) {
        const std::size_t begin = at + head.size();
        const std::size_t end = stream.find('\n', begin);
        const std::string data = stream.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (data.find(containing) != std::string::npos)
            return QJsonDocument::fromJson(QByteArray::fromStdString(data)).object();
    }
    return {};
}
