#include "field/movement.h"

#include "field/form1.h"

namespace zelto {

namespace {
constexpr double kStep = 100;
constexpr double kWrapOffset = 200;
} // namespace

bool stepOrWrap(const Form1& form, Image& image, Heading heading, double edgeOffset) {
    const bool left = heading == Heading::Left;
    const Shape& ahead = left ? form.Sline : form.SLine2;
    const Shape& behind = left ? form.SLine2 : form.Sline;
    const float edge = store(ahead.left + edgeOffset);
    if (left ? image.left <= edge : image.left >= edge) {
        image.left = store(behind.left - kWrapOffset);
        return true;
    }
    image.left = store(image.left + (left ? -kStep : kStep));
    return false;
}

} // namespace zelto
