#pragma once

#include "link/LinkSettings.h"

#include <QString>

#include <memory>

class LinkHub;

// The read-only HTTP service: the live weight from the hub, the weighings
// from the day files, and the browser display. It runs on threads of its
// own and reads nothing of the terminal but the hub and the files.
class LinkServer {
public:
    LinkServer(LinkHub& hub, QString dataDir);
    ~LinkServer();
    LinkServer(const LinkServer&) = delete;
    LinkServer& operator=(const LinkServer&) = delete;

    // Stops any running service, then listens as the settings say (nothing
    // when they are disabled). Returns the Russian reason it could not
    // listen, empty otherwise.
    QString start(const LinkSettings& settings);

    // Closes the port and ends the event streams; returns once every
    // connection's thread has finished (a stalled client is given up at the
    // read and write timeouts, a few seconds).
    void stop();

    bool listening() const;

private:
    struct Running;
    LinkHub& hub_;
    QString dataDir_;
    std::unique_ptr<Running> running_;
};
