// The laser volley: five shots placed at the ship and climbing on Timer1.
#pragma once

namespace zelto {

class Form1;

/// Places the volley at the ship (it stays hidden until the next shot tick), enables Timer1
/// without restarting it when it runs, and plays the laser sound.
void fire(Form1& form);

/// Restarts the laser sound: the play sequence on the laser channel.
void sparo(Form1& form);

/// Sets ShotStep to 200, then shows each shot and raises it by ShotStep. Nothing stops or
/// hides a shot: a volley that left the field climbs on out of sight.
void Form1_Timer1_Timer(Form1& form);

} // namespace zelto
