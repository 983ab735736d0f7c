#include "board/rate_limiter.h"

#include <algorithm>
#include <cmath>

namespace zelto::board {

int RateLimiter::take(const std::string& client, Clock::time_point now) {
    const double capacity = std::max(1.0, perMinute_);
    const double perSecond = perMinute_ / 60;
    std::lock_guard lock(mutex_);
    if (now - rotated_ >= std::chrono::minutes(1)) {
        previous_ = std::move(current_);
        current_.clear();
        rotated_ = now;
    }
    auto found = current_.find(client);
    if (found == current_.end()) {
        if (current_.size() >= maxClients_)
            return 60;
        Bucket bucket{capacity, now};
        if (const auto old = previous_.find(client); old != previous_.end())
            bucket = old->second;
        found = current_.emplace(client, bucket).first;
    }
    Bucket& bucket = found->second;
    const double elapsed = std::chrono::duration<double>(now - bucket.at).count();
    bucket.tokens = std::min(capacity, bucket.tokens + elapsed * perSecond);
    bucket.at = now;
    if (bucket.tokens >= 1) {
        bucket.tokens -= 1;
        return 0;
    }
    return perSecond > 0 ? static_cast<int>(std::ceil((1 - bucket.tokens) / perSecond)) : 60;
}

} // namespace zelto::board
