// libFuzzer target: checking any text as a recorded game never crashes or hangs, stays within
// its limits, and says why in one printable line that names a line of the text.
#include "replay/verify.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zelto::VerifyOptions options;
    options.limits.maxPlayMs = 10 * 60 * 1000; // ten minutes of play keep one input quick
    options.partial = size % 2 == 1;
    const zelto::Verdict verdict = zelto::verifyRecording(text, options);
    if (!verdict.stop)
        return 0;
    for (const char c : verdict.stop->message) {
        if (c < 0x20 || c == 0x7f)
            std::abort();
    }
    if (verdict.stop->line < 1 || verdict.finished())
        std::abort();
    return 0;
}
