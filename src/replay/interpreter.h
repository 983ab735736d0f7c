// The interpreter behind scripts and recordings: each command of the language run against a
// play field on a virtual clock.
#pragma once

#include "field/host.h"
#include "game/play_field.h"
#include "replay/events.h"
#include "replay/language.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zelto {

/// Runs commands one after the other against a fresh program: no play field, clock at 0. What
/// the game does outside itself goes to `out` as it happens (see EventLog), and so does what
/// "print" shows. A message box is answered at once, except after "recording", where the lines
/// after it run while it is open, up to "answer".
///
/// A script may mix every command. A recording read strictly (see Setup::strict) may hold only
/// the commands a game writes, in the order it writes them, and nothing after its end; it keeps
/// its best score in memory and never touches a record file.
class Interpreter {
public:
    struct Setup {
        std::ostream* out = nullptr;
        /// Where the record file's warnings and the best-score notice go; nowhere when null.
        std::ostream* warnings = nullptr;
        /// The record file's folder; without one, the best score is kept in memory.
        std::optional<std::filesystem::path> folder;
        /// Read as a recording alone, within `limits`.
        bool strict = false;
        /// For a strict recording, the best score it begins with instead of its own.
        std::optional<std::string> best;
        script::Limits limits;
    };
    /// Gives the next line to run, or nothing at the end; may throw script::Stop.
    using NextLine = std::function<std::optional<std::string_view>()>;

    explicit Interpreter(const Setup& setup);
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    /// Runs the lines `next` gives up to the first that stops it, which is returned. A
    /// recording must reach its end line unless `partial` (the recording of a program that was
    /// killed).
    std::optional<script::Stop> run(const NextLine& next, bool partial);
    /// Runs one line; what stops it is kept for takeStop().
    void runLine(std::string_view text);
    std::optional<script::Stop> takeStop();

    PlayField& field();

    /// What a recording showed of its game, once run.
    struct Summary {
        std::string best;            // the best score it began with
        std::string player;          // its player line, or empty
        std::string score;           // Label1's caption when it was over
        std::int64_t openedAt = 0;   // the field's time at "open"
        std::int64_t lastMoment = 0; // the field's time when it was over
        int keys = 0;                // keys typed
        bool gameOver = false;       // a message box was shown
        bool quit = false;           // the quit key closed the field
        bool ended = false;          // the end line was read
    };
    const Summary& summary() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zelto
