// The one way into the play field from outside its own timers: the characters typed on the
// keyboard or sent by a controller, and the pause.
#pragma once

#include "game/play_field.h"

#include <QObject>

namespace zelto {

class GameClock;

/// Everything a player does to the running game passes here, whatever it came from: a
/// character for the key handler, and the pause. The rules cannot tell a controller from the
/// keyboard. While paused the clock stands still (see GameClock::setPaused) and every
/// character is ignored. A game pauses by itself when the program loses the focus to another
/// program's window; the focus moving between the program's own windows changes nothing.
class FieldInput final : public QObject {
    Q_OBJECT

public:
    FieldInput(PlayField& field, GameClock& clock, QObject* parent = nullptr);

    PlayField& field() const { return field_; }
    GameClock& clock() const { return clock_; }

    /// Hands a character code to the open field's key handler at this moment (the field is
    /// brought up to now first), re-arms the clock and emits typed(). Ignored while paused or
    /// without an open field. While watching, only "q" does anything: it closes the field.
    void type(int code);
    /// Music on or off, whichever it is not: "a" when the last of "a" and "s" typed in this
    /// game was "s", else "s" (a game starts with its music on).
    void toggleMusic();

    bool isPaused() const;
    /// Pauses or resumes the open field. A pause needs an open field and does nothing while a
    /// handler of the field runs (its message box is open).
    void setPaused(bool paused);
    void togglePause() { setPaused(!isPaused()); }

    /// Opens a new game now, unless one is open: the recorder is told, and its music plays.
    void openField();
    /// Watching a recording: keys do nothing to the field but "q".
    void setWatching(bool watching) { watching_ = watching; }
    /// Closes the field, paused or not, as closing its window does; a pause ends with it.
    void closeField();

signals:
    /// The key handler has had `code`: the field may have changed.
    void typed(int code);
    void pausedChanged(bool paused);

private:
    PlayField& field_;
    GameClock& clock_;
    bool musicOn_ = true;
    bool watching_ = false;
};

} // namespace zelto
