#include "field/timer_service.h"

#include <utility>

namespace zelto {

void Timer::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (enabled_)
        restart();
}

void Timer::setInterval(int interval) {
    if (interval == interval_)
        return;
    interval_ = interval;
    if (enabled_)
        restart();
}

TimerService::TimerService(Clock& clock, Tick tick) : clock_(&clock), tick_(std::move(tick)) {}

void TimerService::add(Timer& timer) {
    timer.clock_ = clock_;
    if (timer.enabled_)
        timer.restart();
    timers_.push_back(&timer);
}

void TimerService::runTick(std::size_t index) {
    Timer& t = *timers_[index];
    const bool wasRunning = t.running_;
    t.running_ = true;
    tick_(index);
    t.running_ = wasRunning;
}

void TimerService::stepTo(std::int64_t ms) {
    ms = std::min(ms, Clock::kLastMoment);
    while (const auto due = nextDue()) {
        if (*due > ms)
            break;
        advanceTo(*due);
    }
    advanceTo(ms);
}

std::optional<std::int64_t> TimerService::nextDue() const {
    std::optional<std::int64_t> earliest;
    for (const Timer* t : timers_) {
        if (t->enabled_ && !t->running_ && (!earliest || t->due_ < *earliest))
            earliest = t->due_;
    }
    return earliest;
}

void TimerService::advanceTo(std::int64_t ms) {
    clock_->moveTo(ms);
    for (;;) {
        // The earliest due tick; on a tie the first in table order.
        Timer* chosen = nullptr;
        std::size_t index = 0;
        for (std::size_t i = 0; i < timers_.size(); ++i) {
            Timer* t = timers_[i];
            if (!t->enabled_ || t->running_ || t->due_ > clock_->now)
                continue;
            if (!chosen || t->due_ < chosen->due_) {
                chosen = t;
                index = i;
            }
        }
        if (!chosen)
            return;
        // A late timer delivers one tick, not a burst: when the next tick would also be due
        // already, it moves to one period after this delivery.
        std::int64_t following = chosen->due_ + chosen->period();
        if (following <= clock_->now)
            following = clock_->now + chosen->period();
        chosen->due_ = following;
        ++ticksDelivered_;
        runTick(index);
    }
}

} // namespace zelto
