#include "board/metrics.h"

#include <cstdio>

namespace zelto::board {

namespace {
constexpr std::array<const char*, kOutcomes> kReasons{
    "accepted",        "duplicate",          "unauthorized", "too_large",
    "length_required", "wrong_type",         "rate_limited", "bad_name",
    "name_taken",      "does_not_check_out", "not_finished", "unavailable"};
} // namespace

void Metrics::verified(std::chrono::nanoseconds time) {
    const double seconds = std::chrono::duration<double>(time).count();
    std::size_t bucket = 0;
    while (bucket < kBuckets.size() && seconds > kBuckets[bucket])
        ++bucket;
    buckets_[bucket]++;
    verifyNanoseconds_ += static_cast<std::uint64_t>(time.count());
}

std::string Metrics::text() const {
    std::string out;
    char line[160];
    const auto add = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        out += line;
    };
    out += "# HELP zelto_board_submissions_accepted_total New games kept.\n"
           "# TYPE zelto_board_submissions_accepted_total counter\n";
    add("zelto_board_submissions_accepted_total %llu\n",
        static_cast<unsigned long long>(outcomes_[0].load()));
    out += "# HELP zelto_board_submissions_duplicate_total Games submitted again.\n"
           "# TYPE zelto_board_submissions_duplicate_total counter\n";
    add("zelto_board_submissions_duplicate_total %llu\n",
        static_cast<unsigned long long>(outcomes_[1].load()));
    out += "# HELP zelto_board_submissions_refused_total Submissions refused, by reason.\n"
           "# TYPE zelto_board_submissions_refused_total counter\n";
    for (std::size_t i = 2; i < kOutcomes; ++i)
        add("zelto_board_submissions_refused_total{reason=\"%s\"} %llu\n", kReasons[i],
            static_cast<unsigned long long>(outcomes_[i].load()));
    out += "# HELP zelto_board_verify_seconds Time to replay a submitted recording.\n"
           "# TYPE zelto_board_verify_seconds histogram\n";
    unsigned long long cumulative = 0;
    for (std::size_t i = 0; i <= kBuckets.size(); ++i) {
        cumulative += buckets_[i].load();
        if (i < kBuckets.size())
            add("zelto_board_verify_seconds_bucket{le=\"%g\"} %llu\n", kBuckets[i], cumulative);
        else
            add("zelto_board_verify_seconds_bucket{le=\"+Inf\"} %llu\n", cumulative);
    }
    add("zelto_board_verify_seconds_sum %.6f\n",
        static_cast<double>(verifyNanoseconds_.load()) / 1e9);
    add("zelto_board_verify_seconds_count %llu\n", cumulative);
    return out;
}

} // namespace zelto::board
