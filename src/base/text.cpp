#include "base/text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace zelto {

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

template <typename T>
std::string shortest(T value) {
    // Whole numbers keep their digits ("1000000", not "1e+06").
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        const auto whole = static_cast<long long>(value);
        return std::to_string(whole == 0 ? 0LL : whole);
    }
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string formatNumber(double value) {
    return shortest(value);
}
std::string formatNumber(float value) {
    return shortest(value);
}

std::string formatPlayLength(std::int64_t ms) {
    const std::int64_t seconds = ms / 1000;
    std::string text;
    if (seconds >= 3600)
        text += std::to_string(seconds / 3600) + " h ";
    if (seconds >= 60)
        text += std::to_string(seconds / 60 % 60) + " min ";
    return text + std::to_string(seconds % 60) + " s";
}

} // namespace zelto
