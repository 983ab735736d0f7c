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
                if (state != Qt::ApplicationActive)
                    setPaused(true);
            });
}

void FieldInput::type(int code) {
    if (isPaused() || !field_.isOpen())
        return;
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

void FieldInput::closeField() {
    setPaused(false);
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
    if (isPaused() != was)
        emit pausedChanged(isPaused());
}

} // namespace zelto
