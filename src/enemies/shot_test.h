// The hit test that enemies and aliens make against the five player shots.
#pragma once

#include "field/form1.h"

#include <array>

namespace zelto {

/// Margin and points of each shot for one target, in the order the shots are tested:
/// SnpSparo, SnpSparo2, SparoUltra, SparoUltra2, SparoUltra1.
struct ShotTable {
    std::array<double, 5> margin;
    std::array<double, 5> points;
};

/// Tests the five shots against the target's top-left corner, reading every position afresh.
/// A shot hits when its top-left corner lies strictly within its margin on both axes; for
/// each hit, in shot order, `hit(points)` runs. Neither the shot's nor the target's
/// visibility counts, and a hit moves nothing, so later shots meet the same position.
template <typename OnHit>
void testShots(Form1& form, const Image& target, const ShotTable& table, OnHit hit);

} // namespace zelto

#include "enemies/shot_test_impl.h"
