#include "player/ship.h"

#include "field/form1.h"

namespace zelto {

namespace {
constexpr double kStep = 100;
constexpr double kEdgeMargin = 20;
constexpr double kWrapOffset = 200;
} // namespace

void Form1_Timer2_Timer(Form1& form) {
    Image& ship = form.Image1;
    const float edge = store(form.Sline.left + kEdgeMargin);
    if (ship.left <= edge)
        ship.left = store(form.SLine2.left - kWrapOffset);
    else
        ship.left = store(ship.left - kStep);
}

void Form1_Timer3_Timer(Form1& form) {
    Image& ship = form.Image1;
    const float edge = store(form.SLine2.left - kEdgeMargin);
    if (ship.left >= edge)
        ship.left = store(form.Sline.left - kWrapOffset);
    else
        ship.left = store(ship.left + kStep);
}

} // namespace zelto
