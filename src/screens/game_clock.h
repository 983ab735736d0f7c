// The real-time clock of the game: it hands the play field the time that has passed.
#pragma once

#include "game/play_field.h"
#include "replay/recorder.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

namespace zelto {

/// Drives a play field from real time. Time is the milliseconds since the clock was made (a
/// monotonic count, so the program makes it at start-up), less every span the clock stood
/// paused: to the field a pause never happened. One precise single-shot timer is armed for the
/// field's next due tick and nothing else: while no timer of the field is enabled, or the
/// clock is paused, the clock sleeps. Whoever changes the field's timers from outside (a key,
/// showing the field) calls reschedule() afterwards.
class GameClock : public QObject {
    Q_OBJECT

public:
    using TimeSource = std::function<std::int64_t()>;

    explicit GameClock(PlayField& field, QObject* parent = nullptr);

    /// Milliseconds since the program started, as the field counts them: paused spans left out.
    std::int64_t now() const;
    /// Replaces the real time by another source, for tests that step time themselves.
    void setTimeSource(TimeSource source);

    /// Brings the field up to now: every tick due by now runs (a timer that is late by more
    /// than its period ticks once), then advanced() is emitted and the timer re-armed. With no
    /// field open it only moves the program's clock, which is what must happen before a show
    /// so that the design-enabled timers count from the moment of opening.
    void advance() {
        if (!driven_)
            advanceTo(now());
    }
    /// The same, to a moment `at` of the clock's own time (not before the field's time): how a
    /// recording is played back.
    void advanceTo(std::int64_t at);
    /// Re-arms the timer for the field's next due tick, or disarms it when nothing is due.
    void reschedule();
    /// With `driven`, the clock never advances the field by itself, nor on advance(): only
    /// advanceTo moves it (a recording played back).
    void setDriven(bool driven);

    /// Told of every advance of an open field, and of nothing else, before it runs.
    void setRecorder(Recorder* recorder) { recorder_ = recorder; }
    Recorder* recorder() const { return recorder_; }

    /// True while a tick handler runs, including any nested event loop it opened.
    bool isAdvancing() const { return depth_ > 0; }
    /// Whether the timer is armed for a due tick.
    bool isArmed() const { return timer_.isActive(); }

    /// Stops time (now() stands still and nothing ticks) or lets it go on from where it
    /// stood. Not while a tick handler runs: a message box it opened must go on getting the
    /// other timers' ticks, so pausing then does nothing.
    void setPaused(bool paused);
    bool isPaused() const { return pausedAt_.has_value(); }
    /// How long the last pause that ended went on, in real milliseconds.
    std::int64_t lastPause() const { return lastPause_; }

signals:
    /// The field may have changed: emitted after every advance.
    void advanced();

private:
    PlayField& field_;
    QElapsedTimer elapsed_;
    TimeSource source_;
    std::optional<std::int64_t> pausedAt_; // the source's time when the pause began
    std::int64_t pausedFor_ = 0;           // the source's time spent in pauses before
    std::int64_t lastPause_ = 0;
    bool driven_ = false;
    Recorder* recorder_ = nullptr;
    QTimer timer_;
    int depth_ = 0;
};

} // namespace zelto
