// The eleven falling enemies, each moved by a timer of its own.
#pragma once

#include "enemies/hit_tests.h"
#include "field/form1.h"

#include <array>

namespace zelto {

/// One enemy mover's constants. Timers, images and start-up pictures pair irregularly; this
/// table is the only source of the pairing.
struct EnemyMover {
    Timer Form1::*timer;
    Image Form1::*image;
    double step; // twips down per tick
    ShotTable shots;
    PictureStore Form1::*picture; // given at start-up
};

/// Margins and points of the common movers.
inline constexpr ShotTable kCommonEnemyShots{{250, 250, 250, 250, 250}, {100, 50, 50, 100, 100}};

// Rows in any order: each names its own timer, image and picture.
inline constexpr std::array<EnemyMover, 11> kEnemyMovers{{
    {&Form1::Timer4,
     &Form1::Image2,
     10,
     {{100, 100, 100, 100, 100}, {100, 100, 100, 100, 100}},
     &Form1::Picnem1},
    {&Form1::Timer16, &Form1::Image3, 28, kCommonEnemyShots, &Form1::Picnem2},
    {&Form1::Timer13,
     &Form1::Image4,
     9,
     {{100, 250, 250, 250, 250}, {100, 50, 100, 100, 100}},
     &Form1::Picnem3},
    {&Form1::Timer8, &Form1::Image5, 28, kCommonEnemyShots, &Form1::Picnem4},
    {&Form1::Timer5, &Form1::Image6, 28, kCommonEnemyShots, &Form1::Picnem5},
    {&Form1::Timer6, &Form1::Image7, 28, kCommonEnemyShots, &Form1::Picnem6},
    {&Form1::Timer10, &Form1::Image8, 28, kCommonEnemyShots, &Form1::Picnem7},
    // A hit of SparoUltra2 on Image9 scores 100, like on every other common mover.
    {&Form1::Timer9, &Form1::Image9, 28, kCommonEnemyShots, &Form1::Picnem8},
    {&Form1::Timer7, &Form1::Image10, 28, kCommonEnemyShots, &Form1::Picnem9},
    // Image11 has neither a mover nor a picture.
    {&Form1::Timer11, &Form1::Image12, 28, kCommonEnemyShots, &Form1::Picnem11},
    {&Form1::Timer12,
     &Form1::Image13,
     15,
     {{250, 250, 250, 250, 250}, {100, 50, 100, 100, 100}},
     &Form1::Picnem12},
}};

/// One tick of an enemy: at or below the bottom line the game ends and the enemy stays;
/// otherwise it falls one step. Then the five shots are tested: each hit adds its points,
/// explodes, hides the enemy and stops its timer. The tests run even after GameOver has
/// returned, against the parked position.
void moveEnemy(Form1& form, const EnemyMover& mover);

/// The movers' tick handlers, in the order of kEnemyMovers.
inline constexpr auto kEnemyTicks = rowTicks<kEnemyMovers, moveEnemy>();

} // namespace zelto
