#include "base/caption_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace zelto {

namespace {

bool isIgnored(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// Collects the leading number of `text` into plain "[-]digits[.digits][e[-]digits]" form,
/// skipping the ignored characters. Returns false when there is no number.
bool leadingNumber(std::string_view text, std::string& number, bool& mantissaIsZero,
                   long& integerDigits, long& exponent) {
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
    integerDigits = 0;
    mantissaIsZero = true;
    for (; isDigit(c); ++i, c = next()) {
        number += c;
        digits = true;
        if (c != '0')
            mantissaIsZero = false;
        leadingZeros = leadingZeros && c == '0';
        if (!leadingZeros)
            ++integerDigits;
    }
    if (c == '.') {
        ++i;
        c = next();
        std::string fraction;
        for (; isDigit(c); ++i, c = next()) {
            fraction += c;
            if (c != '0')
                mantissaIsZero = false;
        }
        if (!fraction.empty()) {
            number += '.';
            number += fraction;
            digits = true;
        }
    }
    if (!digits)
        return false;
    exponent = 0;
    if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
        const std::size_t mark = i;
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
        if (powerDigits) {
            exponent = power.empty() ? 0 : std::stol(power);
            if (negativePower)
                exponent = -exponent;
            number += 'e' + std::to_string(exponent);
        } else {
            i = mark;
        }
    }
    return true;
}

} // namespace

double readCaptionNumber(std::string_view text) {
    std::string number;
    bool mantissaIsZero = true;
    long integerDigits = 0;
    long exponent = 0;
    if (!leadingNumber(text, number, mantissaIsZero, integerDigits, exponent))
        return 0.0;
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        const bool negative = number.front() == '-';
        // Too large: the largest double of its sign. Too small: zero.
        if (mantissaIsZero || integerDigits + exponent <= 0)
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
