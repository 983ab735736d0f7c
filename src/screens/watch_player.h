// Playing a recorded game back in real time, in the game's own windows.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zelto {

class FieldInput;

/// Plays the lines of a recording (see Recorder) at the moments they were played: the clock,
/// which the player alone advances, goes on in real time, and each line runs once the clock
/// has come to it. A pause of the recording shows as one; the player's own pause (the clock's)
/// holds everything. The recording must have been checked first: a line it cannot play stops
/// it where it is.
class WatchPlayer final : public QObject {
    Q_OBJECT

public:
    /// `openField` shows the play field as "&Play" would; `answerBox` answers the message box
    /// that is open, and tells whether there was one.
    WatchPlayer(FieldInput& input, std::vector<std::string> lines, std::function<void()> openField,
                std::function<bool()> answerBox, QObject* parent = nullptr);

    /// Starts playing.
    void start();
    /// The clock's time at which the recording's game opened.
    static std::int64_t openingTime(const std::vector<std::string>& lines);

signals:
    /// The last line has been played.
    void finished();

private:
    /// Runs every line that is due by now, then waits for the next one.
    void step();
    /// Runs the line at `next_` when it is due; false when it must wait `wait_` ms.
    bool runNext();

    FieldInput& input_;
    std::vector<std::string> lines_;
    std::function<void()> openField_;
    std::function<bool()> answerBox_;
    std::size_t next_ = 0;
    std::vector<int> late_; // of the line of ticks at next_
    std::size_t digit_ = 0; // the next of them
    std::int64_t wait_ = 0;
    bool stepping_ = false;
    QTimer timer_;
};

} // namespace zelto
