#include "enemies/progression.h"

#include "field/form1.h"
#include "scoring/caption_number.h"

#include <string>

namespace zelto {

namespace {
constexpr double kReentryBelowStore = 200;
constexpr double kShotBelowAlien = 610;
constexpr double kShotRightOfAlien = 210;
constexpr double kImage8AboveStore = 80;
} // namespace

void Form1_Label1_Change(Form1& form) {
    const std::int32_t score = readCaptionWhole(form.Label1.caption);
    const std::int32_t best = readCaptionWhole(form.Label4.caption);
    if (best < score)
        form.Label4.caption = std::to_string(score);

    const float picnem1Top = form.store(Picture::Picnem1).top;
    const float picnem2Top = form.store(Picture::Picnem2).top;
    const float picnem10Top = form.store(Picture::Picnem10).top;

    // A
    if (score > 600 && !form.TimerAlieno.Enabled()) {
        form.TimerAlieno.setEnabled(true);
        form.ImgAlieno.top = store(picnem1Top + kReentryBelowStore);
    }
    // B: the shot starts under the alien's new position.
    if (score > 4500 && !form.Timer15.Enabled()) {
        form.Timer15.setEnabled(true);
        form.ImgAl1.top = store(picnem1Top + kReentryBelowStore);
        form.Sparonem.left = store(form.ImgAl1.left + kShotRightOfAlien);
        form.Sparonem.top = store(form.ImgAl1.top + kShotBelowAlien);
        form.Timer21.setEnabled(true);
        form.Sparonem.visible = true;
    }
    // C
    if (score > 1600 && !form.Timer19.Enabled()) {
        form.Timer19.setEnabled(true);
        form.Imgal2.top = store(picnem2Top + kReentryBelowStore);
    }
    // D
    if (score > 2600 && !form.Timer8.Enabled()) {
        form.Timer8.setEnabled(true);
        form.Image5.top = store(picnem2Top + kReentryBelowStore);
        form.Image5.visible = true;
    }
    // E
    if (score > 16000) {
        form.Timer8.setInterval(35);
        form.Timer21.setInterval(30);
        form.assignPicture(form.ImgAlieno, Picture::Picture2);
        form.assignPicture(form.Image5, Picture::Picture2);
    }
    // F
    if (score > 30000) {
        form.Timer8.setInterval(15);
        form.Timer21.setInterval(3);
        form.TimerAlieno.setInterval(35);
        form.Timer19.setInterval(35);
        form.Timer15.setInterval(45);
        form.Timer10.setEnabled(true);
        form.Timer10.setInterval(50);
        form.assignPicture(form.Image8, Picture::Picture2);
        form.Image8.visible = true;
        form.Image8.top = store(picnem10Top - kImage8AboveStore);
    }
}

} // namespace zelto
