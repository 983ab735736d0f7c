#include "field/play_field.h"

#include "enemies/aliens.h"
#include "enemies/enemy_movers.h"
#include "enemies/progression.h"
#include "player/keyboard.h"
#include "player/laser.h"
#include "player/ship.h"
#include "scoring/record_file.h"

#include <array>
#include <utility>

namespace zelto {

namespace {

Form1Handlers makeHandlers() {
    Form1Handlers handlers;
    auto on = [&handlers](TimerId id, Handler handler) {
        handlers.tick[static_cast<std::size_t>(id)] = handler;
    };
    on(TimerId::Timer1, Form1_Timer1_Timer);
    on(TimerId::Timer2, Form1_Timer2_Timer);
    on(TimerId::Timer3, Form1_Timer3_Timer);
    for (const EnemyMover& mover : kEnemyMovers)
        on(mover.timer, mover.handler);
    on(TimerId::TimerAlieno, Form1_TimerAlieno_Timer);
    on(TimerId::Timer19, Form1_Timer19_Timer);
    on(TimerId::Timer15, Form1_Timer15_Timer);
    on(TimerId::Timer21, Form1_Timer21_Timer);
    handlers.label1Change = Form1_Label1_Change;
    return handlers;
}

} // namespace

const Form1Handlers kForm1Handlers = makeHandlers();

/// The enemies' rock pictures, given one after the other at start-up. Image11 gets none.
constexpr std::array<std::pair<Image Form1::*, Picture>, 11> kEnemyPictures{{
    {&Form1::Image2, Picture::Picnem1},
    {&Form1::Image3, Picture::Picnem2},
    {&Form1::Image4, Picture::Picnem3},
    {&Form1::Image5, Picture::Picnem4},
    {&Form1::Image6, Picture::Picnem5},
    {&Form1::Image7, Picture::Picnem6},
    {&Form1::Image8, Picture::Picnem7},
    {&Form1::Image9, Picture::Picnem8},
    {&Form1::Image10, Picture::Picnem9},
    {&Form1::Image12, Picture::Picnem11},
    {&Form1::Image13, Picture::Picnem12},
}};

void Form1_Form_Load(Form1& form) {
    form.assignPicture(form.Image1, Picture::PicAstronave);
    for (const auto& [image, picture] : kEnemyPictures)
        form.assignPicture(form.*image, picture);
    form.assignPicture(form.ImgAlieno, Picture::alieno);
    playSequence(form.MMControl1, "c:\\wav\\musica.wav");
    form.assignPicture(form.ImgAl1, Picture::PicNemA);
    form.assignPicture(form.Imgal2, Picture::PicNemA);
    form.Label4.caption = form.recordFile().read();
}

PlayField::PlayField(Host& host, SoundDevice& sound, std::filesystem::path recordFolder,
                     std::filesystem::path waveFolder)
    : record_(recordFolder, &host) {
    setup_.host = &host;
    setup_.sound = &sound;
    setup_.handlers = &kForm1Handlers;
    setup_.recordFolder = std::move(recordFolder);
    setup_.record = &record_;
    setup_.waveFolder = std::move(waveFolder);
}

PlayField::~PlayField() = default;

bool PlayField::show() {
    if (form_)
        return false;
    form_ = std::make_unique<Form1>(clock_, setup_);
    Form1_Form_Load(*form_);
    return true;
}

void PlayField::close() {
    form_.reset();
}

void PlayField::keyPress(int code) {
    if (!form_)
        return;
    Form1_Form_KeyPress(*form_, code);
    if (form_->closeRequested())
        close();
}

void PlayField::advanceTo(std::int64_t ms) {
    if (form_)
        form_->advanceTo(ms);
    else
        clock_.moveTo(ms);
}

void PlayField::stepTo(std::int64_t ms) {
    if (form_)
        form_->stepTo(ms);
    else
        clock_.moveTo(ms);
}

std::optional<std::int64_t> PlayField::nextDue() const {
    return form_ ? form_->nextDue() : std::nullopt;
}

} // namespace zelto
