#pragma once

#include "link/LinkSnapshot.h"

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// Where the window's thread leaves what the HTTP threads read. The window's
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
        quint64 epoch = 0;
    };
    Cursor cursor() const;

    struct News {
        std::shared_ptr<const LinkSnapshot> weight;  // set when the weight changed
        std::vector<QByteArray> weighings;           // written since the cursor
        bool ended = false;                          // the service is stopping
    };
    // Blocks an event stream's thread until something is new, the service
    // stops, or the timeout passes (nothing new: a keep-alive is due).
    News wait(Cursor& cursor, std::chrono::milliseconds timeout);

    // Ends every waiting and future wait() of cursors taken before it.
    void endStreams();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<const LinkSnapshot> snapshot_;
    std::deque<QByteArray> weighings_;  // the most recent ones
    quint64 weighingCount_ = 0;
    quint64 epoch_ = 0;
};
