#pragma once

#include "site/DatabaseSettings.h"
#include "site/Libpq.h"
#include "site/SiteStatus.h"

#include <QDate>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

class LinkHub;

// Copies the journal's lines into the site database on a thread of its own.
// It reads the day files and the link's published snapshot only, and keeps
// what the server confirmed in Database.sent. Everything it may wait for has
// a deadline; retries back off from 1 s to 60 s.
class SiteSender {
public:
    // Told on the sender's thread; the receiver hands it to the window's.
    using Tell = std::function<void(const QString&)>;

    // Starts at once. `hub` may be null (no live state then).
    SiteSender(const Libpq& pq, const QString& dataDir, const DatabaseSettings& settings, const LinkHub* hub,
               Tell tell);
    // Asks the thread to stop and waits up to `wait` for it; a thread still
    // inside a call the system will not cut short (resolving a name) is left
    // to end by itself, touching nothing of its owner's and writing nothing.
    // Every wait of the thread's own ends within a fifth of a second.
    void stop(std::chrono::milliseconds wait);
    // Stops, waiting up to 5 s.
    ~SiteSender();
    SiteSender(const SiteSender&) = delete;
    SiteSender& operator=(const SiteSender&) = delete;

    // A journal line was written: look at the day files now.
    void wake();

    SiteStatus status() const;
    SiteDayStatus day(const QDate& date) const;

    // Waits until `until` holds for the status, or `milliseconds` pass.
    bool waitFor(const std::function<bool(const SiteStatus&)>& until, int milliseconds) const;

    struct State;

private:
    std::shared_ptr<State> state_;
    std::thread thread_;
};
