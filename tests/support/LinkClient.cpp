#include "support/LinkClient.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QThread>

EventStream::EventStream(int port, const std::string& path, const HttpHeaders& headers)
{
    thread_ = std::thread([this, port, path, headers] {
        HttpProbe probe(port);
        probe.request("GET", path, headers);
        const HttpAnswer head = probe.head(60000);
        {
            std::lock_guard lock(mutex_);
            head_ = head;
        }
        status_ = head.status;
        while (head.status != 0 && !stop_) {
            std::string piece;
            const bool more = probe.receive(piece, 50);
            {
                std::lock_guard lock(mutex_);
                received_ += piece;
            }
            if (!more)
                break;
        }
        ended_ = true;
    });
}

EventStream::~EventStream()
{
    stop_ = true;
    thread_.join();
}

std::string EventStream::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

HttpAnswer EventStream::answer() const
{
    std::lock_guard lock(mutex_);
    return head_;
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
