#pragma once

#include "scale-sim/Script.h"

#include <QList>

#include <optional>
#include <random>

// The weight at one tick of the simulated scale.
struct Sample {
    double kg = 0;
    bool steady = true;
};

// Steps through a script one 100 ms tick at a time. An operator may hold a
// fixed weight in between; the script pauses meanwhile and resumes where it
// stopped.
class ScriptPlayer {
public:
    static constexpr int TickMs = 100;

    ScriptPlayer(QList<ScriptStep> steps, bool loop, quint32 seed);

    // The weight for the next tick, or nothing once a script that does not
    // loop has played to its end.
    std::optional<Sample> next();

    void hold(double kg) { held_ = kg; }
    void resume() { held_.reset(); }
    bool holding() const { return held_.has_value(); }

private:
    Sample wobble(const ScriptStep& step);

    QList<ScriptStep> steps_;
    bool loop_;
    std::mt19937 random_;
    qsizetype step_ = 0;
    qint64 tick_ = 0;  // ticks already played of the current step
    bool above_ = false;
    std::optional<double> held_;
};
