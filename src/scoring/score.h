// The score rule.
#pragma once

namespace zelto {

class Form1;

/// Adds points to the score: reads Label1's caption strictly, adds, and writes the sum back
/// in its shortest form ("0" -> "100" -> "150"). The write raises the score label's change
/// handler before this returns.
void addPoints(Form1& form, double points);

} // namespace zelto
