// What the shell has to say about failures that a player can do nothing about. Quiet by
// default, so that a player's terminal stays clean; QT_LOGGING_RULES="zelto.*.debug=true"
// shows it. Only a best score at risk warns by default.
#pragma once

#include <QLoggingCategory>

namespace zelto {

/// The start menu and the windows it opens: "zelto.screens".
Q_DECLARE_LOGGING_CATEGORY(lcScreens)
/// The play field's window, its drawing, its clock and its input: "zelto.field".
Q_DECLARE_LOGGING_CATEGORY(lcField)
/// Recording games and watching them again: "zelto.recording".
Q_DECLARE_LOGGING_CATEGORY(lcRecording)
/// The record file, when a best score is at risk: "zelto.record", warnings shown by default.
Q_DECLARE_LOGGING_CATEGORY(lcRecord)
/// The table of best games: "zelto.scores", warnings shown by default (a table rebuilt, a game
/// that could not be entered).
Q_DECLARE_LOGGING_CATEGORY(lcScores)

} // namespace zelto
