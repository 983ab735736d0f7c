#include "screens/field_input.h"

#include "screens/game_clock.h"
#include "screens/logging.h"

#include <QGuiApplication>
#include <exception>

namespace zelto {

FieldInput::FieldInput(PlayField& field, GameClock& clock, QObject* parent)
    : QObject(parent), field_(field), clock_(clock) {
    // The program is inactive only when none of its windows has the focus.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                // A recording watched goes on: only the player pauses it.
                if (state != Qt::ApplicationActive && !watching_)
                    setPaused(true);
            });
}

void FieldInput::type(int code) {
    if (isPaused() || !field_.isOpen())
        return;
    if (watching_) {
        if (code == 'q')
            closeField();
        return;
    }
    clock_.advance();
    if (Recorder* recorder = clock_.recorder())
        recorder->key(code);
    try {
        field_.keyPress(code);
    } catch (const std::exception& error) {
        qCDebug(lcField, "a key failed: %s", error.what());
    }
    if (code == 'a' || code == 's')
        musicOn_ = code == 'a';
    clock_.reschedule();
    emit typed(code);
}

void FieldInput::toggleMusic() {
    type(musicOn_ ? 's' : 'a');
}

void FieldInput::openField() {
    if (field_.isOpen())
        return;
    clock_.advance();
    Recorder* recorder = clock_.recorder();
    if (recorder)
        recorder->gameOpening();
    field_.show();
    if (recorder)
        recorder->gameOpened();
    musicOn_ = true;
}

void FieldInput::closeField() {
    setPaused(false);
    if (Recorder* recorder = clock_.recorder())
        recorder->windowClosing();
    field_.close();
}

bool FieldInput::isPaused() const {
    return clock_.isPaused();
}

void FieldInput::setPaused(bool paused) {
    if (paused && !field_.isOpen())
        return;
    const bool was = isPaused();
    clock_.setPaused(paused);
    if (isPaused() == was)
        return;
    if (Recorder* recorder = clock_.recorder(); recorder && !paused)
        recorder->pause(clock_.lastPause());
    emit pausedChanged(isPaused());
}

} // namespace zelto
