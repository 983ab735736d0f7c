#include "scoring/game_over.h"

#include "field/form1.h"
#include "scoring/record_file.h"

namespace zelto {

void Esplosione(Form1& form) {
    playSequence(form.MMControl2, "c:\\wav\\esplosione.wav");
}

void GameOver(Form1& form) {
    Esplosione(form);
    for (Timer* timer : {&form.Timer19, &form.Timer1, &form.Timer2, &form.Timer3, &form.Timer4,
                         &form.Timer5, &form.Timer6, &form.Timer7, &form.Timer8, &form.Timer9,
                         &form.Timer10, &form.Timer11, &form.Timer12, &form.Timer13, &form.Timer16})
        timer->setEnabled(false);
    // Parked enemies keep their visibility: a destroyed one stays hidden.
    for (Image* enemy :
         {&form.Image2, &form.Image3, &form.Image4, &form.Image5, &form.Image6, &form.Image7,
          &form.Image8, &form.Image9, &form.Image10, &form.Image11, &form.Image12, &form.Image13})
        enemy->top = -3000;
    for (Timer* timer : {&form.Timer21, &form.Timer15, &form.TimerAlieno})
        timer->setEnabled(false);
    form.assignPicture(form.Image1, Picture::Picture1);
    writeRecordIfDue(form);
    form.host().showMessage("GameOver", "Zelto!");
}

} // namespace zelto
