// Measures the drawing of the play field: a full 800 x 600 frame, a typical frame of a game
// in play (only the changed region repainted), and the per-tick look at the field that finds
// that region. Prints one line per figure with its goal; exits 3 when a goal is missed.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "game/play_field.h"
#include "screens/field_painter.h"
#include "shell/session.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>

// Every C++ heap allocation of the program is counted, so that the per-tick figure can say
// whether the tick path allocates. Qt's own containers allocate with malloc and are not
// counted; the snapshot and the region are C++ objects and are.
namespace {
std::atomic<std::uint64_t> allocations{0};
} // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using Clock = std::chrono::steady_clock;
using zelto::FieldSnapshot;
using zelto::Session;

// A full frame happens only on exposure; a typical frame happens some 60 times a second of
// play, where the whole game may take 1.5 % of a core (about 200 us a wake-up), so drawing and
// looking must be a small part of that.
constexpr double kFullFrameGoalUs = 1000;
constexpr double kTypicalFrameGoalUs = 200;
constexpr double kTickGoalUs = 10;
// One game lasts this long: steering and firing keeps it going, and no enemy reaches the
// bottom line before about 24 s, so every game measured is in full play.
constexpr int kGameMs = 20000;
constexpr int kGames = 10;

/// Answers every message box at once; nothing else of the outside world matters here.
class NullHost final : public zelto::Host {
public:
    void showMessage(std::string_view, std::string_view) override {}
};

double microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

const QRect kField(QPoint(0, 0), zelto::kFieldPixelSize);

/// Ends a figure's line with whether it met its goal, and passes that on.
bool verdict(bool met) {
    std::puts(met ? " ok" : " MISSED");
    return met;
}

/// The C++ allocations of a region of two boxes, which a tick with a change cannot avoid.
std::uint64_t regionAllocations() {
    const std::uint64_t before = allocations.load(std::memory_order_relaxed);
    {
        QRegion region;
        region += QRect(0, 0, 10, 10);
        region += QRect(20, 20, 10, 10);
    }
    return allocations.load(std::memory_order_relaxed) - before;
}

/// What the window's paint event does for an update of `region`: Qt clips the painter to
/// the region and the window paints the region's bounding rectangle.
void paintRegion(QImage& frame, const zelto::FieldPainter& painter, const zelto::Form1& form,
                 const QRegion& region) {
    QPainter p(&frame);
    p.setClipRegion(region);
    painter.paint(p, form, region.boundingRect());
}

/// The keys of a player every half second, as the core benchmark plays: steering one way
/// for five seconds, then the other, firing all the time.
void press(zelto::PlayField& field, std::int64_t halfSecond) {
    if (halfSecond % 2 == 0)
        field.keyPress((halfSecond / 10) % 2 ? 'z' : 'x');
    field.keyPress('m');
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir folder;
    NullHost host;
    zelto::SilentSoundDevice sound;
    zelto::PlayField field(host, sound, folder.path().toStdString(), {});
    field.show();
    const zelto::FieldPainter painter;
    QImage frame(zelto::kFieldPixelSize, QImage::Format_RGB32);
    bool met = true;

    // A full frame: the whole field as it stands after start-up.
    {
        constexpr int kWarmUp = 50;
        constexpr int kRuns = 2000;
        Clock::duration total{};
        for (int i = 0; i < kWarmUp + kRuns; ++i) {
            const auto start = Clock::now();
            QPainter p(&frame);
            painter.paint(p, *field.form(), kField);
            p.end();
            if (i >= kWarmUp)
                total += Clock::now() - start;
        }
        // A frame that drew nothing would be quick and prove nothing: the ship must show.
        if (frame.pixel(280, 520) == qRgb(0, 0, 0)) {
            std::fprintf(stderr, "paint_bench: the full frame shows no ship\n");
            return 1;
        }
        const double mean = microseconds(total) / kRuns;
        std::printf("paint: full frame (800x600 after start-up): %.1f us mean over %d "
                    "(goal: under %.0f us)",
                    mean, kRuns, kFullFrameGoalUs);
        met = verdict(mean < kFullFrameGoalUs) && met;
    }

    // Games in play, woken as the session wakes them: once a frame for the ticks due in it,
    // each run at its own moment, or at a key. After each the window looks at the field and
    // paints what it found changed.
    Clock::duration lookTime{};
    Clock::duration paintTime{};
    std::uint64_t looks = 0;
    std::uint64_t frames = 0;
    std::uint64_t quietLooks = 0;
    std::uint64_t quietAllocations = 0;
    std::uint64_t busyAllocations = 0;
    double paintedPixels = 0;
    for (int game = 0; game < kGames; ++game) {
        field.close();
        field.show();
        FieldSnapshot shown = FieldSnapshot::of(*field.form());
        const std::int64_t begin = field.now();
        std::int64_t halfSeconds = 0;
        std::int64_t lastWake = begin - Session::kFrameMs;
        for (;;) {
            const std::int64_t key = begin + 500 * halfSeconds;
            const auto due = field.nextDue();
            const std::int64_t wake = due ? std::min(std::max(*due, lastWake + Session::kFrameMs),
                                                     *due + Session::kMostLateMs)
                                          : key;
            if (std::min(wake, key) >= begin + kGameMs)
                break;
            if (key <= wake) {
                field.stepTo(key);
                press(field, halfSeconds++);
            } else {
                lastWake = wake;
                while (field.nextDue() && *field.nextDue() <= wake)
                    field.advanceTo(*field.nextDue());
            }
            const FieldSnapshot before = shown;
            const std::uint64_t allocated = allocations.load(std::memory_order_relaxed);
            const auto start = Clock::now();
            // What the window does after every advance of the clock.
            const QRegion changed = shown.update(*field.form());
            lookTime += Clock::now() - start;
            const std::uint64_t made = allocations.load(std::memory_order_relaxed) - allocated;
            ++looks;
            // A fast look is worth nothing if it is wrong: it must agree with a fresh one.
            const FieldSnapshot fresh = FieldSnapshot::of(*field.form());
            if (shown != fresh || changed != changedRegion(before, fresh)) {
                std::fprintf(stderr, "paint_bench: the in-place look disagrees at %lld ms\n",
                             static_cast<long long>(field.now()));
                return 1;
            }
            if (changed.isEmpty()) {
                ++quietLooks;
                quietAllocations += made;
                continue;
            }
            busyAllocations += made;
            const auto paintStart = Clock::now();
            paintRegion(frame, painter, *field.form(), changed);
            paintTime += Clock::now() - paintStart;
            ++frames;
            for (const QRect& r : changed)
                paintedPixels += r.width() * r.height();
        }
    }
    const double paintMean = frames ? microseconds(paintTime) / double(frames) : 0;
    std::printf("paint: typical frame (changed region only, %.0f px of 480000 on average): "
                "%.1f us mean over %llu frames (goal: under %.0f us)",
                frames ? paintedPixels / double(frames) : 0.0, paintMean,
                static_cast<unsigned long long>(frames), kTypicalFrameGoalUs);
    met = verdict(frames > 0 && paintMean < kTypicalFrameGoalUs) && met;
    const double lookMean = microseconds(lookTime) / double(looks);
    std::printf("tick: snapshot + changed region: %.2f us mean over %llu wake-ups (%.1f a "
                "second of play), %llu of them with nothing changed (goal: under %.0f us)",
                lookMean, static_cast<unsigned long long>(looks),
                double(looks) * 1000.0 / (double(kGames) * kGameMs),
                static_cast<unsigned long long>(quietLooks), kTickGoalUs);
    met = verdict(lookMean < kTickGoalUs) && met;
    const double quietPerTick = quietLooks ? double(quietAllocations) / double(quietLooks) : 0;
    const double busyPerTick =
        looks > quietLooks ? double(busyAllocations) / double(looks - quietLooks) : 0.0;
    const std::uint64_t region = regionAllocations();
    std::printf("tick: C++ heap allocations per wake-up: %.2f with nothing changed (goal: 0), "
                "%.2f with a change (goal: at most the region's own %llu)",
                quietPerTick, busyPerTick, static_cast<unsigned long long>(region));
    met = verdict(quietLooks > 0 && quietAllocations == 0 && busyPerTick <= double(region)) && met;
    return met ? 0 : 3;
}
