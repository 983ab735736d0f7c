#include "scoring/score.h"

#include "base/caption_number.h"
#include "base/text.h"
#include "field/form1.h"

namespace zelto {

void addPoints(Form1& form, double points) {
    // The score rule reads the caption strictly, as a plain number with blanks around it, and
    // a caption that is no such number (only a fixture makes one) by the numeric reading. Every
    // text the strict reading takes, the numeric one reads to the same value, so it serves both.
    const double score = readCaptionNumber(form.Label1.caption) + points;
    form.setLabel1Caption(formatNumber(score));
}

} // namespace zelto
