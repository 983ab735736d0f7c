// Checking a recorded game: the call that zelto-replay, watching a recording and the score
// board use to learn whether a recording plays out as it says, and what game it holds.
#pragma once

#include "replay/language.h"

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace zelto {

struct VerifyOptions {
    /// What the check may cost at most: the text's size, a line's length, the play simulated.
    script::Limits limits;
    /// A recording of a program that was killed may stop before its end.
    bool partial = false;
    /// The best score the game begins with; by default the one the recording says it began
    /// with. Only the best score's captions and the record depend on it, never the score.
    std::optional<std::string> best;
    /// Where the game's effects go as the transcript lines of zelto-replay; nowhere when null.
    std::ostream* events = nullptr;
};

/// What a check found.
struct Verdict {
    /// Why the recording does not check out: the first line at fault. Nothing when it does.
    std::optional<script::Stop> stop;
    std::string player;        // its player line, or empty for an unnamed game
    std::string best;          // the best score it began with, as the record file held it
    std::string score;         // the score caption when it was over
    long long points = 0;      // the score as a whole number
    std::int64_t lengthMs = 0; // from the field's opening to the last moment it ran
    int keys = 0;              // keys typed in the game
    bool gameOver = false;     // it came to its game over
    bool quit = false;         // the quit key ended it
    bool complete = false;     // it holds its end line

    bool checksOut() const { return !stop; }
    /// A game played to its end: it checks out, is complete, and came to its game over or was
    /// left with the quit key.
    bool finished() const { return checksOut() && complete && (gameOver || quit); }
};

/// Opens `path` for reading only when it is a regular file (never waiting on a FIFO or a
/// device): its descriptor, or -1 with why not in `problem`.
int openRegularFile(const std::filesystem::path& path, std::string& problem);

/// The text of the recording in the file `path`, read only when it is a regular file and only
/// up to `limits.maxBytes`; nothing, with why not in `problem`, otherwise.
std::optional<std::string> readRecordingFile(const std::filesystem::path& path,
                                             const script::Limits& limits, std::string& problem);

/// Plays the recording `text` again on a virtual clock and compares every line and every
/// expectation with what the game does. Reads nothing but `text` and writes nothing but
/// `options.events`: the best score lives in memory. Never throws; whatever the text, the work
/// stays within `options.limits` (time in proportion to its size and to the play it may
/// simulate, memory a small multiple of the largest line).
Verdict verifyRecording(std::string_view text, const VerifyOptions& options = {});

} // namespace zelto
