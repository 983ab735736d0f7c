// The play field's key commands.
#pragma once

namespace zelto {

class Form1;

/// Carries out the command of a typed character: "m" fire, "q" quit, "s" music off,
/// "a" music on, "z" left, "x" right, "p" stop, "l" turbo on, "k" turbo off. Only these
/// lower-case letters do anything. Quit writes the record file if due and asks the window
/// to close.
void Form1_Form_KeyPress(Form1& form, int keyAscii);

} // namespace zelto
