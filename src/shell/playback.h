// Playing a recorded game back in real time, in the game's own windows.
#pragma once

#include "replay/language.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <vector>

namespace zelto {

class Session;

/// Plays the commands of a recording (see Recorder) through a session at the moments they
/// were played: the session's clock goes on in real time, and each command runs once the clock
/// has come to it. A pause of the recording shows as one; the player's own pause holds
/// everything. The recording must have been checked first (verifyRecording): a command it
/// cannot play stops it where it is. It stops when the watched game's field closes.
class Playback final : public QObject {
    Q_OBJECT

public:
    Playback(Session& session, std::vector<script::Command> commands, QObject* parent = nullptr);

    /// Starts playing: the session starts watching.
    void start();

signals:
    /// The last command has been played, or the watched field has closed.
    void finished();

private:
    /// Runs every command that is due by now, then waits for the next one.
    void step();
    /// Runs the command at `next_` when it is due; false when it must wait `wait_` ms.
    bool runNext();
    /// Whether the session's clock has come to `at`; else how long to wait for it, in wait_.
    bool reached(std::int64_t at);
    /// Advances the field to `at`, in which a message box may open.
    bool advance(std::int64_t at);

    Session& session_;
    std::vector<script::Command> commands_;
    std::size_t next_ = 0;
    std::size_t digit_ = 0; // the next lateness of the ticks at next_
    std::int64_t wait_ = 0;
    bool started_ = false;
    bool opened_ = false; // the watched game's field has opened
    QTimer timer_;
};

} // namespace zelto
