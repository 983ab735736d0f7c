// The game's effects on the world outside it, as the lines of a replay transcript.
#pragma once

#include "replay/language.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace zelto {

/// Writes and counts what the game does outside itself, one line each, as zelto-replay
/// prints it:
///   @T sound CONTROL PROPERTY "VALUE" / @T msgbox "TEXT" "TITLE" / @T record "BYTES"
/// and keeps a fingerprint of all the lines, so that two runs of a game compare in one line.
class EventLog {
public:
    /// With `out`, every line is written there too as it happens.
    explicit EventLog(std::ostream* out = nullptr) : out_(out) {}

    void sound(std::int64_t at, std::string_view control, std::string_view property,
               std::string_view value);
    void message(std::int64_t at, std::string_view text, std::string_view title);
    void record(std::int64_t at, std::string_view bytes);

    /// Starts the count and the fingerprint again.
    void restart();
    /// "COUNT FINGERPRINT" of the lines since the start: equal logs give equal summaries.
    std::string summary() const;

private:
    void add(const std::string& line);

    std::ostream* out_;
    std::uint64_t count_ = 0;
    script::Fingerprint fingerprint_;
};

} // namespace zelto
