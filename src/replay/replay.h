// zelto-replay: the game's core driven headless from a script, on a virtual clock.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zelto {

class PlayField;

/// The replay's interpreter, one line at a time, for programs that drive the game and look
/// at its state between lines (benchmarks, fuzzers).
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
    friend int runReplay(std::istream&, std::ostream&, std::ostream&, const std::filesystem::path&,
                         bool);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// Runs a replay script against a fresh program: no play field, clock at 0, the record file
/// in `folder`. Commands, one a line (blank lines and lines starting with # are skipped):
///   open | key C | key #N | wait MS | tick TIMER | set OBJECT.PROPERTY VALUE |
///   set ShotStep N | score P |
///   call GameOver|Esplosione|sparo | print OBJECT.PROPERTY | print OBJECT | print Form1 |
///   print ShotStep
/// and those of a recorded game (see Recorder):
///   recording | best "BYTES" | at MS | ticks DIGITS | pause MS | answer | close |
///   expect OBJECT.PROPERTY VALUE | expect events COUNT FINGERPRINT | expect record "BYTES"
/// After "recording" a message box stays open, with the lines after it running, until
/// "answer"; without it a box is answered at once.
/// What the game does to the outside world is written to `out` as it happens:
///   @T sound CONTROL PROPERTY "VALUE" / @T msgbox "TEXT" "TITLE" / @T record "BYTES"
/// The record file's warnings go to `err`. A line it cannot understand, or an expectation the
/// game does not meet, stops it with "line N: ..." on `err`; the result is then 2, else 0. So
/// does a recording that stops before its end line, unless `partial` (the recording of a
/// program that was killed).
int runReplay(std::istream& script, std::ostream& out, std::ostream& err,
              const std::filesystem::path& folder, bool partial = false);

} // namespace zelto
