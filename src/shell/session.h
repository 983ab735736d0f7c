// The one way into a running game: everything that reaches the play field passes here.
#pragma once

#include "game/play_field.h"
#include "replay/recorder.h"
#include "scoring/record_file.h"
#include "shell/qt_host.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>

namespace zelto {

/// What a session is made of.
struct SessionSetup {
    /// Where record.dat keeps the best score.
    std::filesystem::path recordFolder = ".";
    /// Where the wave files are (see findWaveFolder).
    std::filesystem::path waveFolder;
    /// The device the three sound channels play on; it outlives the session.
    SoundDevice* sound = nullptr;
    /// The game's message box; it outlives the session.
    MessageBoxes* boxes = nullptr;
    /// The file each game is recorded to as it is played (see RecordingFile); none when empty.
    /// Either way every game is recorded, and the session tells its text (gameRecorded).
    std::filesystem::path recording;
    RecordingFile::Mode recordingMode = RecordingFile::Mode::Atomic;
    /// Milliseconds of a monotonic clock; the program's real time when empty (tests step time
    /// themselves).
    std::function<std::int64_t()> timeSource;

    /// A game kept in `recordFolder`, heard on `sound`, answered by `boxes`, whose time is what
    /// `now` holds (milliseconds the caller steps; it outlives the session): the program as
    /// tests and pictures run it.
    static SessionSetup onClock(std::filesystem::path recordFolder, SoundDevice& sound,
                                MessageBoxes& boxes, const std::int64_t& now) {
        SessionSetup setup;
        setup.recordFolder = std::move(recordFolder);
        setup.sound = &sound;
        setup.boxes = &boxes;
        setup.timeSource = [&now] { return now; };
        return setup;
    }
};

/// The running game and the one way into it. Whatever reaches the play field passes through
/// here, from whatever window or device it came: the clock's advance, a character for the key
/// handler (keyboard or controller alike), the pause, opening and closing the field, and the
/// answer to its message box. The windows only read the field and call these.
///
/// Time is the milliseconds of the time source less every span the session stood paused: to
/// the rules a pause never happened. One precise single-shot timer wakes the program for the
/// field's due ticks and nothing else, armed once per wake-up and after every input: while no
/// timer of the field is enabled, or the game is paused, nothing wakes the program. It wakes
/// at most once a display frame (kFrameMs): a tick due less than a frame after the last
/// wake-up waits for the frame, never more than kMostLateMs, and every tick due by a wake-up
/// runs at its own due moment, so that the rules (and a recording) see a punctual clock while
/// the windows are told once. A key wakes nothing: the ticks due before it run at their own
/// moments, then the key at its own. A game pauses by itself when the program loses the focus
/// to another program's window.
///
/// Each game is recorded as it is played (to the file the setup names, if any): the recorder is
/// told of every input here, and only here, and once the game has ended the session tells the
/// whole recording (gameRecorded). Watching a recorded game drives the same session (see
/// startWatching); whatever way a game ends, the next one is a game like any other.
class Session final : public QObject {
    Q_OBJECT

public:
    explicit Session(const SessionSetup& setup, QObject* parent = nullptr);
    /// A game still open is recorded as it stands.
    ~Session() override;

    /// The field as the windows show it; fixtures of tests change it through field().
    const PlayField& field() const { return field_; }
    PlayField& field() { return field_; }
    bool isOpen() const { return field_.isOpen(); }
    /// The rules' time now: milliseconds of the time source, paused spans left out.
    std::int64_t now() const;

    // ---- The way in ------------------------------------------------------------------------

    /// Opens a new game now unless one is open: its timers count from this moment. With the
    /// music off at the start (setMusicAtStart), "s" is typed right after: a key like any
    /// other, which the recording holds and plays back.
    void open();
    /// Whether a game opened from now on starts with its music (the player's setting).
    void setMusicAtStart(bool on) { musicAtStart_ = on; }
    /// Hands a character code to the open field's key handler at this moment (the field is
    /// brought up to now first). Ignored while paused or with no field open. While watching,
    /// only "q" does anything: it ends the watching.
    void type(int code);
    /// Music on or off, whichever it is not: "a" when the last of "a" and "s" typed in this
    /// game was "s", else "s" (a game starts with its music on).
    void toggleMusic();
    /// Pauses or resumes the open field. A pause needs an open field and does nothing while a
    /// handler of the field runs (its message box is open).
    void setPaused(bool paused);
    void togglePause() { setPaused(!isPaused()); }
    bool isPaused() const { return pausedAt_.has_value(); }
    /// Closes the field, paused or not, as closing its window does; false, and nothing
    /// changes, while one of its handlers runs (its message box is open).
    bool close();
    /// Answers the message box that is open, as a player would; false when none is.
    bool answerBox();
    /// Brings the field up to now and tells the windows: every tick due runs at its own due
    /// moment, unless the program stood still for more than kStallMs, when a timer late by
    /// more than its period ticks once. A test that steps time calls it.
    void advance();

    /// The longest the program waits between two wake-ups while ticks fall due in between:
    /// one display frame.
    static constexpr std::int64_t kFrameMs = 16;
    /// The most a tick waits for its frame, so that a key's effect shows well within a frame
    /// of the tick that makes it.
    static constexpr std::int64_t kMostLateMs = 8;
    /// A tick due more than this before a wake-up means that the program stood still: the
    /// field jumps to now, where each late timer ticks once rather than in a burst.
    static constexpr std::int64_t kStallMs = 2 * kFrameMs;

    // ---- Watching a recorded game -----------------------------------------------------------

    /// From now until the field next closes, the session plays a recorded game back: its
    /// clock stands at `opening` (the recording's time of opening) and moves only by playTo,
    /// its best score is `best` and no record file is read or written, nothing is recorded,
    /// and the player's keys do nothing but "q". Needs no field open.
    void startWatching(std::int64_t opening, const std::string& best);
    bool isWatching() const { return watching_; }
    /// Watching: advances the field to `at`, as the recorded real-time driver did.
    void playTo(std::int64_t at);
    /// Watching: a recorded key, at the field's time.
    void playKey(int code);

    // ---- For tests ------------------------------------------------------------------------

    /// True while a tick handler runs, including any nested event loop it opened.
    bool isAdvancing() const { return depth_ > 0; }
    /// Whether the timer is armed for a due tick.
    bool isArmed() const { return timer_.isActive(); }
    /// The rules' time the timer is armed for, when it is.
    std::optional<std::int64_t> wakeAt() const {
        return timer_.isActive() ? std::optional(armedFor_) : std::nullopt;
    }

signals:
    /// The field may have changed: after every advance, key, opening and closing.
    void changed();
    /// The key handler has had `code`.
    void typed(int code);
    void pausedChanged(bool paused);
    /// A game played here has ended (its field closed) and `text` is its whole recording, as
    /// its file holds it. Not for a watched game, nor for one still open when the session goes.
    void gameRecorded(const std::string& text);

private:
    /// The time source's milliseconds, before pauses are taken out.
    std::int64_t sourceTime() const;
    /// Runs `call` on the field as a handler from outside: a failure stays here.
    template <typename Call>
    void guarded(const char* what, Call call);
    /// The timer's wake-up: the ticks due by now run, and the windows are told once.
    void wake();
    /// Runs the ticks due by `at`, each at its own due moment (see advance for a stall);
    /// tells no window.
    void catchUp(std::int64_t at);
    /// The ticks due by now at their moments (see catchUp), then the field to now.
    void bringUpToNow();
    /// Advances the field to `at`, telling the recorder first; tells no window.
    void step(std::int64_t at);
    /// After every input: the windows are told, the timer re-armed, and a field that closed
    /// ends what this session was doing with it.
    void settle();
    /// Re-arms the timer for the field's next due tick, or disarms it when nothing is due.
    void reschedule();
    /// Whether the game being played is recorded: any game but one watched.
    bool recording() const { return !watching_; }

    /// The record file, or while watching a best score in memory.
    class Store final : public RecordStore {
    public:
        Store(std::filesystem::path folder, Host* host) : file_(std::move(folder), host) {}
        std::string read() override { return memory_ ? memory_->read() : file_.read(); }
        bool write(std::string_view bytes) override {
            return memory_ ? memory_->write(bytes) : file_.write(bytes);
        }
        bool refusesWrites() const override {
            return memory_ ? memory_->refusesWrites() : file_.refusesWrites();
        }
        std::optional<MemoryRecordStore> memory_;

    private:
        RecordFile file_;
    };

    SoundDevice& sound_;
    QtHost host_;
    RecordingFile recordingFile_;
    Recorder recorder_;
    Store store_;
    PlayField field_;

    std::function<std::int64_t()> timeSource_;
    QElapsedTimer elapsed_;
    std::int64_t offset_ = 0;              // added to the source, so that watching starts on time
    std::optional<std::int64_t> pausedAt_; // the source's time when the pause began
    std::int64_t pausedFor_ = 0;           // the source's time spent in pauses before
    QTimer timer_;
    std::int64_t armedFor_ = 0; // the rules' time the timer is armed for
    // The rules' time of the last wake-up by the timer, as it was armed: the frames follow
    // the plan rather than each wake-up's lateness, which would add up.
    std::int64_t frameAt_ = std::numeric_limits<std::int64_t>::min() / 2;
    int boxesOpen_ = 0;                  // message boxes open, nested ones included
    QMetaObject::Connection boxLoop_[2]; // the box's event loop, watched while one is open
    int depth_ = 0;                      // advances under way, nested ones included
    bool musicOn_ = true;
    bool musicAtStart_ = true;
    bool watching_ = false;
    bool watchedOpen_ = false; // the watched game's field has opened
};

} // namespace zelto
