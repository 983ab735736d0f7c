// Ship movement: Timer2 steers left, Timer3 right, 100 twips a tick, wrapping at the edges.
#pragma once

namespace zelto {

class Form1;

/// One step left, or from the left edge (Sline + 20, inclusive) to SLine2 - 200.
void Form1_Timer2_Timer(Form1& form);
/// One step right, or from the right edge (SLine2 - 20, inclusive) to Sline - 200.
void Form1_Timer3_Timer(Form1& form);

} // namespace zelto
