#include "player/laser.h"

#include "field/form1.h"

#include <array>

namespace zelto {

namespace {

struct ShotPlacement {
    Shape Form1::*shot;
    double offset; // from the ship's Left
};

// The order of placing differs from the order of testing and climbing, and matters to
// neither: rows in any order, each placing its own shot.
constexpr std::array<ShotPlacement, 5> kPlacements{{
    {&Form1::SnpSparo, 100},
    {&Form1::SnpSparo2, 780},
    {&Form1::SparoUltra, 210},
    {&Form1::SparoUltra1, 420},
    {&Form1::SparoUltra2, 640},
}};

constexpr std::int16_t kClimb = 200;

} // namespace

void fire(Form1& form) {
    for (const ShotPlacement& placement : kPlacements) {
        Shape& shot = form.*placement.shot;
        shot.left = store(form.Image1.left + placement.offset);
        shot.top = form.Image1.top;
    }
    form.Timer1.setEnabled(true);
    sparo(form);
}

void sparo(Form1& form) {
    playSequence(form.MMControl3, "c:\\wav\\laser.wav");
}

void Form1_Timer1_Timer(Form1& form) {
    form.ShotStep = kClimb;
    for (auto member : kVolley) {
        Shape& shot = form.*member;
        shot.visible = true;
        shot.top = store(shot.top - form.ShotStep);
    }
}

} // namespace zelto
