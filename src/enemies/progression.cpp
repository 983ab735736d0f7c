#include "enemies/progression.h"

#include "base/caption_number.h"
#include "field/form1.h"

#include <array>
#include <string>

namespace zelto {

namespace {

/// An object that a score above `threshold` brings back while its timer is off: the timer
/// starts and the image re-enters 200 twips below a picture store's top.
struct Arrival {
    int threshold;
    Timer Form1::*timer;
    Image Form1::*image;
    PictureStore Form1::*heightOf;
    bool shows;     // the image is made visible as well
    bool dropsShot; // the alien shot starts under the image's new position
};

/// A timer that a score above a threshold speeds up.
struct Retime {
    Timer Form1::*timer;
    int interval;
};

/// What a score above `threshold` speeds up, and the images that take the saucer picture.
struct SpeedUp {
    int threshold;
    std::array<Retime, 5> retimes; // unused rows have no timer
    std::array<Image Form1::*, 2> saucers;
};

constexpr double kReentryBelowStore = 200;
constexpr double kShotBelowAlien = 610;
constexpr double kShotRightOfAlien = 210;
constexpr double kImage8AboveStore = 80;

// Rows in any order: each arrival has a timer of its own and touches nothing another reads.
constexpr std::array<Arrival, 4> kArrivals{{
    {600, &Form1::TimerAlieno, &Form1::ImgAlieno, &Form1::Picnem1, false, false}, // first alien
    {4500, &Form1::Timer15, &Form1::ImgAl1, &Form1::Picnem1, false, true},        // the shooter
    {1600, &Form1::Timer19, &Form1::Imgal2, &Form1::Picnem2, false, false},       // second alien
    {2600, &Form1::Timer8, &Form1::Image5, &Form1::Picnem2, true, false},         // Image5 back
}};

constexpr SpeedUp kFaster{
    16000, {{{&Form1::Timer8, 35}, {&Form1::Timer21, 30}}}, {&Form1::ImgAlieno, &Form1::Image5}};
// Rows in any order: each retimes a timer of its own.
constexpr SpeedUp kFastest{30000,
                           {{{&Form1::Timer8, 15},
                             {&Form1::Timer21, 3},
                             {&Form1::TimerAlieno, 35},
                             {&Form1::Timer19, 35},
                             {&Form1::Timer15, 45}}},
                           {}};

void arrive(Form1& form, const Arrival& arrival) {
    Image& image = form.*arrival.image;
    (form.*arrival.timer).setEnabled(true);
    image.top = store((form.*arrival.heightOf).top + kReentryBelowStore);
    if (arrival.shows)
        image.visible = true;
    if (arrival.dropsShot) {
        form.Sparonem.left = store(image.left + kShotRightOfAlien);
        form.Sparonem.top = store(image.top + kShotBelowAlien);
        form.Timer21.setEnabled(true);
        form.Sparonem.visible = true;
    }
}

void speedUp(Form1& form, const SpeedUp& speedUp) {
    for (const Retime& retime : speedUp.retimes) {
        if (retime.timer)
            (form.*retime.timer).setInterval(retime.interval);
    }
    for (auto image : speedUp.saucers) {
        if (image)
            form.assignPicture(form.*image, form.Picture2);
    }
}

} // namespace

void Form1_Label1_Change(Form1& form) {
    const std::int32_t score = readCaptionWhole(form.Label1.caption);
    const std::int32_t best = readCaptionWhole(form.Label4.caption);
    if (best < score)
        form.Label4.caption = std::to_string(score);

    for (const Arrival& arrival : kArrivals) {
        if (score > arrival.threshold && !(form.*arrival.timer).Enabled())
            arrive(form, arrival);
    }
    if (score > kFaster.threshold)
        speedUp(form, kFaster);
    if (score > kFastest.threshold) {
        speedUp(form, kFastest);
        // Image8 comes back too, faster than before, as a saucer near the top.
        form.Timer10.setEnabled(true);
        form.Timer10.setInterval(50);
        form.assignPicture(form.Image8, form.Picture2);
        form.Image8.visible = true;
        form.Image8.top = store(form.Picnem10.top - kImage8AboveStore);
    }
}

} // namespace zelto
