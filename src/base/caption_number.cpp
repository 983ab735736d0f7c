#include "base/caption_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace zelto {

namespace {

bool isIgnored(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// The leading number of a text in plain "[-]digits[.digits][e[-]digits]" form, with how many
/// significant digits stand before its point and its power of ten.
struct LeadingNumber {
    std::string number;
    long integerDigits = 0;
    long exponent = 0;
};

/// Collects the leading number of `text`, skipping the ignored characters; nothing when there
/// is no number.
std::optional<LeadingNumber> leadingNumber(std::string_view text) {
    LeadingNumber found;
    std::string& number = found.number;
    std::size_t i = 0;
    auto next = [&]() -> char {
        while (i < text.size() && isIgnored(text[i]))
            ++i;
        return i < text.size() ? text[i] : '\0';
    };
    char c = next();
    if (c == '+' || c == '-') {
        if (c == '-')
            number += '-';
        ++i;
        c = next();
    }
    bool digits = false;
    bool leadingZeros = true;
    for (; isDigit(c); ++i, c = next()) {
        number += c;
        digits = true;
        leadingZeros = leadingZeros && c == '0';
        if (!leadingZeros)
            ++found.integerDigits;
    }
    if (c == '.') {
        ++i;
        c = next();
        std::string fraction;
        for (; isDigit(c); ++i, c = next())
            fraction += c;
        if (!fraction.empty()) {
            number += '.';
            number += fraction;
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;
    if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
        ++i;
        c = next();
        bool negativePower = false;
        if (c == '+' || c == '-') {
            negativePower = c == '-';
            ++i;
            c = next();
        }
        // The significant digits only, and no more of them than it takes to go past the
        // range of a double either way.
        std::string power;
        bool powerDigits = false;
        for (; isDigit(c); ++i, c = next()) {
            powerDigits = true;
            if ((c != '0' || !power.empty()) && power.size() < 12)
                power += c;
        }
        // Without digits the letter is no exponent, and the number ends before it.
        if (powerDigits) {
            const long exponent = power.empty() ? 0 : std::stol(power);
            found.exponent = negativePower ? -exponent : exponent;
            number += 'e' + std::to_string(found.exponent);
        }
    }
    return found;
}

} // namespace

double readCaptionNumber(std::string_view text) {
    const std::optional<LeadingNumber> found = leadingNumber(text);
    if (!found)
        return 0.0;
    const std::string& number = found->number;
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        const bool negative = number.front() == '-';
        // Too large: the largest double of its sign. Too small (a mantissa of zero never is):
        // zero.
        if (found->integerDigits + found->exponent <= 0)
            return negative ? -0.0 : 0.0;
        const double largest = std::numeric_limits<double>::max();
        return negative ? -largest : largest;
    }
    return value;
}

std::int32_t readCaptionWhole(std::string_view text) {
    using Limits = std::numeric_limits<std::int32_t>;
    return static_cast<std::int32_t>(std::clamp(std::nearbyint(readCaptionNumber(text)),
                                                static_cast<double>(Limits::min()),
                                                static_cast<double>(Limits::max())));
}

std::optional<double> parseDecimal(std::string_view text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    // One sign at most: from_chars takes a minus but not a plus.
    if (begin != end && *begin == '+' && ++begin != end && *begin == '-')
        return std::nullopt;
    double value = 0.0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace zelto
