// What the board counts, shown at /metrics in Prometheus' text format.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace zelto::board {

/// How a submission ended. Only Accepted and Duplicate are answered with success.
enum class Outcome {
    Accepted,        // a new game (201)
    Duplicate,       // a game the board holds already (200)
    Unauthorized,    // no key, or a malformed one (401)
    TooLarge,        // over the size cap, refused before reading it (413)
    LengthRequired,  // no Content-Length (411)
    WrongType,       // sent as a form, which is no recording (415)
    RateLimited,     // past the client's rate (429)
    BadName,         // a player line that is no name (400)
    NameTaken,       // the name belongs to another key (409)
    DoesNotCheckOut, // the replay differs from the recording at a line (422)
    NotFinished,     // it checks out but is no finished game (422)
    Unavailable,     // the database failed (503)
};
inline constexpr std::size_t kOutcomes = 12;

/// Counters any thread may add to; every figure counts since the program started.
class Metrics {
public:
    void count(Outcome outcome) { outcomes_[static_cast<std::size_t>(outcome)]++; }
    /// A verification that took `time`.
    void verified(std::chrono::nanoseconds time);
    /// The text of /metrics.
    std::string text() const;

    /// The upper bounds of the verify time's histogram, in seconds.
    static constexpr std::array<double, 12> kBuckets{0.0001, 0.00025, 0.0005, 0.001, 0.0025, 0.005,
                                                     0.01,   0.025,   0.05,   0.1,   0.25,   1};

private:
    std::array<std::atomic<std::uint64_t>, kOutcomes> outcomes_{};
    std::array<std::atomic<std::uint64_t>, kBuckets.size() + 1> buckets_{}; // the last: +Inf
    std::atomic<std::uint64_t> verifyNanoseconds_{0};
};

} // namespace zelto::board
