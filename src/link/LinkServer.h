#pragma once

#include "link/LinkSettings.h"

#include <QString>

#include <memory>
#include <mutex>

class LinkHub;

// The read-only HTTP service: the live weight from the hub, the weighings
// from the day files, and the browser display. One thread of its own runs
// every connection (libmicrohttpd's event loop, driven here), so what a
// client may hold is counted and capped, never a thread per client; it
// reads nothing of the terminal but the hub and the files.
class LinkServer {
public:
    LinkServer(LinkHub& hub, QString dataDir);
    ~LinkServer();
    LinkServer(const LinkServer&) = delete;
    LinkServer& operator=(const LinkServer&) = delete;

    // Stops any running service, then listens as the settings say (nothing
    // when they are disabled). Returns the Russian reason it could not
    // listen, empty otherwise. A port this server itself held a moment ago
    // may still be winding down its connections (Windows refuses it then):
    // it is tried again for a few seconds on the service's thread, and a
    // failure then is told through takeProblem().
    QString start(const LinkSettings& settings);

    // Ends every connection and closes the port; returns at once but for
    // the service's thread finishing its current turn (a fraction of a
    // second).
    void stop();

    bool listening() const;

    // What went wrong while the service ran, in Russian, once: a port that
    // could not be taken back, or the service ending by itself when started
    // again once already. Empty when nothing is to be told.
    QString takeProblem();

    // What one client may spend, for the tests and the README.
    static constexpr unsigned MaxConnections = 64;     // sockets held at once, all clients
    static constexpr unsigned MaxPerAddress = 8;       // of them from one address, on the network
    static constexpr int MaxStreams = 16;              // event streams at once
    static constexpr int MaxRangeReads = 2;            // weighings answers being read at once
    static constexpr int HeadSeconds = 10;             // for a request's line and headers, however it trickles
    static constexpr std::size_t HeadBytes = 32 * 1024;  // the connection's memory: its head must fit
    static constexpr int MaxHeaderLines = 100;

private:
    struct Running;
    void tell(const QString& problem);

    LinkHub& hub_;
    QString dataDir_;
    std::unique_ptr<Running> running_;
    int heldPort_ = 0;  // the port this server last listened on
    std::mutex problemMutex_;
    QString problem_;
};
