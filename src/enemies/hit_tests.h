// The tests that enemies and aliens make: shots against a target, and the bottom line.
#pragma once

#include "field/form1.h"

#include <array>

namespace zelto {

/// Whether `object`'s top-left corner lies strictly within `margin` twips of `target`'s
/// top-left corner, on both axes.
template <typename Object, typename Target>
bool within(const Object& object, const Target& target, double margin) {
    return object.top > store(target.top - margin) && object.top < store(target.top + margin) &&
           object.left > store(target.left - margin) && object.left < store(target.left + margin);
}

/// Margin and points of each shot for one target, in the order the shots are tested
/// (kVolley: SnpSparo, SnpSparo2, SparoUltra, SparoUltra2, SparoUltra1).
struct ShotTable {
    std::array<double, kVolley.size()> margin;
    std::array<double, kVolley.size()> points;
};

/// Tests the five shots against the target, reading every position afresh; for each shot
/// within its margin, in shot order, `hit(points)` runs. Neither the shot's nor the target's
/// visibility counts, and a hit moves nothing, so later shots meet the same position.
template <typename OnHit>
void testShots(Form1& form, const Image& target, const ShotTable& table, OnHit hit) {
    for (std::size_t i = 0; i < kVolley.size(); ++i) {
        if (within(form.*kVolley[i], target, table.margin[i]))
            hit(table.points[i]);
    }
}

/// Whether something falling has reached the bottom line: 20 twips above lineover, or lower.
inline bool atBottomLine(const Form1& form, float top) {
    constexpr double kBottomMargin = 20;
    return top >= store(form.lineover.top - kBottomMargin);
}

} // namespace zelto
