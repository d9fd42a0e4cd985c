#pragma once

#include "support/HttpProbe.h"

#include <QByteArray>
#include <QJsonObject>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

// A reader of the terminal's event stream on a thread of its own, holding
// all it received (the chunks' bodies joined).
class EventStream {
public:
    EventStream(int port, const std::string& path = "/api/v1/events", const HttpHeaders& headers = {});
    ~EventStream();

    std::string received() const;
    int status() const { return status_; }  // 0 while the response has not begun
    HttpAnswer answer() const;               // its head
    // Waits (generously) until the text has arrived; false if it never did.
    bool waitFor(const std::string& text, int ms) const;
    bool ended() const { return ended_; }

private:
    mutable std::mutex mutex_;
    std::string received_;
    HttpAnswer head_;
    std::atomic<int> status_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

// The JSON of an event "event: <name>" whose data contains `containing`.
QJsonObject EventData(const std::string& stream, const std::string& name, const std::string& containing);
