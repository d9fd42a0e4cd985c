#pragma once

#include "link/LinkSnapshot.h"

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// Where the window's thread leaves what the HTTP side reads. The window's
// thread only swaps a pointer under the mutex and never waits for a reader;
// readers copy the pointer and work on their own copy.
class LinkHub {
public:
    LinkHub();

    // The window's thread, after each poll and each recording.
    void publish(const LinkWeight& weight, const QDateTime& now);
    void publishWeighing(const QByteArray& json);

    std::shared_ptr<const LinkSnapshot> snapshot() const;

    // What an event stream has seen so far.
    struct Cursor {
        quint64 weightChange = 0;
        quint64 weighings = 0;
    };
    Cursor cursor() const;

    struct News {
        std::shared_ptr<const LinkSnapshot> weight;  // set when the weight changed
        std::vector<QByteArray> weighings;           // written since the cursor
    };
    // What is new since the cursor, which then stands after it: the same
    // news is never given twice. Does not wait.
    News take(Cursor& cursor) const;

    // Grows with every change a stream would hear of: one number for the
    // server's loop to compare with what it last saw.
    quint64 changes() const;

    // Blocks the server's waking thread until changes() differs from
    // `seen`, `stop()` says so after wake(), or the timeout passes; returns
    // changes(). The window's thread only notifies, never waits.
    quint64 waitForChange(quint64 seen, std::chrono::milliseconds timeout, const std::function<bool()>& stop);
    void wake();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<const LinkSnapshot> snapshot_;
    std::deque<QByteArray> weighings_;  // the most recent ones
    quint64 weighingCount_ = 0;
};
