#include "screens/game_clock.h"

#include "screens/logging.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <utility>

namespace zelto {

GameClock::GameClock(PlayField& field, QObject* parent) : QObject(parent), field_(field) {
    elapsed_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &GameClock::advance);
}

std::int64_t GameClock::now() const {
    if (pausedAt_)
        return *pausedAt_ - pausedFor_;
    return (source_ ? source_() : elapsed_.elapsed()) - pausedFor_;
}

void GameClock::setPaused(bool paused) {
    if (paused == isPaused() || (paused && isAdvancing()))
        return;
    const std::int64_t source = source_ ? source_() : elapsed_.elapsed();
    if (paused) {
        pausedAt_ = source;
        timer_.stop();
    } else {
        lastPause_ = source - *pausedAt_;
        pausedFor_ += lastPause_;
        pausedAt_.reset();
        reschedule();
    }
}

void GameClock::setTimeSource(TimeSource source) {
    source_ = std::move(source);
}

void GameClock::advanceTo(std::int64_t at) {
    // A handler may open a modal message box whose event loop must go on delivering the other
    // timers' ticks, so the timer is armed for them before the handlers run; once they have
    // returned it is re-armed for the next due tick.
    if (!driven_)
        timer_.start(0);
    ++depth_;
    try {
        if (recorder_ && field_.isOpen())
            recorder_->advance(at, field_.nextDue());
        field_.advanceTo(at);
    } catch (const std::exception& error) {
        qCDebug(lcField, "a timer tick failed: %s", error.what());
    }
    --depth_;
    emit advanced();
    reschedule();
}

void GameClock::setDriven(bool driven) {
    driven_ = driven;
    reschedule();
}

void GameClock::reschedule() {
    const auto due = field_.nextDue();
    if (!due || isPaused() || driven_) {
        timer_.stop();
        return;
    }
    const std::int64_t wait =
        std::clamp<std::int64_t>(*due - now(), 0, std::numeric_limits<int>::max());
    timer_.start(static_cast<int>(wait));
}

} // namespace zelto
