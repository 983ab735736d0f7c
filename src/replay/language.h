// The language of replay scripts and recorded games: every command as a typed value, the one
// table that names each command with its reader and whether a recording may hold it, its
// writer, the tick code and the reading of lines under caps. Everything that reads or writes a
// script or a recording goes through here: zelto-replay, the recorder, watching a recording and
// the score board's check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace zelto::script {

// ---- The commands ----------------------------------------------------------------------------

/// open: shows the play field.
struct Open {
    friend bool operator==(const Open&, const Open&) = default;
};
/// key C [+MS] / key #CODE [+MS]: a typed character, MS after the field's time.
struct Key {
    int code = 0;
    std::int64_t later = 0;
    friend bool operator==(const Key&, const Key&) = default;
};
/// wait MS: virtual time passes, every tick at its own moment.
struct Wait {
    std::int64_t ms = 0;
    friend bool operator==(const Wait&, const Wait&) = default;
};
/// tick TIMER: one tick of a timer, whatever its state.
struct Tick {
    std::string timer;
    friend bool operator==(const Tick&, const Tick&) = default;
};
/// set OBJECT.PROPERTY VALUE | set ShotStep N: a fixture; no handler runs.
struct Set {
    std::string target;
    std::string value;
    friend bool operator==(const Set&, const Set&) = default;
};
/// score POINTS: points added by the score rule.
struct Score {
    double points = 0;
    friend bool operator==(const Score&, const Score&) = default;
};
/// call GameOver|Esplosione|sparo.
struct Call {
    std::string routine;
    friend bool operator==(const Call&, const Call&) = default;
};
/// print OBJECT.PROPERTY | OBJECT | Form1 | ShotStep.
struct Print {
    std::string target;
    friend bool operator==(const Print&, const Print&) = default;
};
/// recording: a recorded game begins; a message box stays open until "answer".
struct Recording {
    friend bool operator==(const Recording&, const Recording&) = default;
};
/// best "BYTES": the best score the recorded game began with.
struct Best {
    std::string bytes;
    friend bool operator==(const Best&, const Best&) = default;
};
/// player "NAME": who played the recorded game.
struct Player {
    std::string name;
    friend bool operator==(const Player&, const Player&) = default;
};
/// refused: the record file refused every write in the recorded game (it could not be read,
/// or was no regular file), so the game wrote no record.
struct Refused {
    friend bool operator==(const Refused&, const Refused&) = default;
};
/// at MS: the clock advances to MS; nothing when the text is no whole number, which only the
/// interpreter can word (it names the clock's time).
struct At {
    std::optional<std::int64_t> ms;
    friend bool operator==(const At&, const At&) = default;
};
/// ticks N CODE: N advances, each to the next due tick plus 0 to 3 ms (see encodeTicks).
struct Ticks {
    std::vector<int> late;
    friend bool operator==(const Ticks&, const Ticks&) = default;
};
/// pause MS: the player paused for MS of real time, which the rules never see.
struct Pause {
    std::int64_t ms = 0;
    friend bool operator==(const Pause&, const Pause&) = default;
};
/// answer [+MS]: the message box is answered, MS after the field's time.
struct Answer {
    std::int64_t later = 0;
    friend bool operator==(const Answer&, const Answer&) = default;
};
/// close [+MS]: the play field's window is closed, MS after the field's time.
struct Close {
    std::int64_t later = 0;
    friend bool operator==(const Close&, const Close&) = default;
};
/// expect TARGET VALUE: how the recorded game stood when it was over.
struct Expect {
    std::string target;
    std::string value;
    friend bool operator==(const Expect&, const Expect&) = default;
};
/// end FINGERPRINT: of every line from "recording" on, so that no line was changed unseen.
struct End {
    std::string sum;
    friend bool operator==(const End&, const End&) = default;
};

/// One command; the alternatives stand in the order of kCommands.
using Command = std::variant<Open, Key, Wait, Tick, Set, Score, Call, Print, Recording, Best,
                             Player, Refused, At, Ticks, Pause, Answer, Close, Expect, End>;

/// The place of command T among the alternatives of Command.
template <typename T, typename Variant = Command>
struct IndexOf;
template <typename T, typename... Ts>
struct IndexOf<T, std::variant<Ts...>> {
    static constexpr std::size_t value = [] {
        std::size_t index = 0;
        static_cast<void>(((std::is_same_v<T, Ts> ? false : (++index, true)) && ...));
        return index;
    }();
};
template <typename T>
inline constexpr std::size_t kIndexOf = IndexOf<T>::value;

/// A line that cannot be understood, or a game that does not play out as its recording says.
/// The message quotes no more than kExcerpt characters of what it read, control bytes escaped
/// (see excerpt), so that no file can flood or steer the terminal it is shown on.
struct LineError {
    std::string message;
};

/// Where a script stops: its line, counted from 1, and why.
struct Stop {
    long line = 0;
    std::string message;
    /// "line N: MESSAGE".
    std::string text() const;
};

/// One command of the language: its name, whether a recording may hold it, and how its
/// arguments are read. Writing is write() below, through the same names.
struct Syntax {
    std::string_view name;
    bool inRecording;
    Command (*read)(std::string_view arguments);
};
extern const Syntax kCommands[std::variant_size_v<Command>];

/// The command a line holds: nothing for a blank line or a comment ("#..."); a LineError for
/// anything else that is no command.
std::optional<Command> readLine(std::string_view line);
/// The line a command is written as; readLine gives the command back.
std::string write(const Command& command);
/// The syntax of a command.
const Syntax& syntaxOf(const Command& command);

// ---- Text forms ------------------------------------------------------------------------------

/// The most of a line an error message quotes.
inline constexpr std::size_t kExcerpt = 80;
/// `text` cut to kExcerpt characters ("..." marks the cut), control bytes and bytes above 126
/// written \xHH: safe to show on a terminal.
std::string excerpt(std::string_view text);

/// How late each of a run of advances came after its due tick (0 to 3 ms), written three to a
/// character of "0-9A-Za-z-_" (16 times the first plus 4 times the second plus the third).
std::string encodeTicks(const std::vector<int>& late);
/// The lateness of `count` advances from their code; nothing when it is no such code.
std::optional<std::vector<int>> decodeTicks(std::string_view count, std::string_view code);

/// The text of a key code as "key" writes it: the character itself, or #CODE.
std::string keyText(int code);
/// The highest key code a script may give.
inline constexpr int kMaxKeyCode = 65535;

/// A player's name as a recording carries it: 1 to kMaxNameLength characters of UTF-8, no
/// control characters, not only blanks.
inline constexpr std::size_t kMaxNameLength = 20;
bool isPlayerName(std::string_view name);

/// The recording `text` with `player "NAME"` right after its best line, in place of a player
/// line it held, and its end line made to fit the lines before it, so that it checks out as it
/// did. Nothing when `name` is no player name (isPlayerName) or the text is no recording with a
/// best and an end line (or holds a line that is no command). Only the named lines change:
/// comments, blank lines and anything after the end stay as they were.
std::optional<std::string> withPlayer(std::string_view text, std::string_view name);

// ---- Reading under caps ----------------------------------------------------------------------

/// What reading a recording may cost at most, so that no file can make a reader run long or
/// grow: its size, the length of a line, and the length of play it may simulate.
struct Limits {
    std::size_t maxBytes = 4 * 1024 * 1024;
    std::size_t maxLineBytes = 1024 * 1024;
    std::int64_t maxPlayMs = 12LL * 60 * 60 * 1000;
};

/// Splits a text into lines under `limits`: a line past maxLineBytes, or a text past
/// maxBytes, is a Stop at its line before any later line is looked at.
class Lines {
public:
    Lines(std::string_view text, const Limits& limits) : text_(text), limits_(limits) {}
    /// The next line, without its line end; nothing at the end of the text. Throws Stop.
    std::optional<std::string_view> next();
    /// The number of the line next() last gave.
    long number() const { return number_; }

private:
    std::string_view text_;
    Limits limits_;
    std::size_t at_ = 0;
    long number_ = 0;
};

/// Splits a stream into lines, each at most `maxLineBytes` long: a longer one is a Stop at its
/// line, read no further than the cap.
class StreamLines {
public:
    StreamLines(std::istream& in, std::size_t maxLineBytes) : in_(in), max_(maxLineBytes) {}
    /// The next line, without its line end, valid until the next call; nothing at the end.
    std::optional<std::string_view> next();
    long number() const { return number_; }

private:
    std::istream& in_;
    std::size_t max_;
    std::string line_;
    long number_ = 0;
};

/// Every command of a text, in order, read under `limits`; throws Stop at the first line that
/// holds none (or is too long).
std::vector<Command> readAll(std::string_view text, const Limits& limits);

/// Whether a text is a recording rather than a script: its first line that is not blank and
/// no comment is "recording".
bool isRecording(std::string_view text);

/// A 64-bit fingerprint of lines of text (FNV-1a): equal lines, in the same order, give the
/// same value, and almost any change gives another. Not proof against a forger: the replay
/// itself is.
class Fingerprint {
public:
    void add(std::string_view line);
    std::uint64_t value() const { return value_; }

private:
    std::uint64_t value_ = 14695981039346656037ULL;
};

} // namespace zelto::script
