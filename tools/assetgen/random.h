#pragma once

#include <cstdint>

namespace assetgen {

// SplitMix64: a tiny generator whose sequence is fixed by its seed on every platform, unlike
// the standard distributions, so the generated files stay byte-identical between runs.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double range(double low, double high) { return low + (high - low) * unit(); }
    // Uniform in [-1, 1).
    double signedUnit() { return 2.0 * unit() - 1.0; }

private:
    std::uint64_t state_;
};

} // namespace assetgen
