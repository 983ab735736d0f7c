// libFuzzer target: reading numbers from any caption never fails and stays consistent.
#include "base/caption_number.h"
#include "base/text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view caption(reinterpret_cast<const char*>(data), size);
    const double value = zelto::readCaptionNumber(caption);
    if (!std::isfinite(value))
        std::abort();
    const std::int32_t whole = zelto::readCaptionWhole(caption);
    // The whole reading is the nearest whole number, within the 32-bit range.
    if (value > -2147483648.0 && value < 2147483647.0 && std::fabs(value - whole) > 0.5)
        std::abort();
    // What the game writes reads back as the same value.
    if (zelto::readCaptionNumber(zelto::formatNumber(value)) != value)
        std::abort();
    return 0;
}
