// Recording a game as it is played, as a replay script that zelto-replay checks and that the
// game can show again.
#pragma once

#include "game/play_field.h"
#include "replay/events.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelto {

/// The file a recording goes to: only ever a regular file or a new one, never waited on. In
/// place, it is emptied when a game starts and holds every complete line up to the last input
/// at any moment, so that it survives the program being killed. Kept atomically, the lines go
/// to a temporary file beside it, which replaces it once the game is over, so that it always
/// holds a whole game. Failing to write never stops the game: the recording stops there (in
/// place ending on its last whole line; a temporary file is removed), and `failed` is told once
/// why. An empty path is no file: nothing is written.
class RecordingFile {
public:
    enum class Mode { InPlace, Atomic };

    RecordingFile(std::filesystem::path path, Mode mode,
                  std::function<void(const std::string&)> failed = {});
    ~RecordingFile();
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    /// A new recording: the file in place is emptied, or a new temporary file is begun.
    void start();
    /// Writes whole lines at once.
    void write(std::string_view lines);
    /// The recording is complete: a temporary file replaces the file.
    void finish();

private:
    void fail(const std::string& why);
    void close();

    std::filesystem::path path_;
    std::filesystem::path written_; // the file the lines go to now
    Mode mode_;
    std::function<void(const std::string&)> failed_;
    int fd_ = -1;
    std::size_t committed_ = 0; // bytes of whole lines written since start()
    bool reported_ = false;
};

/// Writes the game as it is played. It stands between the play field and its host, so that it
/// sees every effect on the world outside and when the message box is answered; the real-time
/// driver tells it of each clock advance and each input before handing them on. A recording
/// reads:
///   recording                  the box stays open until "answer"
///   at MS / open               the game opens at the program's time MS
///   best "BYTES"               the best score the game began with
///   refused                    the record file refuses every write in this game
///   ticks N CODE               N advances, each to the next due tick plus 0 to 3 ms
///                              (see encodeTicks)
///   at MS                      an advance to MS that is no due tick
///   key C [+MS] / key #N [+MS]   a key, MS after the field's time when it is no due tick
///   pause MS, answer [+MS], close [+MS]
///   expect ...                 how the game stood when it was over
///   end FINGERPRINT            of every line from "recording" on: no line was changed
/// Each game of a run starts the file again.
class Recorder final : public Host {
public:
    Recorder(Host& host, RecordingFile& file) : host_(host), file_(file) {}

    /// Follows `field`, whose effects it sees as its host, until the end of the program.
    /// `clock` tells the real-time driver's time, which goes on while the field's stands (the
    /// message box is open): the answer to the box and a window closing are written with how
    /// much later than the field's time they came, for watching.
    void follow(PlayField& field, std::function<std::int64_t()> clock = {});

    /// A game opens now; call it before showing the field.
    void gameOpening();
    /// The game has opened: its best score goes into the recording.
    void gameOpened();
    /// The real-time driver advances the field to `now`; `due` is its next due tick before.
    void advance(std::int64_t now, std::optional<std::int64_t> due);
    /// A key code for the key handler, about to be handed on.
    void key(int code);
    /// The player paused the game for `ms` of real time.
    void pause(std::int64_t ms);
    /// The field's window is about to close the field (not the quit key).
    void windowClosing();
    /// The program is ending: a game still open is complete as it stands.
    void programEnding();
    /// The whole text of the game completed last, the first time it is asked for after that
    /// game ended; nothing else. It is the file's text, whether or not the file could be written.
    std::optional<std::string> takeFinished() { return std::exchange(finished_, std::nullopt); }

    void showMessage(std::string_view text, std::string_view title) override;
    void recordWritten(std::string_view bytes) override;
    void recordWarning(std::string_view why) override;
    void soundPropertySet(std::string_view control, std::string_view property,
                          std::string_view value) override;

private:
    /// Writes a command after what is held back.
    void line(const script::Command& command);
    void write(const script::Command& command);
    /// Writes the advances held back.
    void flush();
    void finish(const Form1& form);
    std::int64_t now() const { return field_ ? field_->now() : 0; }
    /// How much later than the field's time the driver's clock is.
    std::int64_t later() const;

    Host& host_;
    RecordingFile& file_;
    PlayField* field_ = nullptr;
    std::function<std::int64_t()> clock_;
    EventLog events_;
    script::Fingerprint lines_;             // of the lines from "recording" on
    std::string record_;                    // the record's bytes as the game read or wrote them
    std::vector<int> ticks_;                // how late the advances not written yet came
    std::optional<std::int64_t> pendingAt_; // an advance to no due tick, not written yet
    std::int64_t pendingSince_ = 0;         // the field's time before it
    std::string text_;                      // the recording of the game being played
    std::optional<std::string> finished_;   // that of the game completed last, until taken
    bool recording_ = false;
};

} // namespace zelto
