#include "player/ship.h"

#include "field/form1.h"
#include "field/movement.h"

namespace zelto {

namespace {
constexpr double kEdgeMargin = 20;
} // namespace

void Form1_Timer2_Timer(Form1& form) {
    stepOrWrap(form, form.Image1, Heading::Left, kEdgeMargin);
}

void Form1_Timer3_Timer(Form1& form) {
    stepOrWrap(form, form.Image1, Heading::Right, -kEdgeMargin);
}

} // namespace zelto
