#pragma once

#include "player/laser.h"

namespace zelto {

template <typename OnHit>
void testShots(Form1& form, const Image& target, const ShotTable& table, OnHit hit) {
    for (std::size_t i = 0; i < kShotTestOrder.size(); ++i) {
        const Shape& shot = form.*kShotTestOrder[i];
        const double margin = table.margin[i];
        if (shot.top > store(target.top - margin) && shot.top < store(target.top + margin) &&
            shot.left > store(target.left - margin) && shot.left < store(target.left + margin))
            hit(table.points[i]);
    }
}

} // namespace zelto
