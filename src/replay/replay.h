// zelto-replay's scripts: the game's core driven headless from a script, on a virtual clock.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zelto {

class Interpreter;
class PlayField;

/// The replay's interpreter, one line at a time, for programs that drive the game and look
/// at its state between lines (benchmarks, fuzzers, tests).
class ReplayDriver {
public:
    /// The record file's warnings go to `warnings`; without it they are dropped.
    ReplayDriver(std::ostream& out, const std::filesystem::path& folder,
                 std::ostream* warnings = nullptr);
    ~ReplayDriver();
    ReplayDriver(const ReplayDriver&) = delete;
    ReplayDriver& operator=(const ReplayDriver&) = delete;

    /// Runs one script line; returns what is wrong with it when it cannot be understood.
    std::optional<std::string> execute(std::string_view line);
    PlayField& field();

private:
    std::unique_ptr<Interpreter> interpreter_;
};

/// The longest line a script may hold; a longer one stops it.
inline constexpr std::size_t kMaxScriptLine = 1024 * 1024;

/// Runs a replay script against a fresh program: no play field, clock at 0, the record file
/// in `folder`. Commands, one a line (blank lines and lines starting with # are skipped):
///   open | key C | key #N | wait MS | tick TIMER | set OBJECT.PROPERTY VALUE |
///   set ShotStep N | score P |
///   call GameOver|Esplosione|sparo | print OBJECT.PROPERTY | print OBJECT | print Form1 |
///   print ShotStep
/// and those of a recorded game (see script::Command). What the game does to the outside world
/// is written to `out` as it happens:
///   @T sound CONTROL PROPERTY "VALUE" / @T msgbox "TEXT" "TITLE" / @T record "BYTES"
/// The record file's warnings go to `err`. A line it cannot understand, or an expectation the
/// game does not meet, stops it with "line N: ..." on `err`; the result is then 2, else 0. A
/// recording is checked by verifyRecording instead, which is strict.
int runReplay(std::istream& script, std::ostream& out, std::ostream& err,
              const std::filesystem::path& folder);
/// The same for lines already split; `next` gives each in turn (see Interpreter::NextLine).
int runReplay(const std::function<std::optional<std::string_view>()>& next, std::ostream& out,
              std::ostream& err, const std::filesystem::path& folder);

} // namespace zelto
