#include "base/text.h"
#include "sound/mm_control.h"

#include <system_error>

namespace zelto {

std::filesystem::path resolveWavePath(std::string_view fileName,
                                      const std::filesystem::path& waveFolder) {
#ifdef _WIN32
    std::error_code error;
    if (std::filesystem::is_regular_file(std::filesystem::path(fileName), error))
        return std::filesystem::path(fileName);
#endif
    // Only the last component counts: "c:\wav\laser.wav" and "c:/wav/laser.wav" alike.
    const auto slash = fileName.find_last_of("\\/");
    const std::string_view base =
        slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    return waveFolder / std::filesystem::path(base);
}

std::filesystem::path findWaveFolder(const std::filesystem::path& executableFolder) {
    std::error_code error;
    for (const auto& candidate :
         {executableFolder / "wav", executableFolder / ".." / "share" / "zelto" / "wav"}) {
        if (std::filesystem::is_directory(candidate, error))
            return candidate.lexically_normal();
    }
    return {};
}

} // namespace zelto
