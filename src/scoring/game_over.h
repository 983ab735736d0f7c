// The explosion and the end of a game.
#pragma once

namespace zelto {

class Form1;

/// Restarts the explosion sound: the play sequence on the explosion channel.
void Esplosione(Form1& form);

/// Ends the game: explosion; every mover's timer off, the aliens' too; the enemies parked
/// above the field; the wrecked ship; the record file written if due; the modal
/// "GameOver" box. Returns once the box is answered, and the caller finishes its tick.
/// Nothing records that the game is over, so a later call runs the whole sequence again.
void GameOver(Form1& form);

} // namespace zelto
