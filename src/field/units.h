// The play field's units: twips, and positions kept in single precision.
#pragma once

namespace zelto {

/// Lengths are twips, 1/1440 inch: 15 to a pixel at the usual screen density.
inline constexpr int kTwipsPerPixel = 15;
/// The client area of the play field, 800 x 600 pixels.
inline constexpr int kFieldWidth = 12000;
inline constexpr int kFieldHeight = 9000;

/// Stores a value computed in double precision as a single-precision position.
constexpr float store(double value) {
    return static_cast<float>(value);
}

} // namespace zelto
