#include "game/play_field.h"

#include "enemies/aliens.h"
#include "enemies/enemy_movers.h"
#include "enemies/progression.h"
#include "player/keyboard.h"
#include "player/laser.h"
#include "player/ship.h"

#include <algorithm>
#include <tuple>
#include <type_traits>
#include <utility>

namespace zelto {

namespace {

Form1Handlers makeHandlers() {
    Form1Handlers handlers;
    auto on = [&handlers](Timer Form1::*timer, Handler handler) {
        handlers.tick[timerIndex(timer)] = handler;
    };
    on(&Form1::Timer1, Form1_Timer1_Timer);
    on(&Form1::Timer2, Form1_Timer2_Timer);
    on(&Form1::Timer3, Form1_Timer3_Timer);
    // Each row of a table is moved by its timer, with the handler made for that row.
    const auto onRows = [&on](const auto& rows, const auto& ticks) {
        static_assert(std::tuple_size_v<std::remove_cvref_t<decltype(rows)>> ==
                      std::tuple_size_v<std::remove_cvref_t<decltype(ticks)>>);
        auto tick = ticks.begin();
        for (const auto& row : rows)
            on(row.timer, *tick++);
    };
    onRows(kEnemyMovers, kEnemyTicks);
    onRows(kAliens, kAlienTicks);
    on(&Form1::Timer21, Form1_Timer21_Timer);
    handlers.label1Change = Form1_Label1_Change;
    return handlers;
}

} // namespace

const Form1Handlers kForm1Handlers = makeHandlers();

void Form1_Form_Load(Form1& form) {
    form.assignPicture(form.Image1, form.PicAstronave);
    for (const EnemyMover& mover : kEnemyMovers)
        form.assignPicture(form.*mover.image, form.*mover.picture);
    form.assignPicture(form.ImgAlieno, form.alieno);
    playSequence(form.MMControl1, "c:\\wav\\musica.wav");
    form.assignPicture(form.ImgAl1, form.PicNemA);
    form.assignPicture(form.Imgal2, form.PicNemA);
    form.Label4.caption = form.recordFile().read();
}

PlayField::PlayField(Host& host, SoundDevice& sound, std::filesystem::path recordFolder,
                     std::filesystem::path waveFolder)
    : ownRecord_(std::make_unique<RecordFile>(std::move(recordFolder), &host)) {
    setup_.host = &host;
    setup_.sound = &sound;
    setup_.handlers = &kForm1Handlers;
    setup_.record = ownRecord_.get();
    setup_.waveFolder = std::move(waveFolder);
}

PlayField::PlayField(Host& host, SoundDevice& sound, RecordStore& record,
                     std::filesystem::path waveFolder) {
    setup_.host = &host;
    setup_.sound = &sound;
    setup_.handlers = &kForm1Handlers;
    setup_.record = &record;
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
    if (!form_)
        return;
    if (depth_ > 0)
        form_->Unload();
    else
        release();
}

void PlayField::release() {
    if (closing_)
        closing_(*form_);
    form_.reset();
}

template <typename Call>
void PlayField::run(Call call) {
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(++d) {}
        ~Depth() { --depth; }
    };
    {
        const Depth inside(depth_);
        call(*form_);
    }
    if (depth_ == 0 && form_->closeRequested())
        release();
}

void PlayField::keyPress(int code) {
    if (form_)
        run([code](Form1& form) { Form1_Form_KeyPress(form, code); });
}

void PlayField::advanceTo(std::int64_t ms) {
    if (form_)
        run([ms](Form1& form) { form.advanceTo(ms); });
    else
        clock_.moveTo(ms);
}

void PlayField::stepTo(std::int64_t ms) {
    if (form_)
        run([ms](Form1& form) { form.stepTo(ms); });
    else
        clock_.moveTo(ms);
}

void PlayField::restartClock(std::int64_t ms) {
    if (!form_)
        clock_ = Clock{std::clamp<std::int64_t>(ms, 0, Clock::kLastMoment)};
}

std::optional<std::int64_t> PlayField::nextDue() const {
    return form_ ? form_->nextDue() : std::nullopt;
}

} // namespace zelto
