// libFuzzer target: the replay tool reads any script, recordings too, without crashing. Waits are
// capped so that one input stays quick.
#include "replay/replay.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace {

const std::filesystem::path& folder() {
    static const std::filesystem::path path = [] {
        auto p = std::filesystem::temp_directory_path() / "zelto-replay-fuzzer";
        std::filesystem::create_directories(p);
        return p;
    }();
    return path;
}

/// Drops "wait" lines that would run more than a minute of virtual time.
std::string capWaits(const std::string& script) {
    std::istringstream in(script);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        const auto start = line.find_first_not_of(" \t");
        if (start != std::string::npos && line.compare(start, 4, "wait") == 0 &&
            line.size() - start > 10)
            continue;
        out += line;
        out += '\n';
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream script(capWaits(std::string(reinterpret_cast<const char*>(data), size)));
    std::ostringstream out;
    std::ostringstream err;
    const int status = zelto::runReplay(script, out, err, folder());
    if (status != 0 && status != 2)
        std::abort();
    // Warnings may come first; a script that stops says where on the last line.
    const std::string said = err.str();
    const std::size_t last = said.rfind('\n', said.size() < 2 ? 0 : said.size() - 2);
    const bool stopped = said.compare(last == std::string::npos ? 0 : last + 1, 5, "line ") == 0;
    if ((status == 2) != stopped)
        std::abort();
    return 0;
}
