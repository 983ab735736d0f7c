// How often one client may submit: a bucket of tokens for each client, refilled evenly.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace zelto::board {

/// Each client may take `perMinute` tokens at once and gets them back over a minute. Memory
/// stays bounded whatever the clients do: a bucket untouched for a minute is full again, so it
/// is forgotten after one to two minutes, and no more than `maxClients` are held a minute
/// (past that, clients not seen in that minute wait). Thread-safe.
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    explicit RateLimiter(double perMinute, std::size_t maxClients = 100000)
        : perMinute_(perMinute), maxClients_(maxClients) {}

    /// Takes a token from `client`'s bucket at `now`: 0 when there was one, else the whole
    /// seconds until there will be.
    int take(const std::string& client, Clock::time_point now);

private:
    struct Bucket {
        double tokens;
        Clock::time_point at;
    };

    double perMinute_;
    std::size_t maxClients_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> current_;  // touched since rotated_
    std::unordered_map<std::string, Bucket> previous_; // touched the minute before
    Clock::time_point rotated_{};
};

} // namespace zelto::board
