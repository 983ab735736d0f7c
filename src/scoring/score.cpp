#include "scoring/score.h"

#include "base/caption_number.h"
#include "base/text.h"
#include "field/form1.h"

namespace zelto {

void addPoints(Form1& form, double points) {
    const double score = readScoreCaption(form.Label1.caption) + points;
    form.setLabel1Caption(formatNumber(score));
}

} // namespace zelto
