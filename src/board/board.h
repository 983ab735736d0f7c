// The score board without its transport: what it answers to each request, from a submission
// to the table's page. It trusts no number a client sends: a game's score, length and player
// come from replaying its recording, and nothing else of a submission is believed but its key.
// The HTTP server (http_server.h) only carries requests here and answers back; the fuzz target
// and the tests call it directly.
#pragma once

#include "board/metrics.h"
#include "board/rate_limiter.h"
#include "board/store.h"
#include "replay/language.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <semaphore>
#include <string>
#include <string_view>

namespace zelto::board {

struct BoardOptions {
    /// Submissions a minute that one client (address, and key) may make.
    double rate = 30;
    /// What a submission's check may cost: 1 MiB of text, 2 hours of play, 64 KiB a line.
    script::Limits limits{1024 * 1024, 64 * 1024, 2LL * 60 * 60 * 1000};
};

/// An answer: its status, content type and body, and how long to wait before trying again.
struct Reply {
    int status = 200;
    std::string type = "application/json";
    std::string body;
    int retryAfter = 0; // seconds, for 429
    /// The request's body was not read: the connection must end after this answer.
    bool close = false;
};

/// What a submission's headers say, before its body is read.
struct SubmissionHead {
    std::string authorization; // the Authorization header's value
    std::optional<std::uint64_t> contentLength;
    bool chunked = false; // a body without a length
    std::string type;     // the Content-Type header's value
    std::string client;   // the client's address
};

class Board {
public:
    Board(Store& store, BoardOptions options);

    /// Whether a submission may be read at all, from its headers alone: nothing when it may,
    /// else the refusal (401, 411, 413, 415, 429). Each call counts against the client's rate.
    std::optional<Reply> admit(const SubmissionHead& head);
    /// Checks the recording `body` by replaying it and keeps it when it is a finished game: 201
    /// with its entry, 200 with the game kept before, or a refusal (400, 401, 409, 413, 422,
    /// 503). Call admit first; this does not count against the rate.
    Reply submit(std::string_view authorization, std::string_view body);

    /// GET /api/v1/scores?limit=&offset=.
    Reply scores(std::string_view limit, std::string_view offset);
    /// GET /api/v1/games/ID.
    Reply game(std::string_view id);
    /// GET /api/v1/games/ID/recording.
    Reply recording(std::string_view id);
    /// GET /?offset=: the table as a page, its links under `base` (http://host:port).
    Reply page(std::string_view offset, std::string_view base);
    Reply health();
    Reply metrics() const;

    const BoardOptions& options() const { return options_; }
    /// The count of outcomes and verify times, which /metrics shows.
    Metrics& counters() { return metrics_; }

    /// Games shown a page, and the most a client may ask for at once.
    static constexpr int kPageSize = 100;

private:
    Reply refuse(Outcome outcome, int status, std::string_view message);

    Store& store_;
    BoardOptions options_;
    /// Replays run at most one a core at once: each at full speed, the others waiting their
    /// turn, rather than all of them sharing the cores and finishing late together.
    std::counting_semaphore<1024> replays_;
    RateLimiter rate_;
    Metrics metrics_;
};

/// The hex SHA-256 of the key in `authorization` ("Zelto-Key" and 64 lower-case hex digits);
/// nothing when it holds no such key.
std::optional<QByteArray> keyHash(std::string_view authorization);

/// The game a checked recording holds, as the hex SHA-256 of its inputs and their moments:
/// the same whatever its comments, spacing, player, best score, pauses, or the delays that
/// matter only to watching, so that a game is kept once however it is dressed.
QByteArray gameIdentity(std::string_view text, const script::Limits& limits);

/// `text` for JSON between quotes, and for HTML.
std::string jsonEscaped(std::string_view text);
std::string htmlEscaped(std::string_view text);
/// "2026-12-07T10:00:00Z" for ms since 1970.
std::string isoTime(std::int64_t ms);

} // namespace zelto::board
