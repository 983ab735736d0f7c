#include "platform/logging.h"

namespace zelto {

// Debug messages are off unless the logging rules switch them on.
Q_LOGGING_CATEGORY(lcScreens, "zelto.screens", QtInfoMsg)
Q_LOGGING_CATEGORY(lcField, "zelto.field", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRecording, "zelto.recording", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRecord, "zelto.record", QtWarningMsg)
Q_LOGGING_CATEGORY(lcScores, "zelto.scores", QtWarningMsg)

} // namespace zelto
