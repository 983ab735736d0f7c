#include "board/board.h"

#include "base/text.h"
#include "board/logging.h"
#include "replay/script_text.h"
#include "replay/verify.h"

#include <QCryptographicHash>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <ctime>
#include <thread>
#include <variant>

namespace zelto::board {

namespace {

constexpr std::string_view kKeyScheme = "Zelto-Key ";

QByteArray sha256(std::string_view bytes) {
    return QCryptographicHash::hash(
               QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
               QCryptographicHash::Sha256)
        .toHex();
}

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool validUtf8(std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded =
        decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return !decoder.hasError();
}

/// A whole number from 0 to `max`; nothing for anything else.
std::optional<std::int64_t> number(std::string_view text, std::int64_t max) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > max)
        return std::nullopt;
    return value;
}

std::string entryJson(const Entry& e) {
    std::string out =
        "{\"rank\":" + std::to_string(e.rank) + ",\"id\":" + std::to_string(e.id) + ",\"name\":";
    out += e.name ? '"' + jsonEscaped(*e.name) + '"' : "null";
    out += ",\"score\":" + std::to_string(e.score) +
           ",\"length_ms\":" + std::to_string(e.lengthMs) + ",\"keys\":" + std::to_string(e.keys) +
           ",\"submitted\":\"" + isoTime(e.submitted) + "\"}";
    return out;
}

Reply json(int status, std::string body) {
    Reply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

Reply error(int status, std::string_view message) {
    return json(status, "{\"error\":\"" + jsonEscaped(message) + "\"}");
}

/// What `read` answers, or 503 when the database cannot be reached (said in the log).
template <typename Read>
Reply fromStore(Read&& read) {
    try {
        return read();
    } catch (const StoreError& failure) {
        qCWarning(lcBoard, "database: %s", failure.what());
        return error(503, "the scores cannot be reached; try again later");
    }
}

constexpr std::string_view kPageHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Zelto scores</title>
<style>
body { font-family: sans-serif; background: #000; color: #eee; max-width: 46rem; margin: 0 auto; padding: 0.5rem; }
h1 { font-size: 1.5rem; margin: 0.5rem 0; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; vertical-align: top; padding: 0.4rem 0.3rem; border-bottom: 1px solid #333; }
.n { text-align: right; font-variant-numeric: tabular-nums; }
.none { color: #888; font-style: italic; }
.game { font-size: 0.85rem; color: #bbb; }
code { color: #9d9; overflow-wrap: anywhere; }
a { color: #8cf; }
nav { margin: 1rem 0; display: flex; justify-content: space-between; }
</style>
</head>
<body>
<h1>Zelto scores</h1>
)";

/// "ticks N CODE", the bulk of a recording, as write() would put it, without decoding every
/// tick: the count as a number, the code with the unused bits of its last character cleared.
/// Nothing for any other line.
std::optional<std::string> canonicalTicks(std::string_view line) {
    line = trim(line);
    if (!line.starts_with("ticks") || line.size() < 6 || (line[5] != ' ' && line[5] != '\t'))
        return std::nullopt;
    line = trim(line.substr(5));
    const std::size_t gap = line.find_first_of(" \t");
    if (gap == std::string_view::npos)
        return std::nullopt;
    const std::string_view code = trim(line.substr(gap));
    std::size_t count = 0;
    const auto [end, failed] = std::from_chars(line.data(), line.data() + gap, count);
    if (failed != std::errc() || end != line.data() + gap || code.empty() ||
        code.find_first_of(" \t") != std::string_view::npos || (count + 2) / 3 != code.size())
        return std::nullopt;
    const auto last = script::decodeTicks(std::to_string(count - 3 * (code.size() - 1)),
                                          code.substr(code.size() - 1));
    if (!last)
        return std::nullopt;
    return "ticks " + std::to_string(count) + ' ' + std::string(code.substr(0, code.size() - 1)) +
           script::encodeTicks(*last) + '\n';
}

} // namespace

std::optional<QByteArray> keyHash(std::string_view authorization) {
    if (!authorization.starts_with(kKeyScheme))
        return std::nullopt;
    const std::string_view key = authorization.substr(kKeyScheme.size());
    if (key.size() != 64 || key.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return std::nullopt;
    return sha256(key);
}

QByteArray gameIdentity(std::string_view text, const script::Limits& limits) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::optional<std::int64_t> opened;
    try {
        script::Lines lines(text, limits);
        while (const auto line = lines.next()) {
            if (const auto ticks = canonicalTicks(*line)) {
                hash.addData(QByteArrayView(ticks->data(), static_cast<qsizetype>(ticks->size())));
                continue;
            }
            std::optional<script::Command> command = script::readLine(*line);
            if (!command)
                continue;
            if (auto* at = std::get_if<script::At>(&*command); at && at->ms) {
                // Times from the opening on: the same game opened later is the same game.
                if (!opened)
                    opened = at->ms;
                at->ms = *at->ms - *opened;
            } else if (std::holds_alternative<script::Answer>(*command)) {
                command = script::Answer{};
            } else if (std::holds_alternative<script::Close>(*command)) {
                command = script::Close{};
            } else if (!std::holds_alternative<script::Open>(*command) &&
                       !std::holds_alternative<script::Ticks>(*command) &&
                       !std::holds_alternative<script::Key>(*command)) {
                continue;
            }
            const std::string written = script::write(*command) + '\n';
            hash.addData(QByteArrayView(written.data(), static_cast<qsizetype>(written.size())));
        }
    } catch (const script::Stop&) {
    } catch (const script::LineError&) {
    }
    return hash.result().toHex();
}

std::string jsonEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7f || c == '<' || c == '>' || c == '&') {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

std::string htmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string isoTime(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

Board::Board(Store& store, BoardOptions options)
    : store_(store), options_(options),
      replays_(std::clamp<std::ptrdiff_t>(std::thread::hardware_concurrency(), 1, 1024)),
      rate_(options.rate) {}

Reply Board::refuse(Outcome outcome, int status, std::string_view message) {
    metrics_.count(outcome);
    return error(status, message);
}

std::optional<Reply> Board::admit(const SubmissionHead& head) {
    const auto now = RateLimiter::Clock::now();
    const auto limited = [&](int wait) {
        Reply reply = refuse(Outcome::RateLimited, 429, "too many submissions; try again later");
        reply.retryAfter = wait;
        return reply;
    };
    std::optional<Reply> refused;
    if (const int wait = rate_.take("address " + std::string(head.client), now))
        refused = limited(wait);
    else if (const auto key = keyHash(head.authorization); !key)
        refused = refuse(Outcome::Unauthorized, 401,
                         "a submission needs the header Authorization: Zelto-Key and 64 "
                         "lower-case hex digits");
    else if (const int wait = rate_.take("key " + key->toStdString(), now))
        refused = limited(wait);
    else if (head.chunked || !head.contentLength)
        refused = refuse(Outcome::LengthRequired, 411, "a submission needs a Content-Length");
    else if (head.type.starts_with("application/x-www-form-urlencoded") ||
             head.type.starts_with("multipart/form-data"))
        refused = refuse(Outcome::WrongType, 415,
                         "send the recording as it is, with Content-Type: text/plain");
    else if (*head.contentLength > options_.limits.maxBytes)
        refused = refuse(Outcome::TooLarge, 413,
                         "a recording may be " + std::to_string(options_.limits.maxBytes) +
                             " bytes at most");
    if (refused)
        refused->close = true; // its body stays unread
    return refused;
}

Reply Board::submit(std::string_view authorization, std::string_view body) {
    const auto key = keyHash(authorization);
    if (!key)
        return refuse(Outcome::Unauthorized, 401,
                      "a submission needs the header Authorization: Zelto-Key and 64 lower-case "
                      "hex digits");
    if (body.size() > options_.limits.maxBytes)
        return refuse(Outcome::TooLarge, 413,
                      "a recording may be " + std::to_string(options_.limits.maxBytes) +
                          " bytes at most");
    try {
        // The same bytes are the same game: replaying them again would say the same.
        const QByteArray bytes = sha256(body);
        if (const auto kept = store_.findByBytes(bytes)) {
            metrics_.count(Outcome::Duplicate);
            return json(200, entryJson(*kept));
        }
        VerifyOptions options;
        options.limits = options_.limits;
        replays_.acquire();
        const auto start = std::chrono::steady_clock::now();
        const Verdict verdict = verifyRecording(body, options);
        metrics_.verified(std::chrono::steady_clock::now() - start);
        replays_.release();
        if (verdict.stop)
            return refuse(Outcome::DoesNotCheckOut, 422, verdict.stop->text());
        if (!verdict.finished())
            return refuse(Outcome::NotFinished, 422, "not a finished game");
        NewGame game;
        if (!verdict.player.empty()) {
            if (!script::isPlayerName(verdict.player) || !validUtf8(verdict.player))
                return refuse(Outcome::BadName, 400,
                              "the player line holds no name: 1 to " +
                                  std::to_string(script::kMaxNameLength) +
                                  " characters of UTF-8, no control characters, not only blanks");
            game.name = verdict.player;
        }
        game.game = gameIdentity(body, options_.limits);
        game.bytes = bytes;
        game.keyHash = *key;
        game.score = verdict.points;
        game.lengthMs = verdict.lengthMs;
        game.keys = verdict.keys;
        game.submitted = nowMs();
        game.recording = QByteArray(body.data(), static_cast<qsizetype>(body.size()));
        const Store::Added added = store_.add(game);
        switch (added.outcome) {
        case Store::Outcome::NameTaken:
            return refuse(Outcome::NameTaken, 409, "this name belongs to another key");
        case Store::Outcome::Duplicate:
            metrics_.count(Outcome::Duplicate);
            return json(200, entryJson(added.entry));
        case Store::Outcome::Added:
            break;
        }
        metrics_.count(Outcome::Accepted);
        qCDebug(lcBoard, "game %lld kept: %lld points", static_cast<long long>(added.entry.id),
                static_cast<long long>(added.entry.score));
        return json(201, entryJson(added.entry));
    } catch (const StoreError& failure) {
        qCWarning(lcBoard, "database: %s", failure.what());
        Reply reply =
            refuse(Outcome::Unavailable, 503, "the scores cannot be reached; try again later");
        reply.retryAfter = 5;
        return reply;
    }
}

Reply Board::scores(std::string_view limitText, std::string_view offsetText) {
    const auto limit = limitText.empty() ? std::optional<std::int64_t>(kPageSize)
                                         : number(limitText, 1'000'000'000);
    const auto offset =
        offsetText.empty() ? std::optional<std::int64_t>(0) : number(offsetText, 1'000'000'000'000);
    if (!limit || !offset || *limit < 1)
        return error(400,
                     "limit is a whole number from 1 (at most 100 are given), offset one from 0");
    return fromStore([&] {
        std::int64_t total = 0;
        const auto entries = store_.page(
            static_cast<int>(std::min<std::int64_t>(*limit, kPageSize)), *offset, total);
        std::string body = "{\"total\":" + std::to_string(total) + ",\"scores\":[";
        for (const Entry& entry : entries) {
            body += entryJson(entry);
            body += ',';
        }
        if (!entries.empty())
            body.pop_back();
        return json(200, body + "]}");
    });
}

Reply Board::game(std::string_view id) {
    return fromStore([&] {
        const auto number = board::number(id, INT64_MAX);
        if (const auto entry = number ? store_.find(*number) : std::nullopt)
            return json(200, entryJson(*entry));
        return error(404, "no such game");
    });
}

Reply Board::recording(std::string_view id) {
    return fromStore([&] {
        const auto number = board::number(id, INT64_MAX);
        const auto bytes = number ? store_.recording(*number) : std::nullopt;
        if (!bytes)
            return error(404, "no such game");
        Reply reply;
        reply.type = "text/plain; charset=utf-8";
        reply.body = bytes->toStdString();
        return reply;
    });
}

Reply Board::page(std::string_view offsetText, std::string_view base) {
    Reply reply;
    reply.type = "text/html; charset=utf-8";
    const std::int64_t offset = number(offsetText, 1'000'000'000'000).value_or(0);
    std::int64_t total = 0;
    std::vector<Entry> entries;
    try {
        entries = store_.page(kPageSize, offset, total);
    } catch (const StoreError& failure) {
        qCWarning(lcBoard, "database: %s", failure.what());
        reply.status = 503;
        reply.body = std::string(kPageHead) +
                     "<p>The scores cannot be reached just now; try again later.</p>\n</body>\n"
                     "</html>\n";
        return reply;
    }
    std::string& out = reply.body;
    out.reserve(entries.size() * 400 + 2048);
    out += kPageHead;
    out += "<p>" + std::to_string(total) + (total == 1 ? " game" : " games") +
           ", each checked by replaying it. <a href=\"/api/v1/scores\">As JSON</a></p>\n";
    out += "<table>\n<thead><tr><th class=\"n\">#</th><th>Player</th><th class=\"n\">Score</th>"
           "<th>Game</th></tr></thead>\n<tbody>\n";
    for (const Entry& e : entries) {
        const std::string address = "/api/v1/games/" + std::to_string(e.id) + "/recording";
        out += "<tr><td class=\"n\">" + std::to_string(e.rank) + "</td><td>";
        out += e.name ? htmlEscaped(*e.name) : "<span class=\"none\">no name</span>";
        out += "</td><td class=\"n\">" + std::to_string(e.score) + "</td><td class=\"game\">" +
               formatPlayLength(e.lengthMs) + ", " + std::to_string(e.keys) + " keys, " +
               isoTime(e.submitted).substr(0, 10) + "<br><a href=\"" + address +
               "\">recording</a><br><code>zelto --watch " + htmlEscaped(base) + address +
               "</code></td></tr>\n";
    }
    out += "</tbody>\n</table>\n<nav><span>";
    if (offset > 0)
        out +=
            "<a href=\"/?offset=" + std::to_string(std::max<std::int64_t>(0, offset - kPageSize)) +
            "\">&larr; better</a>";
    out += "</span><span>";
    if (offset + kPageSize < total)
        out += "<a href=\"/?offset=" + std::to_string(offset + kPageSize) + "\">worse &rarr;</a>";
    out += "</span></nav>\n</body>\n</html>\n";
    return reply;
}

Reply Board::health() {
    return store_.ping() ? json(200, "{\"status\":\"ok\"}")
                         : error(503, "the database does not answer");
}

Reply Board::metrics() const {
    Reply reply;
    reply.type = "text/plain; version=0.0.4; charset=utf-8";
    reply.body = metrics_.text();
    return reply;
}

} // namespace zelto::board
