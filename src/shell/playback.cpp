#include "shell/playback.h"

#include "shell/session.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace zelto {

Playback::Playback(Session& session, std::vector<script::Command> commands, QObject* parent)
    : QObject(parent), session_(session), commands_(std::move(commands)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Playback::step);
    // The player's own pause holds the recording; when it ends, the recording goes on.
    connect(&session_, &Session::pausedChanged, this, [this](bool paused) {
        if (!paused)
            step();
    });
}

void Playback::start() {
    // The recorded game opens at the time of the "at" before its "open", with its best score.
    std::int64_t opening = 0;
    std::string best;
    bool opened = false;
    for (const script::Command& command : commands_) {
        if (const auto* at = std::get_if<script::At>(&command); at && !opened)
            opening = at->ms.value_or(opening);
        opened |= std::holds_alternative<script::Open>(command);
        if (const auto* b = std::get_if<script::Best>(&command)) {
            best = b->bytes;
            break;
        }
    }
    session_.startWatching(opening, best);
    started_ = true;
    step();
}

void Playback::step() {
    if (!started_ || session_.isPaused())
        return;
    while (runNext()) {
    }
    if (wait_ >= 0)
        timer_.start(
            static_cast<int>(std::min<std::int64_t>(wait_, std::numeric_limits<int>::max())));
}

bool Playback::reached(std::int64_t at) {
    wait_ = at - session_.now();
    return wait_ <= 0;
}

bool Playback::advance(std::int64_t at) {
    // Advancing may open the message box, inside which the commands up to "answer" play on:
    // the position has moved past this advance before, and a step is due as soon as the box's
    // own event loop runs.
    wait_ = -1;
    timer_.start(0);
    session_.playTo(at);
    return true;
}

bool Playback::runNext() {
    wait_ = -1;
    if (next_ >= commands_.size() || (opened_ && !session_.isWatching())) {
        if (std::exchange(started_, false))
            emit finished();
        return false;
    }
    const PlayField& field = session_.field();
    const script::Command& command = commands_[next_];
    if (const auto* at = std::get_if<script::At>(&command)) {
        if (!reached(at->ms.value_or(0)))
            return false;
        ++next_;
        return advance(at->ms.value_or(0));
    }
    if (const auto* ticks = std::get_if<script::Ticks>(&command)) {
        const auto due = field.nextDue();
        if (!due || digit_ >= ticks->late.size()) { // not in a recording that was checked
            ++next_;
            digit_ = 0;
            return true;
        }
        const std::int64_t at = *due + ticks->late[digit_];
        if (!reached(at))
            return false;
        if (++digit_ == ticks->late.size()) {
            ++next_;
            digit_ = 0;
        }
        return advance(at);
    }
    if (const auto* key = std::get_if<script::Key>(&command)) {
        const std::int64_t at = field.now() + key->later;
        if (!reached(at))
            return false;
        ++next_;
        session_.playTo(at);
        session_.playKey(key->code);
        return true;
    }
    if (const auto* answer = std::get_if<script::Answer>(&command)) {
        if (!reached(field.now() + answer->later))
            return false;
        ++next_;
        // The box's handler finishes before the next command.
        return !session_.answerBox();
    }
    if (const auto* close = std::get_if<script::Close>(&command)) {
        if (!reached(field.now() + close->later))
            return false;
        ++next_;
        session_.close();
        return true;
    }
    ++next_;
    if (std::holds_alternative<script::Open>(command)) {
        session_.open();
        opened_ = true;
    } else if (const auto* pause = std::get_if<script::Pause>(&command)) {
        // Shown as the player's pause, for as long as it lasted; the player ending it early
        // simply goes on.
        session_.setPaused(true);
        QTimer::singleShot(
            static_cast<int>(std::min<std::int64_t>(pause->ms, std::numeric_limits<int>::max())),
            this, [this] { session_.setPaused(false); });
        return false;
    }
    return true;
}

} // namespace zelto
