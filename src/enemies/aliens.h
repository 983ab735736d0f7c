// The three aliens that sweep sideways, and the shot that ImgAl1 drops.
#pragma once

#include "enemies/hit_tests.h"
#include "field/form1.h"
#include "field/movement.h"

#include <array>

namespace zelto {

/// One alien's constants. Aliens heading left wrap from Sline + 20 (inclusive) to
/// SLine2 - 200; the one heading right from SLine2 + 20 (inclusive) to Sline - 200.
struct Alien {
    Timer Form1::*timer;
    Image Form1::*image;
    Heading heading;
    double drift; // twips down per step between wraps
    bool dropsShot;
};

// Rows in any order: each names its own timer and image.
inline constexpr std::array<Alien, 3> kAliens{{
    {&Form1::TimerAlieno, &Form1::ImgAlieno, Heading::Left, 0, false},
    {&Form1::Timer19, &Form1::Imgal2, Heading::Right, 20, false},
    {&Form1::Timer15, &Form1::ImgAl1, Heading::Left, 20, true},
}};

inline constexpr ShotTable kAlienShots{{150, 250, 250, 250, 250}, {500, 250, 250, 500, 500}};

/// One tick of an alien: show it; step or wrap (a wrap drops a row of 250); end the game if
/// it is at or below the ship's line no more than 20 left of the ship; then the shot tests.
/// A hit scores, explodes, hides the alien and stops its timer (and ImgAl1's shot).
void moveAlien(Form1& form, const Alien& alien);

/// The aliens' tick handlers, in the order of kAliens.
inline constexpr auto kAlienTicks = rowTicks<kAliens, moveAlien>();

/// The alien shot: if it meets the ship (strictly within 150 on both axes) explosion and
/// GameOver; then it falls 200, or from the bottom line starts again under ImgAl1.
void Form1_Timer21_Timer(Form1& form);

} // namespace zelto
