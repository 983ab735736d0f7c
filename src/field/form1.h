// The play field: the window Form1 and every object laid out on it.
//
// Contract: a Form1 is one game. It is built in its design state (every object at its
// design values, ShotStep 0, timers as in the timer table) and never creates or destroys an
// object while it lives. Lengths are twips (15 to a pixel), origin at the top-left of the
// 12000 x 9000 client area, Top growing downwards. Positions are stored in single
// precision; rules compute in double precision and store the result back (see store()).
// Time comes from the Clock handed in; nothing here reads a real clock.
#pragma once

#include "field/host.h"
#include "scoring/record_file.h"
#include "sound/mm_control.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace zelto {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kFieldWidth = 12000;
inline constexpr int kFieldHeight = 9000;

/// Stores a value computed in double precision as a single-precision position.
constexpr float store(double value) {
    return static_cast<float>(value);
}

/// What a picture shows; the shell draws each one from its own artwork.
enum class Artwork : std::uint8_t { Ship, Wreck, Saucer, Craft, Rock };

struct ArtworkInfo {
    std::string_view file; // resource name of the picture
    int widthPx;
    int heightPx;
};

inline constexpr std::array<ArtworkInfo, 5> kArtwork{{
    {"ship.bmp", 50, 64},
    {"wreck.bmp", 50, 64},
    {"saucer.gif", 50, 50},
    {"craft.bmp", 50, 64},
    {"rock.gif", 30, 37},
}};

constexpr const ArtworkInfo& artworkInfo(Artwork art) {
    return kArtwork[static_cast<std::size_t>(art)];
}

/// An invisible holder of one picture, part of the window's design.
struct PictureStore {
    float left;
    float top;
    Artwork art;
};

/// Identifies a picture by the store it was copied from (images keep that name).
enum class Picture : std::int8_t {
    None = -1,
    PicAstronave,
    Picture1,
    Picture2,
    PicNemA,
    alieno,
    Picnem1,
    Picnem2,
    Picnem3,
    Picnem4,
    Picnem5,
    Picnem6,
    Picnem7,
    Picnem8,
    Picnem9,
    Picnem10,
    Picnem11,
    Picnem12,
    Picnem13,
};
inline constexpr int kPictureStoreCount = 18;

/// An image shows its picture, opaque and never stretched, at (left, top).
struct Image {
    float left;
    float top;
    float width;
    float height;
    bool visible;
    Picture picture = Picture::None;
};

/// A colour as red, green, blue.
struct Rgb {
    std::uint8_t r, g, b;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

/// A rectangle drawn with a one-pixel outline, filled where it has a fill colour.
struct Shape {
    float left;
    float top;
    float width;
    float height;
    bool visible;
    Rgb border;
    std::optional<Rgb> fill;
};

enum class Alignment : std::uint8_t { Left, Right, Centre };

/// A caption on the field. All four labels use MS Sans Serif 12 pt bold in white.
struct Label {
    std::string caption;
    float left;
    float top;
    float width;
    float height;
    Rgb background;
    Alignment alignment;
};

/// Virtual time in milliseconds, shared by every timer of the program. It only moves forward
/// and stops at kLastMoment, far enough below the 64-bit limit that a moment plus any timer
/// period can never overflow.
struct Clock {
    static constexpr std::int64_t kLastMoment = std::numeric_limits<std::int64_t>::max() / 2;
    std::int64_t now = 0;

    /// Moves the time to `ms`, or to kLastMoment beyond it; an earlier time changes nothing.
    void moveTo(std::int64_t ms) {
        if (ms > now)
            now = std::min(ms, kLastMoment);
    }
};

/// A periodic timer. While enabled its handler runs once a period, the first tick one period
/// after it was enabled or re-timed. No timer ticks faster than kShortestPeriod.
class Timer {
public:
    static constexpr int kShortestPeriod = 16;

    Timer(const Clock& clock, int interval, bool enabled);

    int Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    /// Starts (first tick one period from now) or stops the timer; the same value changes
    /// nothing.
    void setEnabled(bool enabled);
    /// Stores the interval; on an enabled timer a new value restarts the period from now.
    void setInterval(int interval);

    int period() const { return interval_ > kShortestPeriod ? interval_ : kShortestPeriod; }
    std::int64_t due() const { return due_; }
    bool running() const { return running_; }

private:
    friend class Form1;
    const Clock* clock_;
    int interval_;
    bool enabled_;
    std::int64_t due_ = 0;
    bool running_ = false;
};

/// The timers in the order of the timer table: ticks due at one moment run in this order.
enum class TimerId : std::uint8_t {
    Timer1,
    Timer2,
    Timer3,
    Timer4,
    Timer5,
    Timer6,
    Timer7,
    Timer8,
    Timer9,
    Timer10,
    Timer11,
    Timer12,
    Timer13,
    Timer16,
    Timer14,
    Timer15,
    Timer19,
    Timer21,
    TimerAlieno,
};
inline constexpr int kTimerCount = 19;

class Form1;
using Handler = void (*)(Form1&);

/// The code behind the window: one tick handler per timer (null: the tick does nothing) and
/// the change handler of the score label, raised inside every write of Label1.Caption.
struct Form1Handlers {
    std::array<Handler, kTimerCount> tick{};
    Handler label1Change = nullptr;
};

/// What the play field needs from the world besides its sound device.
struct Form1Setup {
    Host* host = nullptr;
    SoundDevice* sound = nullptr;
    const Form1Handlers* handlers = nullptr;
    std::filesystem::path recordFolder = "."; // where record.dat lives
    std::filesystem::path waveFolder;         // where c:\wav\NAME.wav resolves
    /// The program's record file, which outlives the game; without one the play field
    /// uses its own in recordFolder, which remembers nothing beyond this game.
    RecordFile* record = nullptr;
};

class Form1 {
public:
    Form1(Clock& clock, const Form1Setup& setup);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // The ship.
    Image Image1{3840, 7440, 495, 495, true};
    // The enemies.
    Image Image2{2400, 1320, 2175, 3135, true};
    Image Image3{6360, 1920, 375, 375, true};
    Image Image4{600, 120, 375, 495, true};
    Image Image5{4320, 120, 375, 615, true};
    Image Image6{1920, 240, 615, 375, true};
    Image Image7{11160, 0, 255, 855, true};
    Image Image8{1440, 1440, 375, 375, true};
    Image Image9{9960, -240, 375, 495, true};
    Image Image10{5760, 0, 375, 615, true};
    Image Image11{7920, 120, 975, 375, true};
    Image Image12{7080, 0, 375, 615, true};
    Image Image13{9600, 1920, 375, 495, true};
    // The aliens.
    Image ImgAlieno{4320, 240, 1335, 1095, false};
    Image ImgAl1{240, 120, 615, 615, false};
    Image Imgal2{1320, 0, 1095, 855, false};
    Image ImgAl3{2520, 0, 1095, 855, false};
    Image ImgAl4{3960, 0, 1335, 975, false};
    Image ImgAl5{5640, 0, 1335, 1095, true};

    // The shots.
    static constexpr Rgb kRed{255, 0, 0};
    static constexpr Rgb kGreen{0, 255, 0};
    static constexpr Rgb kWindowFrame{0, 0, 0}; // system colour 1 (&H80000001&)
    Shape SnpSparo{360, 8760, 15, 135, false, kRed, kRed};
    Shape SnpSparo2{1080, 8520, 15, 135, false, kRed, kRed};
    Shape SparoUltra{600, 8400, 15, 255, false, kGreen, kGreen};
    Shape SparoUltra1{720, 8400, 15, 255, false, kGreen, std::nullopt};
    Shape SparoUltra2{840, 8400, 15, 255, false, kGreen, std::nullopt};
    Shape Sparonem{720, 2880, 135, 255, false, kRed, kRed};
    // The guide lines.
    Shape lineover{120, 8160, 11775, 135, false, kRed, std::nullopt};
    Shape Sline{120, 0, 15, 8895, false, kWindowFrame, std::nullopt};
    Shape SLine2{11880, 120, 15, 8895, false, kWindowFrame, kWindowFrame};

    // The labels.
    static constexpr Rgb kBlack{0, 0, 0};
    static constexpr Rgb kMenuText{0, 0, 0}; // system colour 7 (&H80000007&)
    Label Label2{"Score", 1080, 8640, 855, 255, kBlack, Alignment::Right};
    Label Label1{"0", 2040, 8640, 2535, 255, kMenuText, Alignment::Left};
    Label Label3{"Hi Score", 8040, 8520, 1575, 375, kBlack, Alignment::Right};
    Label Label4{"1000", 9840, 8520, 1935, 375, kBlack, Alignment::Left};

    /// The picture stores, indexed by Picture.
    std::array<PictureStore, kPictureStoreCount> stores{{
        {720, 1800, Artwork::Ship},   // PicAstronave
        {1560, 240, Artwork::Wreck},  // Picture1
        {3600, 600, Artwork::Saucer}, // Picture2
        {4800, 1680, Artwork::Craft}, // PicNemA
        {5760, 1800, Artwork::Craft}, // alieno
        {360, 120, Artwork::Rock},    // Picnem1
        {6360, 120, Artwork::Rock},   // Picnem2
        {1920, 4440, Artwork::Rock},  // Picnem3
        {2400, 4440, Artwork::Rock},  // Picnem4
        {2880, 4440, Artwork::Rock},  // Picnem5
        {4320, 4440, Artwork::Rock},  // Picnem6
        {4800, 4920, Artwork::Rock},  // Picnem7
        {4320, 5880, Artwork::Rock},  // Picnem8
        {4800, 5880, Artwork::Rock},  // Picnem9
        {4920, 120, Artwork::Rock},   // Picnem10
        {3360, 4440, Artwork::Rock},  // Picnem11
        {3840, 4440, Artwork::Rock},  // Picnem12
        {4800, 4440, Artwork::Rock},  // Picnem13
    }};
    const PictureStore& store(Picture picture) const {
        return stores[static_cast<std::size_t>(picture)];
    }

    // The timers, in the order of the timer table.
    Timer Timer1;
    Timer Timer2;
    Timer Timer3;
    Timer Timer4;
    Timer Timer5;
    Timer Timer6;
    Timer Timer7;
    Timer Timer8;
    Timer Timer9;
    Timer Timer10;
    Timer Timer11;
    Timer Timer12;
    Timer Timer13;
    Timer Timer16;
    Timer Timer14;
    Timer Timer15;
    Timer Timer19;
    Timer Timer21;
    Timer TimerAlieno;
    Timer& timer(TimerId id);

    // The sound channels.
    MMControl MMControl1;
    MMControl MMControl2;
    MMControl MMControl3;

    /// The climb of the laser shots per tick; a 16-bit value of the window.
    std::int16_t ShotStep = 0;

    /// Gives an image the picture of a store; the image takes the picture's size.
    void assignPicture(Image& image, Picture picture);
    /// Writes the score caption and raises its change handler inside the write.
    void setLabel1Caption(std::string caption);

    /// Runs every tick due by `ms` (at most Clock::kLastMoment), in order of due time, ties in
    /// table order. A timer more
    /// than a period late ticks once, and next one period after that delivery. May be called
    /// again from inside a handler: the timer whose handler is running does not tick again
    /// until it returns.
    void advanceTo(std::int64_t ms);
    /// Lets virtual time pass up to `ms`, running every tick at its own due time, so that no
    /// timer is ever late: how scripts and tests move time.
    void stepTo(std::int64_t ms);
    /// The earliest due time of a timer that can tick now, if any.
    std::optional<std::int64_t> nextDue() const;
    /// Runs a timer's tick handler once, now, whatever its Enabled.
    void runTick(TimerId id);
    std::int64_t now() const { return clock_->now; }
    /// How many ticks advanceTo has delivered in this game.
    std::uint64_t ticksDelivered() const { return ticksDelivered_; }

    /// Asks the window to close; whoever owns it releases it once the handler has returned.
    void Unload() { closeRequested_ = true; }
    bool closeRequested() const { return closeRequested_; }

    Host& host() const { return *host_; }
    RecordFile& recordFile() const { return *record_; }

private:
    Clock* clock_;
    Host* host_;
    const Form1Handlers* handlers_;
    RecordFile ownRecord_;
    RecordFile* record_;
    bool closeRequested_ = false;
    std::uint64_t ticksDelivered_ = 0;
};

} // namespace zelto
