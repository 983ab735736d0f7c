// The play field: the window Form1, every object laid out on it, and the one table that
// names them.
//
// Contract: a Form1 is one game. It is built in its design state (every object at its
// design values, ShotStep 0, the timers as in the timer table) and never creates or destroys
// an object while it lives. Lengths are twips (field/units.h), origin at the top-left of the
// client area, Top growing downwards; rules compute in double precision and store the result
// back in single precision (store()). Time comes from the Clock handed in.
#pragma once

#include "field/artwork.h"
#include "field/host.h"
#include "field/shapes.h"
#include "field/timer_service.h"
#include "field/units.h"
#include "sound/mm_control.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace zelto {

struct Form1Handlers;

/// What the play field needs from the world.
struct Form1Setup {
    Host* host = nullptr;
    SoundDevice* sound = nullptr;
    const Form1Handlers* handlers = nullptr;
    /// The program's record file, which outlives the game.
    RecordStore* record = nullptr;
    std::filesystem::path waveFolder; // where c:\wav\NAME.wav resolves
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

    // The player's shots and the alien's.
    static constexpr Rgb kRed{255, 0, 0};
    static constexpr Rgb kGreen{0, 255, 0};
    static constexpr Rgb kWindowFrame{0, 0, 0}; // system colour 1 (&H80000001&)
    Shape SnpSparo{360, 8760, 15, 135, false, kRed, kRed};
    Shape SnpSparo2{1080, 8520, 15, 135, false, kRed, kRed};
    Shape SparoUltra{600, 8400, 15, 255, false, kGreen, kGreen};
    Shape SparoUltra2{840, 8400, 15, 255, false, kGreen, std::nullopt};
    Shape SparoUltra1{720, 8400, 15, 255, false, kGreen, std::nullopt};
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

    // The picture stores.
    PictureStore PicAstronave{720, 1800, Artwork::Ship};
    PictureStore Picture1{1560, 240, Artwork::Wreck};
    PictureStore Picture2{3600, 600, Artwork::Saucer};
    PictureStore PicNemA{4800, 1680, Artwork::Craft};
    PictureStore alieno{5760, 1800, Artwork::Craft};
    PictureStore Picnem1{360, 120, Artwork::Rock};
    PictureStore Picnem2{6360, 120, Artwork::Rock};
    PictureStore Picnem3{1920, 4440, Artwork::Rock};
    PictureStore Picnem4{2400, 4440, Artwork::Rock};
    PictureStore Picnem5{2880, 4440, Artwork::Rock};
    PictureStore Picnem6{4320, 4440, Artwork::Rock};
    PictureStore Picnem7{4800, 4920, Artwork::Rock};
    PictureStore Picnem8{4320, 5880, Artwork::Rock};
    PictureStore Picnem9{4800, 5880, Artwork::Rock};
    PictureStore Picnem10{4920, 120, Artwork::Rock};
    PictureStore Picnem11{3360, 4440, Artwork::Rock};
    PictureStore Picnem12{3840, 4440, Artwork::Rock};
    PictureStore Picnem13{4800, 4440, Artwork::Rock};

    // The timers: Interval, Enabled.
    Timer Timer1{1, false};
    Timer Timer2{100, false};
    Timer Timer3{100, false};
    Timer Timer4{200, true};
    Timer Timer5{300, true};
    Timer Timer6{100, true};
    Timer Timer7{100, true};
    Timer Timer8{160, true};
    Timer Timer9{160, true};
    Timer Timer10{100, true};
    Timer Timer11{200, true};
    Timer Timer12{150, true};
    Timer Timer13{100, true};
    Timer Timer16{260, true};
    Timer Timer14{100, false};
    Timer Timer15{100, false};
    Timer Timer19{100, false};
    Timer Timer21{50, false};
    Timer TimerAlieno{50, false};

    // The sound channels.
    MMControl MMControl1{SoundChannel::Music};
    MMControl MMControl2{SoundChannel::Explosion};
    MMControl MMControl3{SoundChannel::Laser};

    /// The climb of the laser shots per tick; a 16-bit value of the window.
    std::int16_t ShotStep = 0;

    /// Gives an image the picture of a store; the image takes the picture's size.
    void assignPicture(Image& image, const PictureStore& picture);
    /// Writes the score caption and raises its change handler inside the write.
    void setLabel1Caption(std::string caption);

    /// The timers, in the order of the timer table (see TimerService).
    TimerService& timers() { return timers_; }
    const TimerService& timers() const { return timers_; }
    void advanceTo(std::int64_t ms) { timers_.advanceTo(ms); }
    void stepTo(std::int64_t ms) { timers_.stepTo(ms); }
    std::optional<std::int64_t> nextDue() const { return timers_.nextDue(); }
    std::int64_t now() const { return timers_.now(); }

    /// Asks the window to close; whoever owns it releases it once the handler has returned.
    void Unload() { closeRequested_ = true; }
    bool closeRequested() const { return closeRequested_; }

    Host& host() const { return *host_; }
    RecordStore& recordFile() const { return *record_; }

private:
    Host* host_;
    RecordStore* record_;
    const Form1Handlers* handlers_;
    bool closeRequested_ = false;
    TimerService timers_;
};

// ---- The table of Form1's objects -----------------------------------------------------------

/// What the rules and the shell need to know of an object besides where it lives.
enum Role : std::uint8_t {
    kDrawn = 1 << 0,            ///< painted by the shell, in table order
    kEnemy = 1 << 1,            ///< a falling enemy, parked above the field when the game ends
    kVolleyShot = 1 << 2,       ///< a player shot; targets test them in table order
    kStoppedAtGameOver = 1 << 3 ///< a timer that the end of the game switches off
};

/// Where an object lives in Form1; its kind is which member type it is.
using Form1Member = std::variant<Image Form1::*, Shape Form1::*, Label Form1::*,
                                 PictureStore Form1::*, Timer Form1::*, MMControl Form1::*>;

struct Form1Object {
    std::string_view name; // the design name, as scripts and the sound trace use it
    Form1Member member;
    std::uint8_t roles = 0;
};

/// Every object of Form1, the timers in the order of the timer table. This is the one list
/// of the window's objects: what needs all objects of a kind or role derives it from here.
inline constexpr auto kForm1Objects = std::to_array<Form1Object>({
    {"Image1", &Form1::Image1, kDrawn},
    {"Image2", &Form1::Image2, kDrawn | kEnemy},
    {"Image3", &Form1::Image3, kDrawn | kEnemy},
    {"Image4", &Form1::Image4, kDrawn | kEnemy},
    {"Image5", &Form1::Image5, kDrawn | kEnemy},
    {"Image6", &Form1::Image6, kDrawn | kEnemy},
    {"Image7", &Form1::Image7, kDrawn | kEnemy},
    {"Image8", &Form1::Image8, kDrawn | kEnemy},
    {"Image9", &Form1::Image9, kDrawn | kEnemy},
    {"Image10", &Form1::Image10, kDrawn | kEnemy},
    {"Image11", &Form1::Image11, kDrawn | kEnemy},
    {"Image12", &Form1::Image12, kDrawn | kEnemy},
    {"Image13", &Form1::Image13, kDrawn | kEnemy},
    {"ImgAlieno", &Form1::ImgAlieno, kDrawn},
    {"ImgAl1", &Form1::ImgAl1, kDrawn},
    {"Imgal2", &Form1::Imgal2, kDrawn},
    {"ImgAl3", &Form1::ImgAl3, kDrawn},
    {"ImgAl4", &Form1::ImgAl4, kDrawn},
    {"ImgAl5", &Form1::ImgAl5, kDrawn},
    {"SnpSparo", &Form1::SnpSparo, kDrawn | kVolleyShot},
    {"SnpSparo2", &Form1::SnpSparo2, kDrawn | kVolleyShot},
    {"SparoUltra", &Form1::SparoUltra, kDrawn | kVolleyShot},
    {"SparoUltra2", &Form1::SparoUltra2, kDrawn | kVolleyShot},
    {"SparoUltra1", &Form1::SparoUltra1, kDrawn | kVolleyShot},
    {"Sparonem", &Form1::Sparonem, kDrawn},
    // The guide lines only mark the edges for the rules.
    {"lineover", &Form1::lineover},
    {"Sline", &Form1::Sline},
    {"SLine2", &Form1::SLine2},
    {"Label2", &Form1::Label2, kDrawn},
    {"Label1", &Form1::Label1, kDrawn},
    {"Label3", &Form1::Label3, kDrawn},
    {"Label4", &Form1::Label4, kDrawn},
    {"PicAstronave", &Form1::PicAstronave},
    {"Picture1", &Form1::Picture1},
    {"Picture2", &Form1::Picture2},
    {"PicNemA", &Form1::PicNemA},
    {"alieno", &Form1::alieno},
    {"Picnem1", &Form1::Picnem1},
    {"Picnem2", &Form1::Picnem2},
    {"Picnem3", &Form1::Picnem3},
    {"Picnem4", &Form1::Picnem4},
    {"Picnem5", &Form1::Picnem5},
    {"Picnem6", &Form1::Picnem6},
    {"Picnem7", &Form1::Picnem7},
    {"Picnem8", &Form1::Picnem8},
    {"Picnem9", &Form1::Picnem9},
    {"Picnem10", &Form1::Picnem10},
    {"Picnem11", &Form1::Picnem11},
    {"Picnem12", &Form1::Picnem12},
    {"Picnem13", &Form1::Picnem13},
    {"Timer1", &Form1::Timer1, kStoppedAtGameOver},
    {"Timer2", &Form1::Timer2, kStoppedAtGameOver},
    {"Timer3", &Form1::Timer3, kStoppedAtGameOver},
    {"Timer4", &Form1::Timer4, kStoppedAtGameOver},
    {"Timer5", &Form1::Timer5, kStoppedAtGameOver},
    {"Timer6", &Form1::Timer6, kStoppedAtGameOver},
    {"Timer7", &Form1::Timer7, kStoppedAtGameOver},
    {"Timer8", &Form1::Timer8, kStoppedAtGameOver},
    {"Timer9", &Form1::Timer9, kStoppedAtGameOver},
    {"Timer10", &Form1::Timer10, kStoppedAtGameOver},
    {"Timer11", &Form1::Timer11, kStoppedAtGameOver},
    {"Timer12", &Form1::Timer12, kStoppedAtGameOver},
    {"Timer13", &Form1::Timer13, kStoppedAtGameOver},
    {"Timer16", &Form1::Timer16, kStoppedAtGameOver},
    {"Timer14", &Form1::Timer14},
    {"Timer15", &Form1::Timer15, kStoppedAtGameOver},
    {"Timer19", &Form1::Timer19, kStoppedAtGameOver},
    {"Timer21", &Form1::Timer21, kStoppedAtGameOver},
    {"TimerAlieno", &Form1::TimerAlieno, kStoppedAtGameOver},
    {"MMControl1", &Form1::MMControl1},
    {"MMControl2", &Form1::MMControl2},
    {"MMControl3", &Form1::MMControl3},
});

/// How many objects of kind T have every role in `roles`.
template <typename T>
constexpr std::size_t countObjects(std::uint8_t roles = 0) {
    std::size_t count = 0;
    for (const Form1Object& object : kForm1Objects)
        count +=
            std::holds_alternative<T Form1::*>(object.member) && (object.roles & roles) == roles;
    return count;
}

/// The members of kind T with every role in `Roles`, in table order.
template <typename T, std::uint8_t Roles = 0>
constexpr auto objectsOf() {
    std::array<T Form1::*, countObjects<T>(Roles)> members{};
    std::size_t next = 0;
    for (const Form1Object& object : kForm1Objects) {
        // Not get_if: a constant expression may not test the address it takes.
        if (std::holds_alternative<T Form1::*>(object.member) && (object.roles & Roles) == Roles)
            members[next++] = std::get<T Form1::*>(object.member);
    }
    return members;
}

/// The objects of every kind with every role in `Roles`, in table order.
template <std::uint8_t Roles>
constexpr auto objectsWith() {
    constexpr auto count = [] {
        std::size_t n = 0;
        for (const Form1Object& object : kForm1Objects)
            n += (object.roles & Roles) == Roles;
        return n;
    }();
    std::array<Form1Member, count> members{};
    std::size_t next = 0;
    for (const Form1Object& object : kForm1Objects) {
        if ((object.roles & Roles) == Roles)
            members[next++] = object.member;
    }
    return members;
}

inline constexpr auto kTimers = objectsOf<Timer>();
inline constexpr std::size_t kTimerCount = kTimers.size();
/// The five player shots in the order in which targets test them.
inline constexpr auto kVolley = objectsOf<Shape, kVolleyShot>();

/// A timer's place in the timer table.
constexpr std::size_t timerIndex(Timer Form1::*timer) {
    return static_cast<std::size_t>(std::ranges::find(kTimers, timer) - kTimers.begin());
}

/// The row of the object with this design name, or null.
const Form1Object* findObject(std::string_view name);
/// The design name of an object of the form, or "" when it is none of them.
template <typename T>
std::string_view nameOf(const Form1& form, const T& object) {
    for (const Form1Object& row : kForm1Objects) {
        if (const auto* member = std::get_if<T Form1::*>(&row.member);
            member && &(form.**member) == &object)
            return row.name;
    }
    return {};
}

using Handler = void (*)(Form1&);

/// The code behind the window: one tick handler per timer, in the order of the timer table
/// (null: the tick does nothing), and the change handler of the score label, raised inside
/// every write of Label1.Caption.
struct Form1Handlers {
    std::array<Handler, kTimerCount> tick{};
    Handler label1Change = nullptr;
};

/// The tick handler of row `Index` of a table of like objects: `move(form, Table[Index])`.
template <const auto& Table, auto Move, std::size_t Index>
void rowTick(Form1& form) {
    Move(form, Table[Index]);
}

/// One tick handler for each row of `Table`, in row order.
template <const auto& Table, auto Move>
constexpr auto rowTicks() {
    return []<std::size_t... Index>(std::index_sequence<Index...>) {
        return std::array<Handler, sizeof...(Index)>{rowTick<Table, Move, Index>...};
    }
    (std::make_index_sequence<std::size(Table)>{});
}

} // namespace zelto
