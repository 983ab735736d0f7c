#include "shell/session.h"

#include "platform/logging.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>
#include <algorithm>
#include <exception>
#include <limits>

namespace zelto {

Session::Session(const SessionSetup& setup, QObject* parent)
    : QObject(parent), sound_(*setup.sound), host_(setup.boxes),
      recordingFile_(setup.recording, setup.recordingMode,
                     [interactive = setup.recordingMode ==
                                    RecordingFile::Mode::InPlace](const std::string& why) {
                         // A recording asked for by name is worth a line; the last game kept
                         // by itself is not.
                         if (interactive)
                             qCWarning(lcRecording, "%s", why.c_str());
                         else
                             qCDebug(lcRecording, "%s", why.c_str());
                     }),
      recorder_(host_, recordingFile_), store_(setup.recordFolder, &recorder_),
      field_(recorder_, sound_, store_, setup.waveFolder), timeSource_(setup.timeSource) {
    elapsed_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Session::wake);
    // A handler may open a modal message box whose event loop must go on delivering the other
    // timers' ticks: the timer is armed for them as the box opens, and again whenever the
    // box's event loop finds it idle, since the handler has not returned to re-arm it.
    host_.setBoxOpen([this](bool open) {
        boxesOpen_ += open ? 1 : -1;
        if (open && boxesOpen_ == 1) {
            const auto* dispatcher = QAbstractEventDispatcher::instance(thread());
            const auto rearm = [this] {
                if (!timer_.isActive())
                    reschedule();
            };
            boxLoop_[0] = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, rearm);
            boxLoop_[1] = connect(dispatcher, &QAbstractEventDispatcher::awake, this, rearm);
        } else if (!open && boxesOpen_ == 0) {
            disconnect(boxLoop_[0]);
            disconnect(boxLoop_[1]);
        }
        reschedule();
    });
    recorder_.follow(field_, [this] { return now(); });
    // The program is inactive only when none of its windows has the focus. A recording
    // watched goes on: only the player pauses it.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive && !watching_)
                    setPaused(true);
            });
}

Session::~Session() {
    if (recording())
        recorder_.programEnding();
}

std::int64_t Session::sourceTime() const {
    return (timeSource_ ? timeSource_() : elapsed_.elapsed()) + offset_;
}

std::int64_t Session::now() const {
    return (pausedAt_ ? *pausedAt_ : sourceTime()) - pausedFor_;
}

template <typename Call>
void Session::guarded(const char* what, Call call) {
    // The rules' code must not unwind through Qt's event dispatch; the game goes on.
    try {
        call();
    } catch (const std::exception& error) {
        qCDebug(lcField, "%s failed: %s", what, error.what());
    }
}

void Session::open() {
    if (field_.isOpen())
        return;
    if (!watching_ && !isPaused())
        bringUpToNow();
    if (recording())
        recorder_.gameOpening();
    guarded("opening the field", [this] { field_.show(); });
    watchedOpen_ = watching_;
    if (recording())
        recorder_.gameOpened();
    musicOn_ = true;
    settle();
    if (!musicAtStart_)
        type('s');
}

void Session::type(int code) {
    if (isPaused() || !field_.isOpen())
        return;
    if (watching_) {
        if (code == 'q')
            close();
        return;
    }
    bringUpToNow();
    if (recording())
        recorder_.key(code);
    guarded("a key", [this, code] { field_.keyPress(code); });
    if (code == 'a' || code == 's')
        musicOn_ = code == 'a';
    emit typed(code);
    settle();
}

void Session::toggleMusic() {
    type(musicOn_ ? 's' : 'a');
}

void Session::setPaused(bool paused) {
    if (paused == isPaused() || (paused && (!field_.isOpen() || isAdvancing())))
        return;
    const std::int64_t source = sourceTime();
    if (paused) {
        pausedAt_ = source;
    } else {
        const std::int64_t lasted = source - *pausedAt_;
        pausedFor_ += lasted;
        pausedAt_.reset();
        if (recording())
            recorder_.pause(lasted);
    }
    sound_.setPaused(paused);
    emit pausedChanged(paused);
    reschedule();
}

bool Session::close() {
    if (!field_.isOpen())
        return true;
    if (isAdvancing())
        return false;
    setPaused(false);
    if (recording())
        recorder_.windowClosing();
    guarded("closing the field", [this] { field_.close(); });
    settle();
    return true;
}

bool Session::answerBox() {
    return host_.answerBox();
}

void Session::advance() {
    if (watching_ || isPaused())
        return;
    bringUpToNow();
    settle();
}

void Session::bringUpToNow() {
    const std::int64_t at = now();
    catchUp(at);
    step(at);
}

void Session::wake() {
    if (watching_ || isPaused())
        return;
    frameAt_ = armedFor_;
    catchUp(now());
    settle();
}

void Session::catchUp(std::int64_t at) {
    for (auto due = field_.nextDue(); due && *due <= at; due = field_.nextDue()) {
        if (at - *due > kStallMs) {
            step(at);
            return;
        }
        step(*due);
    }
}

void Session::step(std::int64_t at) {
    if (at <= field_.now() && !(field_.nextDue() && *field_.nextDue() <= at))
        return; // nothing to run, nothing to record
    ++depth_;
    if (recording() && field_.isOpen())
        recorder_.advance(at, field_.nextDue());
    guarded("a timer tick", [this, at] { field_.advanceTo(at); });
    --depth_;
}

void Session::settle() {
    if (watching_ && watchedOpen_ && !field_.isOpen() && !isAdvancing()) {
        // Whichever way the watched game ended, the next one is played and recorded as usual.
        watching_ = false;
        watchedOpen_ = false;
        store_.memory_.reset();
    }
    emit changed();
    if (const auto text = recorder_.takeFinished())
        emit gameRecorded(*text);
    reschedule();
}

void Session::reschedule() {
    const auto due = field_.nextDue();
    if (!due || isPaused() || watching_) {
        timer_.stop();
        return;
    }
    // One wake-up a frame: a tick due sooner after the last one waits for the frame, or for
    // kMostLateMs, whichever comes first.
    const std::int64_t at = std::min(std::max(*due, frameAt_ + kFrameMs), *due + kMostLateMs);
    if (timer_.isActive() && at == armedFor_)
        return;
    armedFor_ = at;
    const std::int64_t wait =
        std::clamp<std::int64_t>(at - now(), 0, std::numeric_limits<int>::max());
    timer_.start(static_cast<int>(wait));
}

void Session::startWatching(std::int64_t opening, const std::string& best) {
    if (field_.isOpen())
        return;
    watching_ = true;
    store_.memory_.emplace(best);
    offset_ += opening - now();
    field_.restartClock(opening);
    reschedule();
}

void Session::playTo(std::int64_t at) {
    if (!watching_)
        return;
    step(at);
    settle();
}

void Session::playKey(int code) {
    if (!watching_ || !field_.isOpen())
        return;
    guarded("a key", [this, code] { field_.keyPress(code); });
    emit typed(code);
    settle();
}

} // namespace zelto
