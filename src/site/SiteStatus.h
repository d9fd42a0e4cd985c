#pragma once

#include <QList>
#include <QString>

// How the sending stands, as the window and the office link show it.
struct SiteStatus {
    bool running = false;  // the database is turned on and its sender runs
    bool ok = false;       // the last call to the server succeeded
    int waiting = 0;       // journal lines not yet confirmed by the server
    qint64 sent = 0;       // lines the server confirmed since the sender started
    QString problem;       // why the last call failed, in Russian

    friend bool operator==(const SiteStatus&, const SiteStatus&) = default;
};

// What the database holds of one day file.
struct SiteDayStatus {
    bool known = false;     // the sender has looked at this day
    int held = 0;           // lines 1..held are in the database
    QList<int> conflicts;   // lines the database holds with other text (or no longer in the file)
};
