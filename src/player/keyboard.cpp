#include "player/keyboard.h"

#include "field/form1.h"
#include "player/laser.h"
#include "scoring/record_file.h"

#include <limits>

namespace zelto {

namespace {

void setSpeed(Form1& form, int shipInterval) {
    form.Timer1.setInterval(1);
    form.Timer2.setInterval(shipInterval);
    form.Timer3.setInterval(shipInterval);
}

/// Turbo also adds 400 to ShotStep. The shot tick overwrites it with 200 before every use,
/// so the sum never reaches the shots; it stops at the 16-bit limit instead of overflowing
/// when turbo is pressed many times between two shot ticks.
void addTurboToShotStep(Form1& form) {
    constexpr int kLimit = std::numeric_limits<std::int16_t>::max();
    const int sum = form.ShotStep + 400;
    form.ShotStep = static_cast<std::int16_t>(sum > kLimit ? kLimit : sum);
}

} // namespace

void Form1_Form_KeyPress(Form1& form, int keyAscii) {
    // Every test is made, in this order; a code matches at most one letter.
    if (keyAscii == 'm')
        fire(form);
    if (keyAscii == 'q') {
        writeRecordIfDue(form);
        form.Unload();
    }
    if (keyAscii == 's')
        form.MMControl1.setCommand("close");
    if (keyAscii == 'a')
        playSequence(form.MMControl1, "c:\\wav\\musica.wav");
    if (keyAscii == 'z') {
        form.Timer2.setEnabled(true);
        form.Timer3.setEnabled(false);
    }
    if (keyAscii == 'x') {
        form.Timer3.setEnabled(true);
        form.Timer2.setEnabled(false);
    }
    if (keyAscii == 'p') {
        form.Timer1.setEnabled(false);
        form.Timer2.setEnabled(false);
        form.Timer3.setEnabled(false);
    }
    if (keyAscii == 'l') {
        setSpeed(form, 2);
        addTurboToShotStep(form);
    }
    if (keyAscii == 'k')
        setSpeed(form, 100);
}

} // namespace zelto
