#include "link/LinkHub.h"

namespace {
// A stream that fell further behind than this misses the oldest; a second
// screen needs the last few only.
constexpr std::size_t KeptWeighings = 64;
}  // namespace

LinkHub::LinkHub() : snapshot_(std::make_shared<const LinkSnapshot>()) {}

void LinkHub::publish(const LinkWeight& weight, const QDateTime& now)
{
    auto next = std::make_shared<LinkSnapshot>();
    next->weight = weight;
    next->time = now;
    bool changed = false;
    {
        std::lock_guard lock(mutex_);
        changed = !(snapshot_->weight == weight) || snapshot_->weightChange == 0;
        next->weightChange = snapshot_->weightChange + (changed ? 1 : 0);
        snapshot_ = std::move(next);
    }
    if (changed)
        changed_.notify_all();
}

void LinkHub::publishWeighing(const QByteArray& json)
{
    {
        std::lock_guard lock(mutex_);
        weighings_.push_back(json);
        if (weighings_.size() > KeptWeighings)
            weighings_.pop_front();
        ++weighingCount_;
    }
    changed_.notify_all();
}

std::shared_ptr<const LinkSnapshot> LinkHub::snapshot() const
{
    std::lock_guard lock(mutex_);
    return snapshot_;
}

LinkHub::Cursor LinkHub::cursor() const
{
    std::lock_guard lock(mutex_);
    return {snapshot_->weightChange, weighingCount_};
}

LinkHub::News LinkHub::take(Cursor& cursor) const
{
    std::lock_guard lock(mutex_);
    News news;
    const quint64 fresh = std::min<quint64>(weighingCount_ - cursor.weighings, weighings_.size());
    for (auto it = weighings_.end() - static_cast<std::ptrdiff_t>(fresh); it != weighings_.end(); ++it)
        news.weighings.push_back(*it);
    cursor.weighings = weighingCount_;
    if (snapshot_->weightChange != cursor.weightChange) {
        news.weight = snapshot_;
        cursor.weightChange = snapshot_->weightChange;
    }
    return news;
}

quint64 LinkHub::changes() const
{
    std::lock_guard lock(mutex_);
    return snapshot_->weightChange + weighingCount_;
}

quint64 LinkHub::waitForChange(quint64 seen, std::chrono::milliseconds timeout, const std::function<bool()>& stop)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return snapshot_->weightChange + weighingCount_ != seen || stop(); });
    return snapshot_->weightChange + weighingCount_;
}

void LinkHub::wake()
{
    {
        std::lock_guard lock(mutex_);  // so that a waiter between its test and its wait hears it
    }
    changed_.notify_all();
}
