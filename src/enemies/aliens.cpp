#include "enemies/aliens.h"

#include "scoring/game_over.h"
#include "scoring/score.h"

namespace zelto {

namespace {
constexpr double kStep = 100;
constexpr double kEdgeMargin = 20;
constexpr double kWrapOffset = 200;
constexpr double kRowDrop = 250;
constexpr double kShipMargin = 20;
constexpr double kShotShipMargin = 150;
constexpr double kShotFall = 200;
constexpr double kBottomMargin = 20;
constexpr double kShotDropBelow = 610;
constexpr double kShotRearmRight = 240;

void wrapOrStep(Form1& form, Image& image, const Alien& alien) {
    if (alien.rightToLeft) {
        if (image.left <= store(form.Sline.left + kEdgeMargin)) {
            image.left = store(form.SLine2.left - kWrapOffset);
            image.top = store(image.top + kRowDrop);
            return;
        }
        image.left = store(image.left - kStep);
    } else {
        if (image.left >= store(form.SLine2.left + kEdgeMargin)) {
            image.left = store(form.Sline.left - kWrapOffset);
            image.top = store(image.top + kRowDrop);
            return;
        }
        image.left = store(image.left + kStep);
    }
    if (alien.drift != 0)
        image.top = store(image.top + alien.drift);
}

} // namespace

void moveAlien(Form1& form, const Alien& alien) {
    Image& image = form.*alien.image;
    image.visible = true;
    wrapOrStep(form, image, alien);
    // No upper bound: any alien at or below the ship's line counts.
    if (image.left >= store(form.Image1.left - kShipMargin) &&
        image.top >= store(form.Image1.top - kShipMargin))
        GameOver(form);
    testShots(form, image, kAlienShots, [&](double points) {
        addPoints(form, points);
        Esplosione(form);
        image.visible = false;
        form.timer(alien.timer).setEnabled(false);
        if (alien.dropsShot) {
            form.Timer21.setEnabled(false);
            form.Sparonem.visible = false;
        }
    });
}

void Form1_TimerAlieno_Timer(Form1& form) {
    moveAlien(form, kAliens[0]);
}
void Form1_Timer19_Timer(Form1& form) {
    moveAlien(form, kAliens[1]);
}
void Form1_Timer15_Timer(Form1& form) {
    moveAlien(form, kAliens[2]);
}

void Form1_Timer21_Timer(Form1& form) {
    Shape& shot = form.Sparonem;
    const Image& ship = form.Image1;
    if (shot.top > store(ship.top - kShotShipMargin) &&
        shot.top < store(ship.top + kShotShipMargin) &&
        shot.left > store(ship.left - kShotShipMargin) &&
        shot.left < store(ship.left + kShotShipMargin)) {
        Esplosione(form);
        GameOver(form);
    }
    if (shot.top >= store(form.lineover.top - kBottomMargin)) {
        shot.top = store(form.ImgAl1.top + kShotDropBelow);
        shot.left = store(form.ImgAl1.left + kShotRearmRight);
    } else {
        shot.top = store(shot.top + kShotFall);
    }
}

} // namespace zelto
