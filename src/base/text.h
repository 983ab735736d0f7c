// Small text helpers shared by the core.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelto {

/// Compares two texts of plain ASCII letters without regard to case.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

/// The shortest decimal text of a number: plain digits for a whole number (with a minus sign
/// when negative), otherwise the shortest text that reads back as the same value, with "."
/// as the decimal point whatever the locale.
std::string formatNumber(double value);
/// The same for a single-precision position.
std::string formatNumber(float value);

/// A length of play as people read it: "2 min 14 s", "14 s", "1 h 0 min 5 s".
std::string formatPlayLength(std::int64_t ms);

} // namespace zelto
