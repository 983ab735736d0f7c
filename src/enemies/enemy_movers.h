// The eleven falling enemies, each moved by a timer of its own.
#pragma once

#include "enemies/shot_test.h"
#include "field/form1.h"

#include <array>

namespace zelto {

/// One enemy mover's constants. Timers and images pair irregularly; this table is the only
/// source of the pairing.
struct EnemyMover {
    TimerId timer;
    Image Form1::*image;
    double step; // twips down per tick
    ShotTable shots;
    Handler handler;
};

/// Margins and points of the common movers.
inline constexpr ShotTable kCommonEnemyShots{{250, 250, 250, 250, 250}, {100, 50, 50, 100, 100}};

template <std::size_t Index>
void enemyTick(Form1& form);

inline constexpr std::array<EnemyMover, 11> kEnemyMovers{{
    {TimerId::Timer4,
     &Form1::Image2,
     10,
     {{100, 100, 100, 100, 100}, {100, 100, 100, 100, 100}},
     enemyTick<0>},
    {TimerId::Timer16, &Form1::Image3, 28, kCommonEnemyShots, enemyTick<1>},
    {TimerId::Timer13,
     &Form1::Image4,
     9,
     {{100, 250, 250, 250, 250}, {100, 50, 100, 100, 100}},
     enemyTick<2>},
    {TimerId::Timer8, &Form1::Image5, 28, kCommonEnemyShots, enemyTick<3>},
    {TimerId::Timer5, &Form1::Image6, 28, kCommonEnemyShots, enemyTick<4>},
    {TimerId::Timer6, &Form1::Image7, 28, kCommonEnemyShots, enemyTick<5>},
    {TimerId::Timer10, &Form1::Image8, 28, kCommonEnemyShots, enemyTick<6>},
    // A hit of SparoUltra2 on Image9 scores 100, like on every other common mover.
    {TimerId::Timer9, &Form1::Image9, 28, kCommonEnemyShots, enemyTick<7>},
    {TimerId::Timer7, &Form1::Image10, 28, kCommonEnemyShots, enemyTick<8>},
    {TimerId::Timer11, &Form1::Image12, 28, kCommonEnemyShots, enemyTick<9>},
    {TimerId::Timer12,
     &Form1::Image13,
     15,
     {{250, 250, 250, 250, 250}, {100, 50, 100, 100, 100}},
     enemyTick<10>},
}};

/// One tick of an enemy: at or below the bottom line (lineover.Top - 20) the game ends and
/// the enemy stays; otherwise it falls one step. Then the five shots are tested: each hit
/// adds its points, explodes, hides the enemy and stops its timer. The tests run even after
/// GameOver has returned, against the parked position.
void moveEnemy(Form1& form, const EnemyMover& mover);

template <std::size_t Index>
void enemyTick(Form1& form) {
    moveEnemy(form, kEnemyMovers[Index]);
}

} // namespace zelto
