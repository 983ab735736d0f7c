// What a controller's buttons do in the game's windows.
#pragma once

#include "input/gamepads.h"

#include <QObject>

namespace zelto {

class Screens;
class Session;

/// Gives every press of a controller to the game's window that has the focus, or, while
/// another program has it, to the play field when a game is open and else to the menu.
/// - Play field: d-pad or stick left / right type "z" / "x", South "m", East "p", the right
///   and left shoulders "l" and "k", Back "q", North switches the music ("a" or "s", see
///   Session::toggleMusic), and Start pauses and resumes.
/// - Menu: the d-pad moves the focus up and down the four buttons (round from the last to
///   the first), South presses the focused one.
/// - Keys screen, about box: South presses its button, East closes it.
/// - Scores window: see ScoresWindow.
/// - A modal message box (the game's end): South answers it, East closes it.
/// The controllers are looked for once the menu has first painted itself.
class GamepadControl final : public QObject {
    Q_OBJECT

public:
    GamepadControl(Screens& screens, Session& session, QObject* parent = nullptr);

    Gamepads& gamepads() { return pads_; }
    void press(PadButton button);

private:
    Screens& screens_;
    Session& session_;
    Gamepads pads_;
};

} // namespace zelto
