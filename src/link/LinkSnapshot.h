#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// How the copying of the journal to the site database stands.
struct LinkDatabase {
    bool ok = false;  // the last call to the database server succeeded
    int waiting = 0;  // journal lines not yet confirmed by the server

    friend bool operator==(const LinkDatabase&, const LinkDatabase&) = default;
};

// What the main window shows of the weight, in plain values, so that the
// HTTP side never needs the terminal's state or a widget.
struct LinkWeight {
    QString display;            // the weight readout's text
    // Empty when the readout shows no number, the port is lost, or no
    // reading has come for a while: never a weight the scale did not give.
    std::optional<double> net;
    bool stable = false;        // the last three readings were equal
    double tare = 0;
    bool tareOn = false;
    int lamps = 0;              // green automatic-weighing lamps
    QString port;               // "COM1"
    bool portOk = false;
    bool aed = false;           // the scale kind: the AED rather than the own scale
    std::optional<LinkDatabase> database;  // none while the site database is off

    friend bool operator==(const LinkWeight&, const LinkWeight&) = default;
};

// One poll's worth, immutable once published.
struct LinkSnapshot {
    LinkWeight weight;
    QDateTime time;           // local, when the window's thread published it
    quint64 weightChange = 0; // counts the publications that changed the weight
};
