// The pictures of the play field: what each shows, and the invisible stores that hold them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace zelto {

/// What a picture shows; the shell draws each one from its own artwork.
enum class Artwork : std::uint8_t { Ship, Wreck, Saucer, Craft, Rock };

struct ArtworkInfo {
    std::string_view file; // resource name of the picture
    int widthPx;
    int heightPx;
};

/// Indexed by Artwork.
inline constexpr std::array<ArtworkInfo, 5> kArtwork{{
    {"ship.bmp", 50, 64},
    {"wreck.bmp", 50, 64},
    {"saucer.gif", 50, 50},
    {"craft.bmp", 50, 64},
    {"rock.gif", 30, 37},
}};

constexpr const ArtworkInfo& artworkInfo(Artwork art) {
    return kArtwork[static_cast<std::size_t>(art)];
}

/// An invisible holder of one picture, part of the window's design. Its position matters to
/// the rules: re-entering objects are placed relative to a store.
struct PictureStore {
    float left;
    float top;
    Artwork art;
};

} // namespace zelto
