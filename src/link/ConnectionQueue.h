#pragma once

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The server's connections: at most `workers` are served at once, each on a
// thread of its own. One beyond that is not left waiting for a free thread
// (unbounded, behind clients that may stall): a single spare thread serves
// it at once with a refusal, and IsRefusedConnection() tells the handlers so.
class ConnectionQueue final : public httplib::TaskQueue {
public:
    explicit ConnectionQueue(std::size_t workers);
    ~ConnectionQueue() override;

    void enqueue(std::function<void()> connection) override;
    void shutdown() override;

private:
    void serve();
    void refuse();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> waiting_;
    std::deque<std::function<void()>> refused_;
    std::size_t workers_ = 0;
    std::size_t busy_ = 0;
    bool shutdown_ = false;
    std::vector<std::thread> threads_;
};

// True on the thread that answers a connection beyond the limit.
bool IsRefusedConnection();
