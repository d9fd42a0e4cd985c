#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

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

    friend bool operator==(const LinkWeight&, const LinkWeight&) = default;
};

// One poll's worth, immutable once published.
struct LinkSnapshot {
    LinkWeight weight;
    QDateTime time;           // local, when the window's thread published it
    quint64 weightChange = 0; // counts the publications that changed the weight
};
