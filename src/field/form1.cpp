#include "field/form1.h"

#include <algorithm>
#include <utility>

namespace zelto {

Timer::Timer(const Clock& clock, int interval, bool enabled)
    : clock_(&clock), interval_(interval), enabled_(enabled) {
    if (enabled_)
        due_ = clock_->now + period();
}

void Timer::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (enabled_)
        due_ = clock_->now + period();
}

void Timer::setInterval(int interval) {
    if (interval == interval_)
        return;
    interval_ = interval;
    if (enabled_)
        due_ = clock_->now + period();
}

namespace {

/// Stands in when no host is given: the box is answered at once.
class AbsentHost final : public Host {
public:
    void showMessage(std::string_view, std::string_view) override {}
};

Host& absentHost() {
    static AbsentHost host;
    return host;
}

constexpr std::array<Timer Form1::*, kTimerCount> kTimers{
    &Form1::Timer1,  &Form1::Timer2,  &Form1::Timer3,  &Form1::Timer4,      &Form1::Timer5,
    &Form1::Timer6,  &Form1::Timer7,  &Form1::Timer8,  &Form1::Timer9,      &Form1::Timer10,
    &Form1::Timer11, &Form1::Timer12, &Form1::Timer13, &Form1::Timer16,     &Form1::Timer14,
    &Form1::Timer15, &Form1::Timer19, &Form1::Timer21, &Form1::TimerAlieno,
};

} // namespace

Form1::Form1(Clock& clock, const Form1Setup& setup)
    : Timer1(clock, 1, false), Timer2(clock, 100, false), Timer3(clock, 100, false),
      Timer4(clock, 200, true), Timer5(clock, 300, true), Timer6(clock, 100, true),
      Timer7(clock, 100, true), Timer8(clock, 160, true), Timer9(clock, 160, true),
      Timer10(clock, 100, true), Timer11(clock, 200, true), Timer12(clock, 150, true),
      Timer13(clock, 100, true), Timer16(clock, 260, true), Timer14(clock, 100, false),
      Timer15(clock, 100, false), Timer19(clock, 100, false), Timer21(clock, 50, false),
      TimerAlieno(clock, 50, false),
      MMControl1("MMControl1", SoundChannel::Music, setup.sound, setup.host, setup.waveFolder),
      MMControl2("MMControl2", SoundChannel::Explosion, setup.sound, setup.host, setup.waveFolder),
      MMControl3("MMControl3", SoundChannel::Laser, setup.sound, setup.host, setup.waveFolder),
      clock_(&clock), host_(setup.host ? setup.host : &absentHost()), handlers_(setup.handlers),
      ownRecord_(setup.recordFolder, host_),
      record_(setup.record != nullptr ? setup.record : &ownRecord_) {}

Timer& Form1::timer(TimerId id) {
    return this->*kTimers[static_cast<std::size_t>(id)];
}

void Form1::assignPicture(Image& image, Picture picture) {
    image.picture = picture;
    if (picture == Picture::None)
        return;
    const ArtworkInfo& info = artworkInfo(store(picture).art);
    image.width = static_cast<float>(info.widthPx * kTwipsPerPixel);
    image.height = static_cast<float>(info.heightPx * kTwipsPerPixel);
}

void Form1::setLabel1Caption(std::string caption) {
    Label1.caption = std::move(caption);
    if (handlers_ && handlers_->label1Change)
        handlers_->label1Change(*this);
}

void Form1::runTick(TimerId id) {
    Timer& t = timer(id);
    const bool wasRunning = t.running_;
    t.running_ = true;
    if (handlers_) {
        if (Handler handler = handlers_->tick[static_cast<std::size_t>(id)])
            handler(*this);
    }
    t.running_ = wasRunning;
}

void Form1::stepTo(std::int64_t ms) {
    ms = std::min(ms, Clock::kLastMoment);
    while (const auto due = nextDue()) {
        if (*due > ms)
            break;
        advanceTo(*due);
    }
    advanceTo(ms);
}

std::optional<std::int64_t> Form1::nextDue() const {
    std::optional<std::int64_t> earliest;
    for (auto member : kTimers) {
        const Timer& t = this->*member;
        if (t.enabled_ && !t.running_ && (!earliest || t.due_ < *earliest))
            earliest = t.due_;
    }
    return earliest;
}

void Form1::advanceTo(std::int64_t ms) {
    clock_->moveTo(ms);
    for (;;) {
        // The earliest due tick; on a tie the first in table order.
        std::size_t chosen = kTimerCount;
        for (std::size_t i = 0; i < kTimerCount; ++i) {
            const Timer& t = this->*kTimers[i];
            if (!t.enabled_ || t.running_ || t.due_ > clock_->now)
                continue;
            if (chosen == kTimerCount || t.due_ < (this->*kTimers[chosen]).due_)
                chosen = i;
        }
        if (chosen == kTimerCount)
            return;
        Timer& t = this->*kTimers[chosen];
        // A late timer delivers one tick, not a burst: when the next tick would also be due
        // already, it moves to one period after this delivery.
        std::int64_t following = t.due_ + t.period();
        if (following <= clock_->now)
            following = clock_->now + t.period();
        t.due_ = following;
        ++ticksDelivered_;
        runTick(static_cast<TimerId>(chosen));
    }
}

} // namespace zelto
