#include "scoring/score.h"

#include "field/form1.h"
#include "field/text.h"
#include "scoring/caption_number.h"

namespace zelto {

void addPoints(Form1& form, double points) {
    const double score = readScoreCaption(form.Label1.caption) + points;
    form.setLabel1Caption(formatNumber(score));
}

} // namespace zelto
