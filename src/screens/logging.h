// What the Qt shell has to say about failures that a player can do nothing about. Quiet by
// default, so that a player's terminal stays clean; QT_LOGGING_RULES="zelto.*.debug=true"
// shows it.
#pragma once

#include <QLoggingCategory>

namespace zelto {

/// The start menu and the windows it opens: "zelto.screens".
Q_DECLARE_LOGGING_CATEGORY(lcScreens)
/// The play-field window, its drawing and its clock: "zelto.field".
Q_DECLARE_LOGGING_CATEGORY(lcField)

} // namespace zelto
