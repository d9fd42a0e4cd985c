#pragma once

#include "scale-sim/PseudoTerminal.h"
#include "scale-sim/QueryScanner.h"
#include "scale-sim/ScriptPlayer.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

enum class ScaleKind { Veltar, Aed };

// Plays one scale on the pseudo-terminal: every tick takes the next weight
// from the script; the own scale sends it as a frame, the AED digitiser keeps
// it for its answers. Ends the application with 0 when a script that does not
// loop is over or the operator types "q".
class Simulator : public QObject {
    Q_OBJECT
public:
    Simulator(ScaleKind kind, PseudoTerminal& line, ScriptPlayer& player, QObject* parent = nullptr);

    // Reads operator lines from this descriptor; without a call, none.
    void watchInput(int fd);
    void start();

private:
    void tick();
    void readLine();
    void readInput();
    void takeKeyLine(const QString& line);
    void setListening(bool present);

    ScaleKind kind_;
    PseudoTerminal& line_;
    ScriptPlayer& player_;
    QTimer timer_;
    QTimer watch_;  // looks for a listener between ticks while there is none
    QSocketNotifier* lineNotifier_ = nullptr;
    QSocketNotifier* inputNotifier_ = nullptr;
    QueryScanner scanner_;
    Sample current_;
    bool listening_ = false;
    QByteArray pendingInput_;
};
