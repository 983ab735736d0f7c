// Periodic timers on a virtual clock that is handed in: nothing here reads a real clock.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

namespace zelto {

/// Virtual time in milliseconds, shared by every timer of the program. It only moves forward
/// and stops at kLastMoment, far enough below the 64-bit limit that a moment plus any timer
/// period can never overflow.
struct Clock {
    static constexpr std::int64_t kLastMoment = std::numeric_limits<std::int64_t>::max() / 2;
    std::int64_t now = 0;

    /// Moves the time to `ms`, or to kLastMoment beyond it; an earlier time changes nothing.
    void moveTo(std::int64_t ms) {
        if (ms > now)
            now = std::min(ms, kLastMoment);
    }
};

/// A periodic timer with its design Interval and Enabled. Once added to a TimerService, while
/// enabled it ticks once a period, the first tick one period after it was enabled or re-timed.
/// No timer ticks faster than kShortestPeriod.
class Timer {
public:
    static constexpr int kShortestPeriod = 16;
    /// The longest Interval a timer can be given, as the design's 16-bit property holds it.
    static constexpr int kLongestInterval = 65535;

    constexpr Timer(int interval, bool enabled) : interval_(interval), enabled_(enabled) {}

    int Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    /// Starts (first tick one period from now) or stops the timer; the same value changes
    /// nothing.
    void setEnabled(bool enabled);
    /// Stores the interval; on an enabled timer a new value restarts the period from now.
    void setInterval(int interval);

    int period() const { return std::max(interval_, kShortestPeriod); }

private:
    friend class TimerService;
    void restart() { due_ = clock_->now + period(); }

    const Clock* clock_ = nullptr;
    int interval_;
    bool enabled_;
    std::int64_t due_ = 0;
    bool running_ = false;
};

/// Runs the ticks of a table of timers as the clock is handed on. Ticks due at one moment run
/// in table order.
class TimerService {
public:
    /// Runs the tick of the timer at this place in the table.
    using Tick = std::function<void(std::size_t index)>;

    TimerService(Clock& clock, Tick tick);
    TimerService(const TimerService&) = delete;
    TimerService& operator=(const TimerService&) = delete;

    /// Appends a timer to the table; if it is enabled, its first tick is one period from now.
    void add(Timer& timer);

    /// Runs every tick due by `ms` (at most Clock::kLastMoment), in order of due time, ties in
    /// table order. A timer more than a period late ticks once, and next one period after
    /// that delivery. May be called again from inside a tick: the timer whose tick is running
    /// does not tick again until it returns.
    void advanceTo(std::int64_t ms);
    /// Lets virtual time pass up to `ms`, running every tick at its own due time, so that no
    /// timer is ever late: how scripts and tests move time.
    void stepTo(std::int64_t ms);
    /// The earliest due time of a timer that can tick now, if any.
    std::optional<std::int64_t> nextDue() const;
    /// Runs the tick of the timer at `index` once, now, whatever its Enabled.
    void runTick(std::size_t index);

    std::int64_t now() const { return clock_->now; }
    /// How many ticks advanceTo has delivered.
    std::uint64_t ticksDelivered() const { return ticksDelivered_; }

private:
    Clock* clock_;
    Tick tick_;
    std::vector<Timer*> timers_;
    std::uint64_t ticksDelivered_ = 0;
};

} // namespace zelto
