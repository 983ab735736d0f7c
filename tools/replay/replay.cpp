#include "replay.h"

#include "field/play_field.h"
#include "field/text.h"
#include "player/laser.h"
#include "scoring/game_over.h"
#include "scoring/score.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace zelto {

namespace {

// ---- Names of the play field's objects -------------------------------------------------

using ObjectRef = std::variant<Image Form1::*, Shape Form1::*, Label Form1::*, Timer Form1::*,
                               MMControl Form1::*, Picture>;

struct NamedObject {
    std::string_view name;
    ObjectRef ref;
};

constexpr std::array<std::string_view, kPictureStoreCount> kStoreNames{
    "PicAstronave", "Picture1", "Picture2", "PicNemA",  "alieno",   "Picnem1",
    "Picnem2",      "Picnem3",  "Picnem4",  "Picnem5",  "Picnem6",  "Picnem7",
    "Picnem8",      "Picnem9",  "Picnem10", "Picnem11", "Picnem12", "Picnem13"};

const std::vector<NamedObject>& objects() {
    static const std::vector<NamedObject> table = [] {
        std::vector<NamedObject> t{
            {"Image1", &Form1::Image1},
            {"Image2", &Form1::Image2},
            {"Image3", &Form1::Image3},
            {"Image4", &Form1::Image4},
            {"Image5", &Form1::Image5},
            {"Image6", &Form1::Image6},
            {"Image7", &Form1::Image7},
            {"Image8", &Form1::Image8},
            {"Image9", &Form1::Image9},
            {"Image10", &Form1::Image10},
            {"Image11", &Form1::Image11},
            {"Image12", &Form1::Image12},
            {"Image13", &Form1::Image13},
            {"ImgAlieno", &Form1::ImgAlieno},
            {"ImgAl1", &Form1::ImgAl1},
            {"Imgal2", &Form1::Imgal2},
            {"ImgAl3", &Form1::ImgAl3},
            {"ImgAl4", &Form1::ImgAl4},
            {"ImgAl5", &Form1::ImgAl5},
            {"SnpSparo", &Form1::SnpSparo},
            {"SnpSparo2", &Form1::SnpSparo2},
            {"SparoUltra", &Form1::SparoUltra},
            {"SparoUltra1", &Form1::SparoUltra1},
            {"SparoUltra2", &Form1::SparoUltra2},
            {"Sparonem", &Form1::Sparonem},
            {"lineover", &Form1::lineover},
            {"Sline", &Form1::Sline},
            {"SLine2", &Form1::SLine2},
            {"Label1", &Form1::Label1},
            {"Label2", &Form1::Label2},
            {"Label3", &Form1::Label3},
            {"Label4", &Form1::Label4},
            {"Timer1", &Form1::Timer1},
            {"Timer2", &Form1::Timer2},
            {"Timer3", &Form1::Timer3},
            {"Timer4", &Form1::Timer4},
            {"Timer5", &Form1::Timer5},
            {"Timer6", &Form1::Timer6},
            {"Timer7", &Form1::Timer7},
            {"Timer8", &Form1::Timer8},
            {"Timer9", &Form1::Timer9},
            {"Timer10", &Form1::Timer10},
            {"Timer11", &Form1::Timer11},
            {"Timer12", &Form1::Timer12},
            {"Timer13", &Form1::Timer13},
            {"Timer14", &Form1::Timer14},
            {"Timer15", &Form1::Timer15},
            {"Timer16", &Form1::Timer16},
            {"Timer19", &Form1::Timer19},
            {"Timer21", &Form1::Timer21},
            {"TimerAlieno", &Form1::TimerAlieno},
            {"MMControl1", &Form1::MMControl1},
            {"MMControl2", &Form1::MMControl2},
            {"MMControl3", &Form1::MMControl3},
        };
        for (std::size_t i = 0; i < kStoreNames.size(); ++i)
            t.push_back({kStoreNames[i], static_cast<Picture>(i)});
        return t;
    }();
    return table;
}

std::optional<ObjectRef> findObject(std::string_view name) {
    for (const NamedObject& object : objects()) {
        if (object.name == name)
            return object.ref;
    }
    return std::nullopt;
}

std::string_view pictureName(Picture picture) {
    return picture == Picture::None ? "none" : kStoreNames[static_cast<std::size_t>(picture)];
}

// ---- Text forms ------------------------------------------------------------------------

std::string quote(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
        case '\r':
            quoted += "\\r";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\t':
            quoted += "\\t";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '"':
            quoted += "\\\"";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
                quoted += hex;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> unquote(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
        return std::nullopt;
    std::string value;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        char c = text[i];
        if (c == '"')
            return std::nullopt;
        if (c != '\\') {
            value += c;
            continue;
        }
        if (++i + 1 >= text.size())
            return std::nullopt;
        switch (text[i]) {
        case 'r':
            value += '\r';
            break;
        case 'n':
            value += '\n';
            break;
        case 't':
            value += '\t';
            break;
        case '\\':
            value += '\\';
            break;
        case '"':
            value += '"';
            break;
        case 'x': {
            if (i + 3 >= text.size())
                return std::nullopt;
            const int high = hexDigit(text[i + 1]);
            const int low = hexDigit(text[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            value += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return value;
}

std::optional<double> parseNumber(std::string_view text) {
    double value = 0;
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> parseWhole(std::string_view text) {
    long long value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<bool> parseBool(std::string_view text) {
    if (text == "true")
        return true;
    if (text == "false")
        return false;
    return std::nullopt;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

/// Splits off the first blank-separated word.
std::string_view nextWord(std::string_view& rest) {
    rest = trim(rest);
    const std::size_t end = rest.find_first_of(" \t");
    const std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : trim(rest.substr(end));
    return word;
}

struct ScriptError {
    std::string message;
};

// ---- The replay --------------------------------------------------------------------------

class ReplayHost final : public Host {
public:
    ReplayHost(std::ostream& out, std::ostream* warnings, const PlayField*& field)
        : out_(out), warnings_(warnings), field_(field) {}

    void showMessage(std::string_view text, std::string_view title) override {
        out_ << '@' << now() << " msgbox " << quote(text) << ' ' << quote(title) << '\n';
    }
    void recordWritten(std::string_view bytes) override {
        out_ << '@' << now() << " record " << quote(bytes) << '\n';
    }
    /// Beside the transcript, so that the transcript stays the same.
    void recordWarning(std::string_view why) override {
        if (warnings_ != nullptr)
            *warnings_ << "zelto-replay: " << why << '\n';
    }
    void soundPropertySet(std::string_view control, std::string_view property,
                          std::string_view value) override {
        out_ << '@' << now() << " sound " << control << ' ' << property << ' ' << quote(value)
             << '\n';
    }

private:
    std::int64_t now() const { return field_ ? field_->now() : 0; }
    std::ostream& out_;
    std::ostream* warnings_;
    const PlayField*& field_;
};

class Replay {
public:
    PlayField& field() { return field_; }

    Replay(std::ostream& out, const std::filesystem::path& folder, std::ostream* warnings)
        : out_(out), host_(out, warnings, fieldView_), field_(host_, sound_, folder, {}) {
        fieldView_ = &field_;
    }

    void execute(std::string_view line) {
        std::string_view rest = line;
        const std::string_view command = nextWord(rest);
        if (command == "open") {
            expectEnd(rest);
            field_.show();
        } else if (command == "key") {
            const std::string_view word = nextWord(rest);
            expectEnd(rest);
            field_.keyPress(keyCode(word));
        } else if (command == "wait") {
            const auto ms = parseWhole(nextWord(rest));
            expectEnd(rest);
            if (!ms || *ms < 0)
                throw ScriptError{"wait needs a whole number of milliseconds"};
            wait(*ms);
        } else if (command == "tick") {
            const std::string_view name = nextWord(rest);
            expectEnd(rest);
            Form1& form = openForm();
            const auto ref = findObject(name);
            if (!ref || !std::holds_alternative<Timer Form1::*>(*ref))
                throw ScriptError{"no timer " + std::string(name)};
            form.runTick(timerId(form, std::get<Timer Form1::*>(*ref)));
        } else if (command == "set") {
            const std::string_view target = nextWord(rest);
            set(target, rest);
        } else if (command == "score") {
            const auto points = parseNumber(nextWord(rest));
            expectEnd(rest);
            if (!points)
                throw ScriptError{"score needs a number"};
            addPoints(openForm(), *points);
        } else if (command == "call") {
            const std::string_view name = nextWord(rest);
            expectEnd(rest);
            call(name);
        } else if (command == "print") {
            const std::string_view target = nextWord(rest);
            expectEnd(rest);
            print(target);
        } else {
            throw ScriptError{"unknown command " + std::string(command)};
        }
    }

private:
    static void expectEnd(std::string_view rest) {
        if (!trim(rest).empty())
            throw ScriptError{"unexpected " + std::string(trim(rest))};
    }

    static int keyCode(std::string_view word) {
        if (word.size() == 1)
            return static_cast<unsigned char>(word.front());
        if (word.size() > 1 && word.front() == '#') {
            const auto code = parseWhole(word.substr(1));
            if (code && *code >= 0 && *code <= 65535)
                return static_cast<int>(*code);
        }
        throw ScriptError{"key needs one character or #CODE"};
    }

    static TimerId timerId(Form1& form, Timer Form1::*member) {
        for (int i = 0; i < kTimerCount; ++i) {
            if (&form.timer(static_cast<TimerId>(i)) == &(form.*member))
                return static_cast<TimerId>(i);
        }
        throw ScriptError{"no such timer"};
    }

    Form1& openForm() {
        if (!field_.form())
            throw ScriptError{"the play field is not open"};
        return *field_.form();
    }

    void wait(long long ms) {
        if (ms > Clock::kLastMoment - field_.now())
            throw ScriptError{"wait goes past the clock's last moment, " +
                              std::to_string(Clock::kLastMoment) + " ms"};
        field_.stepTo(field_.now() + ms);
    }

    void call(std::string_view name) {
        Form1& form = openForm();
        if (name == "GameOver")
            GameOver(form);
        else if (name == "Esplosione")
            Esplosione(form);
        else if (name == "sparo")
            sparo(form);
        else
            throw ScriptError{"no routine " + std::string(name)};
    }

    /// An OBJECT.PROPERTY of the open play field.
    struct Target {
        Form1& form;
        std::string_view name;
        std::string_view property;
        ObjectRef ref;
    };

    Target resolve(std::string_view target) {
        const std::size_t dot = target.find('.');
        if (dot == std::string_view::npos)
            throw ScriptError{"expected OBJECT.PROPERTY, not " + std::string(target)};
        const std::string_view name = target.substr(0, dot);
        const auto ref = findObject(name);
        if (!ref)
            throw ScriptError{"no object " + std::string(name)};
        return {openForm(), name, target.substr(dot + 1), *ref};
    }

    static ScriptError noProperty(std::string_view object, std::string_view property) {
        return {std::string(object) + " has no property " + std::string(property)};
    }

    static float* position(float& left, float& top, float& width, float& height,
                           std::string_view property) {
        if (property == "Left")
            return &left;
        if (property == "Top")
            return &top;
        if (property == "Width")
            return &width;
        if (property == "Height")
            return &height;
        return nullptr;
    }

    void print(std::string_view target) {
        if (target == "ShotStep") {
            out_ << "ShotStep = " << openForm().ShotStep << '\n';
            return;
        }
        const Target t = resolve(target);
        const std::string value = std::visit(
            [&](auto member) -> std::string { return read(t.form, member, t.name, t.property); },
            t.ref);
        out_ << target << " = " << value << '\n';
    }

    static std::string read(Form1& form, Image Form1::*member, std::string_view name,
                            std::string_view property) {
        Image& image = form.*member;
        if (float* p = position(image.left, image.top, image.width, image.height, property))
            return formatNumber(*p);
        if (property == "Visible")
            return image.visible ? "true" : "false";
        if (property == "Picture")
            return std::string(pictureName(image.picture));
        throw noProperty(name, property);
    }
    static std::string read(Form1& form, Shape Form1::*member, std::string_view name,
                            std::string_view property) {
        Shape& shape = form.*member;
        if (float* p = position(shape.left, shape.top, shape.width, shape.height, property))
            return formatNumber(*p);
        if (property == "Visible")
            return shape.visible ? "true" : "false";
        throw noProperty(name, property);
    }
    static std::string read(Form1& form, Label Form1::*member, std::string_view name,
                            std::string_view property) {
        if (property == "Caption")
            return quote((form.*member).caption);
        throw noProperty(name, property);
    }
    static std::string read(Form1& form, Timer Form1::*member, std::string_view name,
                            std::string_view property) {
        const Timer& timer = form.*member;
        if (property == "Enabled")
            return timer.Enabled() ? "true" : "false";
        if (property == "Interval")
            return std::to_string(timer.Interval());
        throw noProperty(name, property);
    }
    static std::string read(Form1& form, MMControl Form1::*member, std::string_view name,
                            std::string_view property) {
        const MMControl& control = form.*member;
        if (property == "DeviceType")
            return quote(control.DeviceType());
        if (property == "FileName")
            return quote(control.FileName());
        if (property == "Command")
            return quote(control.Command());
        throw noProperty(name, property);
    }
    static std::string read(Form1& form, Picture picture, std::string_view name,
                            std::string_view property) {
        PictureStore& store = form.stores[static_cast<std::size_t>(picture)];
        if (property == "Left")
            return formatNumber(store.left);
        if (property == "Top")
            return formatNumber(store.top);
        if (property == "Picture")
            return std::string(name);
        throw noProperty(name, property);
    }

    void set(std::string_view target, std::string_view valueText) {
        const Target t = resolve(target);
        const std::string_view value = trim(valueText);
        std::visit([&](auto member) { write(t.form, member, t.name, t.property, value); }, t.ref);
    }

    static float number(std::string_view value) {
        const auto parsed = parseNumber(value);
        if (!parsed)
            throw ScriptError{"bad number " + std::string(value)};
        return store(*parsed);
    }
    static bool boolean(std::string_view value) {
        const auto parsed = parseBool(value);
        if (!parsed)
            throw ScriptError{"expected true or false, not " + std::string(value)};
        return *parsed;
    }
    static std::string text(std::string_view value) {
        const auto parsed = unquote(value);
        if (!parsed)
            throw ScriptError{"bad caption " + std::string(value)};
        return *parsed;
    }

    static void write(Form1& form, Image Form1::*member, std::string_view name,
                      std::string_view property, std::string_view value) {
        Image& image = form.*member;
        if (float* p = position(image.left, image.top, image.width, image.height, property)) {
            *p = number(value);
        } else if (property == "Visible") {
            image.visible = boolean(value);
        } else if (property == "Picture") {
            if (value == "none") {
                image.picture = Picture::None;
                return;
            }
            const auto ref = findObject(value);
            if (!ref || !std::holds_alternative<Picture>(*ref))
                throw ScriptError{"no picture store " + std::string(value)};
            form.assignPicture(image, std::get<Picture>(*ref));
        } else {
            throw noProperty(name, property);
        }
    }
    static void write(Form1& form, Shape Form1::*member, std::string_view name,
                      std::string_view property, std::string_view value) {
        Shape& shape = form.*member;
        if (float* p = position(shape.left, shape.top, shape.width, shape.height, property))
            *p = number(value);
        else if (property == "Visible")
            shape.visible = boolean(value);
        else
            throw noProperty(name, property);
    }
    static void write(Form1& form, Label Form1::*member, std::string_view name,
                      std::string_view property, std::string_view value) {
        if (property != "Caption")
            throw noProperty(name, property);
        // A fixture: the score label's change handler does not run.
        (form.*member).caption = text(value);
    }
    static void write(Form1& form, Timer Form1::*member, std::string_view name,
                      std::string_view property, std::string_view value) {
        Timer& timer = form.*member;
        if (property == "Enabled") {
            timer.setEnabled(boolean(value));
        } else if (property == "Interval") {
            const auto interval = parseWhole(value);
            if (!interval || *interval < 1 || *interval > 65535)
                throw ScriptError{"an interval is a whole number from 1 to 65535"};
            timer.setInterval(static_cast<int>(*interval));
        } else {
            throw noProperty(name, property);
        }
    }
    static void write(Form1& form, MMControl Form1::*member, std::string_view name,
                      std::string_view property, std::string_view value) {
        MMControl& control = form.*member;
        if (property == "DeviceType")
            control.setDeviceType(text(value));
        else if (property == "FileName")
            control.setFileName(text(value));
        else if (property == "Command")
            control.setCommand(text(value));
        else
            throw noProperty(name, property);
    }
    static void write(Form1& form, Picture picture, std::string_view name,
                      std::string_view property, std::string_view value) {
        PictureStore& store = form.stores[static_cast<std::size_t>(picture)];
        if (property == "Left")
            store.left = number(value);
        else if (property == "Top")
            store.top = number(value);
        else
            throw noProperty(name, property);
    }

    std::ostream& out_;
    const PlayField* fieldView_ = nullptr;
    ReplayHost host_;
    SilentSoundDevice sound_;
    PlayField field_;
};

} // namespace

struct ReplayDriver::Impl : Replay {
    using Replay::Replay;
};

ReplayDriver::ReplayDriver(std::ostream& out, const std::filesystem::path& folder,
                           std::ostream* warnings)
    : impl_(std::make_unique<Impl>(out, folder, warnings)) {}

ReplayDriver::~ReplayDriver() = default;

std::optional<std::string> ReplayDriver::execute(std::string_view line) {
    const std::string_view content = trim(line);
    if (content.empty() || content.front() == '#')
        return std::nullopt;
    try {
        impl_->execute(content);
    } catch (const ScriptError& error) {
        return error.message;
    }
    return std::nullopt;
}

PlayField& ReplayDriver::field() {
    return impl_->field();
}

int runReplay(std::istream& script, std::ostream& out, std::ostream& err,
              const std::filesystem::path& folder) {
    ReplayDriver replay(out, folder, &err);
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        if (const auto error = replay.execute(line)) {
            out.flush();
            err << "line " << number << ": " << *error << '\n';
            return 2;
        }
    }
    return 0;
}

} // namespace zelto
