// The kinds of visible object on the play field.
#pragma once

#include "field/artwork.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zelto {

/// An image shows its picture, opaque and never stretched, at (left, top). It keeps the
/// store it took its picture from; it has none until one is assigned.
struct Image {
    float left;
    float top;
    float width;
    float height;
    bool visible;
    const PictureStore* picture = nullptr;
};

/// A colour as red, green, blue.
struct Rgb {
    std::uint8_t r, g, b;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

/// A rectangle drawn with a one-pixel outline, filled where it has a fill colour.
struct Shape {
    float left;
    float top;
    float width;
    float height;
    bool visible;
    Rgb border;
    std::optional<Rgb> fill;
};

enum class Alignment : std::uint8_t { Left, Right };

/// A caption on the field, always visible. All four labels use MS Sans Serif 12 pt bold in
/// white.
struct Label {
    std::string caption;
    float left;
    float top;
    float width;
    float height;
    Rgb background;
    Alignment alignment;
};

} // namespace zelto
