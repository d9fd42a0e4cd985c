#include "scale-sim/ScriptPlayer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

qint64 TicksOf(const ScriptStep& step)
{
    return std::max<qint64>(1, std::llround(step.seconds * 1000.0 / ScriptPlayer::TickMs));
}

}  // namespace

ScriptPlayer::ScriptPlayer(QList<ScriptStep> steps, bool loop, quint32 seed)
    : steps_(std::move(steps)), loop_(loop), random_(seed)
{
}

std::optional<Sample> ScriptPlayer::next()
{
    if (held_)
        return Sample{*held_, true};
    if (step_ >= steps_.size()) {
        if (!loop_ || steps_.isEmpty())
            return std::nullopt;
        step_ = 0;
    }
    const ScriptStep& step = steps_[step_];
    const Sample sample = step.wobble > 0 ? wobble(step) : Sample{step.kg, true};
    if (++tick_ >= TicksOf(step)) {
        ++step_;
        tick_ = 0;
    }
    return sample;
}

// The terminal calls a weight stable when its readings, taken every third
// tick, repeat; the AED reading is also cut down to 0.1 kg. So the wobble
// swings to alternate sides of the centre, at least 0.06 kg out when the
// wobble allows: any two readings an odd number of ticks apart then differ,
// by 0.12 kg or more, which survives that cut.
Sample ScriptPlayer::wobble(const ScriptStep& step)
{
    const qint64 centre = std::llround(step.kg * 100.0);
    const qint64 most = std::max<qint64>(1, std::llround(step.wobble * 100.0));
    const qint64 least = std::min<qint64>(6, most);
    std::uniform_int_distribution<qint64> offset(least, most);
    above_ = !above_;
    const qint64 cents = above_ ? centre + offset(random_) : centre - offset(random_);
    return Sample{static_cast<double>(cents) / 100.0, false};
}
