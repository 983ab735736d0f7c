// Reading numbers from captions.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zelto {

/// The numeric reading of a caption: the leading decimal number (sign, digits, point,
/// exponent) as a double. Blanks, tabs and line feeds are ignored wherever they stand; a
/// carriage return or any other character ends the number; a text without one reads 0.
/// A number too large for a double reads as the largest double of its sign.
double readCaptionNumber(std::string_view text);

/// The whole-number reading used by the difficulty step: the numeric reading rounded to the
/// nearest whole number, halves to the even neighbour, saturated to the 32-bit range.
std::int32_t readCaptionWhole(std::string_view text);

/// A plain decimal number and nothing else (one optional sign, digits, a point, an exponent),
/// as the game writes its numbers; nothing when the text holds anything more or the value is
/// not finite.
std::optional<double> parseDecimal(std::string_view text);

} // namespace zelto
