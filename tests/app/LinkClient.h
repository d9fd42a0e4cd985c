#pragma once

#include <httplib.h>

#include <QByteArray>
#include <QJsonObject>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

// A port no one listens on at the moment (the system's choice of a free one).
int FreeLoopbackPort();

// A reader of the terminal's event stream on a thread of its own, holding
// all it received.
class EventStream {
public:
    EventStream(int port, const std::string& path = "/api/v1/events");
    ~EventStream();

    std::string received() const;
    int status() const { return status_; }  // 0 while the response has not begun
    // Waits (generously) until the text has arrived; false if it never did.
    bool waitFor(const std::string& text, int ms) const;

private:
    httplib::Client client_;
    mutable std::mutex mutex_;
    std::string received_;
    std::atomic<int> status_{0};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// The JSON of an event "event: <name>" whose data contains `containing`.
QJsonObject EventData(const std::string& stream, const std::string& name, const std::string& containing);
