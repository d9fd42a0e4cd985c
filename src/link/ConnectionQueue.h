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
// behind clients that may hold theirs for seconds: a few spare threads answer
// it with a refusal (IsRefusedConnection() tells the handlers so). A client
// that connects and then says nothing still holds a spare thread until the
// server's keep-alive timeout; the library hands over only a closure, never
// the socket, so such a connection cannot be closed unheard.
class ConnectionQueue final : public httplib::TaskQueue {
public:
    explicit ConnectionQueue(std::size_t workers, std::size_t refusers = 4);
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
