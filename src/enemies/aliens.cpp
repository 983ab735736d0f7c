#include "enemies/aliens.h"

#include "scoring/game_over.h"
#include "scoring/score.h"

namespace zelto {

namespace {
constexpr double kEdgeMargin = 20;
constexpr double kRowDrop = 250;
constexpr double kShipMargin = 20;
constexpr double kShotShipMargin = 150;
constexpr double kShotFall = 200;
constexpr double kShotDropBelow = 610;
constexpr double kShotRearmRight = 240;
} // namespace

void moveAlien(Form1& form, const Alien& alien) {
    Image& image = form.*alien.image;
    image.visible = true;
    if (stepOrWrap(form, image, alien.heading, kEdgeMargin))
        image.top = store(image.top + kRowDrop);
    else if (alien.drift != 0)
        image.top = store(image.top + alien.drift);
    // No upper bound: any alien at or below the ship's line counts.
    if (image.left >= store(form.Image1.left - kShipMargin) &&
        image.top >= store(form.Image1.top - kShipMargin))
        GameOver(form);
    testShots(form, image, kAlienShots, [&](double points) {
        addPoints(form, points);
        Esplosione(form);
        image.visible = false;
        (form.*alien.timer).setEnabled(false);
        if (alien.dropsShot) {
            form.Timer21.setEnabled(false);
            form.Sparonem.visible = false;
        }
    });
}

void Form1_Timer21_Timer(Form1& form) {
    Shape& shot = form.Sparonem;
    if (within(shot, form.Image1, kShotShipMargin)) {
        Esplosione(form);
        GameOver(form);
    }
    if (atBottomLine(form, shot.top)) {
        shot.top = store(form.ImgAl1.top + kShotDropBelow);
        shot.left = store(form.ImgAl1.left + kShotRearmRight);
    } else {
        shot.top = store(shot.top + kShotFall);
    }
}

} // namespace zelto
