#include "link/ConnectionQueue.h"

namespace {
thread_local bool refusing = false;
}  // namespace

bool IsRefusedConnection()
{
    return refusing;
}

ConnectionQueue::ConnectionQueue(std::size_t workers, std::size_t refusers) : workers_(workers)
{
    for (std::size_t i = 0; i < workers; ++i)
        threads_.emplace_back([this] { serve(); });
    for (std::size_t i = 0; i < refusers; ++i)
        threads_.emplace_back([this] { refuse(); });
}

ConnectionQueue::~ConnectionQueue()
{
    shutdown();
}

void ConnectionQueue::enqueue(std::function<void()> connection)
{
    {
        std::lock_guard lock(mutex_);
        if (busy_ + waiting_.size() < workers_)
            waiting_.push_back(std::move(connection));
        else
            refused_.push_back(std::move(connection));
    }
    ready_.notify_all();
}

void ConnectionQueue::shutdown()
{
    {
        std::lock_guard lock(mutex_);
        if (shutdown_ && threads_.empty())
            return;
        shutdown_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : threads_)
        t.join();
    threads_.clear();
}

void ConnectionQueue::serve()
{
    for (;;) {
        std::function<void()> connection;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return shutdown_ || !waiting_.empty(); });
            // Connections accepted before the stop are still served (and
            // closed): each closes its own socket.
            if (waiting_.empty())
                return;
            connection = std::move(waiting_.front());
            waiting_.pop_front();
            ++busy_;
        }
        connection();
        std::lock_guard lock(mutex_);
        --busy_;
    }
}

void ConnectionQueue::refuse()
{
    refusing = true;
    for (;;) {
        std::function<void()> connection;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return shutdown_ || !refused_.empty(); });
            if (refused_.empty())
                return;
            connection = std::move(refused_.front());
            refused_.pop_front();
        }
        connection();
    }
}
