#include "scoring/game_over.h"

#include "field/form1.h"
#include "scoring/record_file.h"

namespace zelto {

namespace {
constexpr float kParkedTop = -3000;
} // namespace

void Esplosione(Form1& form) {
    playSequence(form.MMControl2, "c:\\wav\\esplosione.wav");
}

void GameOver(Form1& form) {
    Esplosione(form);
    for (auto timer : objectsOf<Timer, kStoppedAtGameOver>())
        (form.*timer).setEnabled(false);
    // Parked enemies keep their visibility: a destroyed one stays hidden.
    for (auto enemy : objectsOf<Image, kEnemy>())
        (form.*enemy).top = kParkedTop;
    form.assignPicture(form.Image1, form.Picture1);
    writeRecordIfDue(form);
    form.host().showMessage("GameOver", "Zelto!");
}

} // namespace zelto
