// The laser volley: five shots placed at the ship and climbing on Timer1.
#pragma once

#include "field/form1.h"

#include <array>

namespace zelto {

/// The five player shots in the order in which targets test them.
inline constexpr std::array<Shape Form1::*, 5> kShotTestOrder{
    &Form1::SnpSparo, &Form1::SnpSparo2, &Form1::SparoUltra, &Form1::SparoUltra2,
    &Form1::SparoUltra1};

/// Places the volley at the ship (it stays hidden until the next shot tick), enables Timer1
/// without restarting it when it runs, and plays the laser sound.
void fire(Form1& form);

/// Restarts the laser sound: the play sequence on the laser channel.
void sparo(Form1& form);

/// Sets ShotStep to 200, then shows each shot and raises it by ShotStep. Nothing stops or
/// hides a shot: a volley that left the field climbs on out of sight.
void Form1_Timer1_Timer(Form1& form);

} // namespace zelto
