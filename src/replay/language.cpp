#include "replay/language.h"

#include "base/caption_number.h"
#include "base/text.h"
#include "replay/script_text.h"

#include <algorithm>
#include <cstdio>
#include <istream>
#include <utility>

namespace zelto::script {

namespace {

constexpr std::string_view kTickCode =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz-_";

[[noreturn]] void fail(std::string message) {
    throw LineError{std::move(message)};
}

void expectEnd(std::string_view rest) {
    if (!trim(rest).empty())
        fail("unexpected " + excerpt(trim(rest)));
}

/// An optional "+MS" that ends a line: how much later than the field's time it came.
std::int64_t later(std::string_view rest) {
    const std::string_view after = nextWord(rest);
    expectEnd(rest);
    if (after.empty())
        return 0;
    const auto ms = after.front() == '+' ? parseWhole(after.substr(1)) : std::nullopt;
    if (!ms || *ms < 0)
        fail("expected +MS, not " + excerpt(after));
    return *ms;
}

int keyCode(std::string_view word) {
    if (word.size() == 1)
        return static_cast<unsigned char>(word.front());
    if (word.size() > 1 && word.front() == '#') {
        const auto code = parseWhole(word.substr(1));
        if (code && *code >= 0 && *code <= kMaxKeyCode)
            return static_cast<int>(*code);
    }
    fail("key needs one character or #CODE");
}

std::string quoted(std::string_view value, const char* what) {
    const auto text = unquote(value);
    if (!text)
        fail(std::string("bad ") + what + ' ' + excerpt(value));
    return *text;
}

/// A whole number of milliseconds, not negative, alone on the line.
std::int64_t milliseconds(std::string_view rest, const char* command) {
    const auto ms = parseWhole(nextWord(rest));
    expectEnd(rest);
    if (!ms || *ms < 0)
        fail(std::string(command) + " needs a whole number of milliseconds");
    return *ms;
}

/// One word alone on the line.
std::string word(std::string_view rest) {
    const std::string_view first = nextWord(rest);
    expectEnd(rest);
    return std::string(first);
}

template <typename T>
Command alone(std::string_view rest) {
    expectEnd(rest);
    return T{};
}

/// TARGET VALUE, the value being the rest of the line.
template <typename T>
Command targetAndValue(std::string_view rest) {
    const std::string_view target = nextWord(rest);
    return T{std::string(target), std::string(trim(rest))};
}

/// " +MS" when `ms` is more than nothing.
std::string laterText(std::int64_t ms) {
    return ms > 0 ? " +" + std::to_string(ms) : std::string();
}

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

} // namespace

const Syntax kCommands[std::variant_size_v<Command>] = {
    {"open", true, alone<Open>},
    {"key", true,
     [](std::string_view rest) -> Command {
         const int code = keyCode(nextWord(rest));
         return Key{code, later(rest)};
     }},
    {"wait", false,
     [](std::string_view rest) -> Command { return Wait{milliseconds(rest, "wait")}; }},
    {"tick", false, [](std::string_view rest) -> Command { return Tick{word(rest)}; }},
    {"set", false, targetAndValue<Set>},
    {"score", false,
     [](std::string_view rest) -> Command {
         const auto points = parseDecimal(nextWord(rest));
         expectEnd(rest);
         if (!points)
             fail("score needs a number");
         return Score{*points};
     }},
    {"call", false, [](std::string_view rest) -> Command { return Call{word(rest)}; }},
    {"print", false, [](std::string_view rest) -> Command { return Print{word(rest)}; }},
    {"recording", true, alone<Recording>},
    {"best", true,
     [](std::string_view rest) -> Command { return Best{quoted(trim(rest), "caption")}; }},
    {"player", true,
     [](std::string_view rest) -> Command { return Player{quoted(trim(rest), "name")}; }},
    {"refused", true, alone<Refused>},
    {"at", true,
     [](std::string_view rest) -> Command {
         const auto ms = parseWhole(nextWord(rest));
         expectEnd(rest);
         return At{ms};
     }},
    {"ticks", true,
     [](std::string_view rest) -> Command {
         const std::string_view count = nextWord(rest);
         const std::string_view code = nextWord(rest);
         expectEnd(rest);
         auto late = decodeTicks(count, code);
         if (!late)
             fail("ticks needs a count and its code");
         return Ticks{std::move(*late)};
     }},
    {"pause", true,
     [](std::string_view rest) -> Command { return Pause{milliseconds(rest, "pause")}; }},
    {"answer", true, [](std::string_view rest) -> Command { return Answer{later(rest)}; }},
    {"close", true, [](std::string_view rest) -> Command { return Close{later(rest)}; }},
    {"expect", true, targetAndValue<Expect>},
    {"end", true, [](std::string_view rest) -> Command { return End{word(rest)}; }},
};

std::string Stop::text() const {
    return "line " + std::to_string(line) + ": " + message;
}

std::optional<Command> readLine(std::string_view line) {
    std::string_view rest = trim(line);
    if (rest.empty() || rest.front() == '#')
        return std::nullopt;
    const std::string_view name = nextWord(rest);
    for (const Syntax& syntax : kCommands) {
        if (syntax.name == name)
            return syntax.read(rest);
    }
    fail("unknown command " + excerpt(name));
}

const Syntax& syntaxOf(const Command& command) {
    return kCommands[command.index()];
}

std::string write(const Command& command) {
    const std::string arguments = std::visit(
        Overloaded{
            [](const Key& c) { return ' ' + keyText(c.code) + laterText(c.later); },
            [](const Wait& c) { return ' ' + std::to_string(c.ms); },
            [](const Tick& c) { return ' ' + c.timer; },
            [](const Set& c) { return ' ' + c.target + ' ' + c.value; },
            [](const Score& c) { return ' ' + formatNumber(c.points); },
            [](const Call& c) { return ' ' + c.routine; },
            [](const Print& c) { return ' ' + c.target; },
            [](const Best& c) { return ' ' + quote(c.bytes); },
            [](const Player& c) { return ' ' + quote(c.name); },
            [](const At& c) { return ' ' + (c.ms ? std::to_string(*c.ms) : std::string("?")); },
            [](const Ticks& c) {
                return ' ' + std::to_string(c.late.size()) + ' ' + encodeTicks(c.late);
            },
            [](const Pause& c) { return ' ' + std::to_string(c.ms); },
            [](const Answer& c) { return laterText(c.later); },
            [](const Close& c) { return laterText(c.later); },
            [](const Expect& c) { return ' ' + c.target + ' ' + c.value; },
            [](const End& c) { return ' ' + c.sum; },
            [](const auto&) { return std::string(); },
        },
        command);
    return std::string(syntaxOf(command).name) + arguments;
}

std::string excerpt(std::string_view text) {
    std::string safe;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == kExcerpt)
            return safe + "...";
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte > 0x7e) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            safe += hex;
        } else {
            safe += static_cast<char>(byte);
        }
    }
    return safe;
}

std::string encodeTicks(const std::vector<int>& late) {
    std::string code;
    for (std::size_t i = 0; i < late.size(); i += 3) {
        int value = 0;
        for (std::size_t j = i; j < i + 3; ++j)
            value = value * 4 + (j < late.size() ? late[j] : 0);
        code += kTickCode[static_cast<std::size_t>(value)];
    }
    return code;
}

std::optional<std::vector<int>> decodeTicks(std::string_view count, std::string_view code) {
    const auto n = parseWhole(count);
    if (!n || *n < 1 || static_cast<std::size_t>(*n + 2) / 3 != code.size())
        return std::nullopt;
    std::vector<int> late;
    late.reserve(code.size() * 3);
    for (const char c : code) {
        const std::size_t value = kTickCode.find(c);
        if (value == std::string_view::npos)
            return std::nullopt;
        for (const int shift : {4, 2, 0})
            late.push_back(static_cast<int>(value >> shift) & 3);
    }
    late.resize(static_cast<std::size_t>(*n));
    return late;
}

std::string keyText(int code) {
    if (code > ' ' && code < 127 && code != '#')
        return std::string(1, static_cast<char>(code));
    return "#" + std::to_string(code);
}

bool isPlayerName(std::string_view name) {
    std::size_t characters = 0;
    bool visible = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7f)
            return false;
        // A character is counted at its first byte; C1 controls are U+0080 to U+009F, which
        // UTF-8 writes as C2 80 to C2 9F.
        if (byte == 0xc2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) < 0xa0)
            return false;
        if ((byte & 0xc0) != 0x80)
            ++characters;
        visible |= byte != ' ';
    }
    return visible && characters <= kMaxNameLength;
}

std::optional<std::string> withPlayer(std::string_view text, std::string_view name) {
    if (!isPlayerName(name) || !isRecording(text))
        return std::nullopt;
    std::string named;
    Fingerprint lines;
    bool best = false;
    bool ended = false;
    const auto add = [&](const std::string& line) {
        lines.add(line);
        named += line + '\n';
    };
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        std::optional<Command> command;
        try {
            command = ended ? std::nullopt : readLine(line);
        } catch (const LineError&) {
            return std::nullopt;
        }
        if (!command) {
            named.append(line).push_back('\n');
            continue;
        }
        if (std::holds_alternative<Player>(*command))
            continue;
        if (std::holds_alternative<Recording>(*command))
            lines = Fingerprint();
        if (std::holds_alternative<End>(*command)) {
            ended = true;
            named += write(End{std::to_string(lines.value())}) + '\n';
        } else {
            add(std::string(trim(line)));
        }
        if (std::holds_alternative<Best>(*command) && !std::exchange(best, true))
            add(write(Player{std::string(name)}));
    }
    if (!best || !ended)
        return std::nullopt;
    return named;
}

std::optional<std::string_view> Lines::next() {
    if (at_ >= text_.size())
        return std::nullopt;
    ++number_;
    if (at_ >= limits_.maxBytes)
        throw Stop{number_,
                   "the recording is larger than " + std::to_string(limits_.maxBytes) + " bytes"};
    const std::string_view rest = text_.substr(at_, limits_.maxLineBytes + 1);
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos && rest.size() > limits_.maxLineBytes)
        throw Stop{number_,
                   "the line is longer than " + std::to_string(limits_.maxLineBytes) + " bytes"};
    const std::string_view line = rest.substr(0, end);
    at_ += line.size() + 1;
    if (at_ - 1 > limits_.maxBytes)
        throw Stop{number_,
                   "the recording is larger than " + std::to_string(limits_.maxBytes) + " bytes"};
    return line;
}

std::optional<std::string_view> StreamLines::next() {
    line_.clear();
    ++number_;
    std::streambuf* buffer = in_.rdbuf();
    for (int c = buffer->sbumpc(); c != std::char_traits<char>::eof(); c = buffer->sbumpc()) {
        if (c == '\n')
            return line_;
        if (line_.size() == max_)
            throw Stop{number_, "the line is longer than " + std::to_string(max_) + " bytes"};
        line_ += static_cast<char>(c);
    }
    in_.setstate(std::ios::eofbit);
    if (line_.empty())
        return std::nullopt;
    return line_;
}

std::vector<Command> readAll(std::string_view text, const Limits& limits) {
    std::vector<Command> commands;
    Lines lines(text, limits);
    while (const auto line = lines.next()) {
        try {
            if (auto command = readLine(*line))
                commands.push_back(std::move(*command));
        } catch (const LineError& error) {
            throw Stop{lines.number(), error.message};
        }
    }
    return commands;
}

bool isRecording(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        if (!line.empty() && line.front() != '#')
            return line == "recording";
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return false;
}

void Fingerprint::add(std::string_view line) {
    for (const char c : line) {
        value_ ^= static_cast<unsigned char>(c);
        value_ *= 1099511628211ULL;
    }
    value_ ^= '\n';
    value_ *= 1099511628211ULL;
}

} // namespace zelto::script
