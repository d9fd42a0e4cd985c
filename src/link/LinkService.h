#pragma once

#include "link/LinkHub.h"
#include "link/LinkServer.h"
#include "link/LinkSettings.h"

#include <QString>

// The office link as the program holds it: the settings in force, the hub
// the window publishes to, and the server that reads it.
class LinkService {
public:
    explicit LinkService(const QString& dataDir) : dataDir_(dataDir), server_(hub_, dataDir) {}

    LinkHub& hub() { return hub_; }
    const LinkSettings& settings() const { return settings_; }
    const QString& dataDir() const { return dataDir_; }
    bool listening() const { return server_.listening(); }

    // Takes the settings and (re)starts listening at once. Returns the
    // Russian reason it could not listen, empty otherwise.
    QString apply(const LinkSettings& settings)
    {
        settings_ = settings;
        return server_.start(settings_);
    }

    void stop() { server_.stop(); }

    // What went wrong with the service since it was last asked, once.
    QString takeProblem() { return server_.takeProblem(); }

private:
    QString dataDir_;
    LinkSettings settings_;
    LinkHub hub_;
    LinkServer server_;
};
