#include "board/logging.h"

namespace zelto::board {
Q_LOGGING_CATEGORY(lcBoard, "zelto.board", QtInfoMsg)
} // namespace zelto::board
