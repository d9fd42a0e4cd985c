#pragma once

#include "site/DatabaseSettings.h"
#include "site/SiteStatus.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class LinkHub;
class SiteSender;

// The site database as the program holds it, on the window's thread: the
// settings in force and the sender that runs while they say so. libpq is
// loaded the first time the database is turned on, never before.
class SiteService final : public QObject {
    Q_OBJECT
public:
    // `hub` gives the live state written to the terminals table; may be null.
    SiteService(const QString& dataDir, const LinkHub* hub, QObject* parent = nullptr);
    ~SiteService() override;

    const QString& dataDir() const { return dataDir_; }
    const DatabaseSettings& settings() const { return settings_; }

    // Takes the settings and starts, restarts or stops the sender at once,
    // never waiting for the old one. Returns the Russian reason the database
    // cannot be used (libpq missing), empty otherwise.
    QString apply(const DatabaseSettings& settings);
    // Stops the sender, waiting up to a few seconds for its last call: for
    // the end of the run.
    void stop();

    // A journal line was written.
    void journalWritten();

    bool running() const { return sender_ != nullptr; }
    SiteStatus status() const;
    SiteDayStatus dayStatus(const QDate& date) const;
    // Waits (blocking) until `until` holds or `milliseconds` pass; for tests
    // and benchmarks, never for the window.
    bool waitFor(const std::function<bool(const SiteStatus&)>& until, int milliseconds) const;

signals:
    // Something the operator is to be told, delivered on the window's thread.
    void tell(const QString& message);

private:
    QString dataDir_;
    const LinkHub* hub_;
    DatabaseSettings settings_;
    std::unique_ptr<SiteSender> sender_;
};
