// The text forms of replay scripts: quoted texts, numbers and words.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelto {

/// A text in double quotes, with \r, \n, \t, \\, \" and \xHH for the other control
/// characters, so that any bytes fit on one line.
std::string quote(std::string_view text);
/// The text of a quoted form; nothing when it is not one.
std::optional<std::string> unquote(std::string_view text);

/// A whole number and nothing else.
std::optional<long long> parseWhole(std::string_view text);
/// "true" or "false".
std::optional<bool> parseBool(std::string_view text);

/// The text without blanks and tabs around it (and a carriage return at its end).
std::string_view trim(std::string_view text);
/// Splits off the first blank-separated word of `rest`.
std::string_view nextWord(std::string_view& rest);

} // namespace zelto
