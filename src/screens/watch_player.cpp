#include "screens/watch_player.h"

#include "replay/language.h"
#include "replay/script_text.h"
#include "screens/field_input.h"
#include "screens/game_clock.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace zelto {

WatchPlayer::WatchPlayer(FieldInput& input, std::vector<std::string> lines,
                         std::function<void()> openField, std::function<bool()> answerBox,
                         QObject* parent)
    : QObject(parent), input_(input), lines_(std::move(lines)), openField_(std::move(openField)),
      answerBox_(std::move(answerBox)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &WatchPlayer::step);
    // The player's own pause holds the recording; when it ends, the recording goes on.
    connect(&input_, &FieldInput::pausedChanged, this, [this](bool paused) {
        if (!paused)
            step();
    });
}

std::int64_t WatchPlayer::openingTime(const std::vector<std::string>& lines) {
    std::int64_t at = 0;
    for (const std::string& line : lines) {
        std::string_view rest = line;
        const std::string_view command = nextWord(rest);
        if (command == "open")
            break;
        if (command == "at")
            at = parseWhole(nextWord(rest)).value_or(at);
    }
    return at;
}

void WatchPlayer::start() {
    input_.clock().setDriven(true);
    input_.setWatching(true);
    step();
}

void WatchPlayer::step() {
    if (input_.isPaused())
        return;
    while (runNext()) {
    }
    if (wait_ >= 0)
        timer_.start(
            static_cast<int>(std::min<std::int64_t>(wait_, std::numeric_limits<int>::max())));
}

bool WatchPlayer::runNext() {
    wait_ = -1;
    if (next_ >= lines_.size()) {
        if (next_++ == lines_.size())
            emit finished();
        return false;
    }
    GameClock& clock = input_.clock();
    PlayField& field = input_.field();
    // Whether the clock has come to `at`; else how long to wait for it.
    const auto reached = [&](std::int64_t at) {
        wait_ = at - clock.now();
        return wait_ <= 0;
    };
    // Advancing may open the message box, inside which the lines up to "answer" play on: the
    // position has moved past this advance before, and a step is due as soon as the box's own
    // event loop runs.
    const auto advance = [&](std::int64_t at) {
        wait_ = -1;
        timer_.start(0);
        clock.advanceTo(at);
        return true;
    };
    std::string_view rest = lines_[next_];
    const std::string_view command = nextWord(rest);
    if (command == "at") {
        const std::int64_t at = parseWhole(nextWord(rest)).value_or(0);
        if (!reached(at))
            return false;
        ++next_;
        return advance(at);
    }
    if (command == "ticks") {
        if (digit_ == 0) {
            const std::string_view count = nextWord(rest);
            late_ = script::decodeTicks(count, nextWord(rest)).value_or(std::vector<int>());
        }
        const auto due = field.nextDue();
        if (!due || digit_ >= late_.size()) { // not in a recording that was checked
            ++next_;
            digit_ = 0;
            return true;
        }
        const std::int64_t at = *due + late_[digit_];
        if (!reached(at))
            return false;
        if (++digit_ == late_.size()) {
            ++next_;
            digit_ = 0;
        }
        return advance(at);
    }
    // What comes some time after the field's time ("+MS") waits for it.
    const auto later = [&](std::string_view after) {
        return field.now() + (after.empty() ? 0 : parseWhole(after.substr(1)).value_or(0));
    };
    if (command == "key") {
        const std::string_view key = nextWord(rest);
        const std::int64_t at = later(nextWord(rest));
        if (!reached(at))
            return false;
        ++next_;
        clock.advanceTo(at);
        field.keyPress(key.size() > 1 ? static_cast<int>(parseWhole(key.substr(1)).value_or(0))
                                      : static_cast<unsigned char>(key.empty() ? 0 : key[0]));
        clock.advanceTo(field.now()); // shows what the key changed
        return true;
    }
    if ((command == "answer" || command == "close") && !reached(later(nextWord(rest))))
        return false;
    ++next_;
    if (command == "open") {
        openField_();
    } else if (command == "pause") {
        // Shown as the player's pause, for as long as it lasted; the player ending it early
        // simply goes on.
        input_.setPaused(true);
        QTimer::singleShot(static_cast<int>(parseWhole(nextWord(rest)).value_or(0)), this,
                           [this] { input_.setPaused(false); });
        return false;
    } else if (command == "answer") {
        // The box's handler finishes before the next line.
        return !answerBox_();
    } else if (command == "close") {
        input_.closeField();
    }
    return true;
}

} // namespace zelto
