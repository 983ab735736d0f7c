// The score board's diagnostics: zelto.board, information and above by default (where it
// listens, schema changes, database trouble); QT_LOGGING_RULES="zelto.board.debug=true" adds
// every request.
#pragma once

#include <QLoggingCategory>

namespace zelto::board {
Q_DECLARE_LOGGING_CATEGORY(lcBoard)
} // namespace zelto::board
