#include "replay/replay.h"

#include "base/caption_number.h"
#include "base/text.h"
#include "game/play_field.h"
#include "player/laser.h"
#include "replay/events.h"
#include "replay/recorder.h"
#include "replay/script_text.h"
#include "scoring/game_over.h"
#include "scoring/score.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <istream>
#include <iterator>
#include <limits>
#include <map>
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

struct ScriptError {
    std::string message;
};

// ---- The properties that scripts read and set ----------------------------------------------

/// One property of one kind of object: its text form, and how a fixture sets it (no handler
/// runs). A property without a writer can only be read.
template <typename T>
struct Property {
    std::string_view name;
    std::string (*read)(const Form1&, const T&);
    void (*write)(Form1&, T&, std::string_view) = nullptr;
};

float number(std::string_view value) {
    const auto parsed = parseDecimal(value);
    if (!parsed)
        throw ScriptError{"bad number " + std::string(value)};
    return store(*parsed);
}
bool boolean(std::string_view value) {
    const auto parsed = parseBool(value);
    if (!parsed)
        throw ScriptError{"expected true or false, not " + std::string(value)};
    return *parsed;
}
std::string text(std::string_view value) {
    const auto parsed = unquote(value);
    if (!parsed)
        throw ScriptError{"bad caption " + std::string(value)};
    return *parsed;
}
std::string flagText(bool value) {
    return value ? "true" : "false";
}

template <typename T, float T::*Field>
constexpr Property<T> numberProperty(std::string_view name) {
    return {name, [](const Form1&, const T& object) { return formatNumber(object.*Field); },
            [](Form1&, T& object, std::string_view value) { object.*Field = number(value); }};
}

/// Left, Top, Width, Height and Visible, then the kind's own properties.
template <typename T, typename... More>
constexpr auto placed(More... more) {
    return std::to_array<Property<T>>(
        {numberProperty<T, &T::left>("Left"),
         numberProperty<T, &T::top>("Top"),
         numberProperty<T, &T::width>("Width"),
         numberProperty<T, &T::height>("Height"),
         {"Visible", [](const Form1&, const T& object) { return flagText(object.visible); },
          [](Form1&, T& object, std::string_view value) { object.visible = boolean(value); }},
         more...});
}

template <typename T>
constexpr std::array<Property<T>, 0> kProperties{};

template <>
constexpr auto kProperties<Image> = placed<Image>(Property<Image>{
    "Picture",
    [](const Form1& form, const Image& image) {
        return image.picture ? std::string(nameOf(form, *image.picture)) : "none";
    },
    [](Form1& form, Image& image, std::string_view value) {
        if (value == "none") {
            image.picture = nullptr;
            return;
        }
        const Form1Object* store = findObject(value);
        const auto* member = store ? std::get_if<PictureStore Form1::*>(&store->member) : nullptr;
        if (!member)
            throw ScriptError{"no picture store " + std::string(value)};
        form.assignPicture(image, form.**member);
    }});

template <>
constexpr auto kProperties<Shape> = placed<Shape>();

template <>
constexpr auto kProperties<Label> = std::to_array<Property<Label>>({
    {"Caption", [](const Form1&, const Label& label) { return quote(label.caption); },
     // A fixture: the score label's change handler does not run.
     [](Form1&, Label& label, std::string_view value) { label.caption = text(value); }},
});

template <>
constexpr auto kProperties<PictureStore> = std::to_array<Property<PictureStore>>({
    numberProperty<PictureStore, &PictureStore::left>("Left"),
    numberProperty<PictureStore, &PictureStore::top>("Top"),
    {"Picture", [](const Form1& form,
                   const PictureStore& picture) { return std::string(nameOf(form, picture)); }},
});

template <>
constexpr auto kProperties<Timer> = std::to_array<Property<Timer>>({
    {"Enabled", [](const Form1&, const Timer& timer) { return flagText(timer.Enabled()); },
     [](Form1&, Timer& timer, std::string_view value) { timer.setEnabled(boolean(value)); }},
    {"Interval", [](const Form1&, const Timer& timer) { return std::to_string(timer.Interval()); },
     [](Form1&, Timer& timer, std::string_view value) {
         const auto interval = parseWhole(value);
         if (!interval || *interval < 1 || *interval > 65535)
             throw ScriptError{"an interval is a whole number from 1 to 65535"};
         timer.setInterval(static_cast<int>(*interval));
     }},
});

template <>
constexpr auto kProperties<MMControl> = std::to_array<Property<MMControl>>({
    {"DeviceType",
     [](const Form1&, const MMControl& control) { return quote(control.DeviceType()); },
     [](Form1&, MMControl& control, std::string_view value) {
         control.setDeviceType(text(value));
     }},
    {"FileName", [](const Form1&, const MMControl& control) { return quote(control.FileName()); },
     [](Form1&, MMControl& control, std::string_view value) { control.setFileName(text(value)); }},
    {"Command", [](const Form1&, const MMControl& control) { return quote(control.Command()); },
     [](Form1&, MMControl& control, std::string_view value) { control.setCommand(text(value)); }},
});

// ---- The replay --------------------------------------------------------------------------

/// Prints what the game does outside itself; a message box is answered by `answerBox`.
class ReplayHost final : public Host {
public:
    ReplayHost(EventLog& events, std::ostream* warnings, const PlayField*& field,
               std::function<void()> answerBox)
        : events_(events), warnings_(warnings), field_(field), answerBox_(std::move(answerBox)) {}

    void showMessage(std::string_view text, std::string_view title) override {
        events_.message(now(), text, title);
        answerBox_();
    }
    void recordWritten(std::string_view bytes) override { events_.record(now(), bytes); }
    /// Beside the transcript, so that the transcript stays the same.
    void recordWarning(std::string_view why) override {
        if (warnings_ != nullptr)
            *warnings_ << "zelto-replay: " << why << '\n';
    }
    void soundPropertySet(std::string_view control, std::string_view property,
                          std::string_view value) override {
        events_.sound(now(), control, property, value);
    }

private:
    std::int64_t now() const { return field_ ? field_->now() : 0; }
    EventLog& events_;
    std::ostream* warnings_;
    const PlayField*& field_;
    std::function<void()> answerBox_;
};

/// Where a script stops: its line and what is wrong there.
struct Stop {
    long line = 0;
    std::string message;
};

class Replay {
public:
    PlayField& field() { return field_; }

    Replay(std::ostream& out, const std::filesystem::path& folder, std::ostream* warnings)
        : out_(out), warnings_(warnings), events_(&out),
          host_(events_, warnings, fieldView_, [this] { answerBox(); }),
          field_(host_, sound_, folder, {}) {
        fieldView_ = &field_;
        // How the labels stood when the field last closed, for what a recording expects.
        field_.setClosing([this](const Form1& form) {
            for (const Form1Object& object : kForm1Objects) {
                if (const auto* label = std::get_if<Label Form1::*>(&object.member))
                    closed_[std::string(object.name) + ".Caption"] = quote((form.**label).caption);
            }
        });
    }

    /// Runs the lines that `next` gives, one after the other, to the first that stops it.
    std::optional<Stop> run(const std::function<std::optional<std::string>()>& next, bool partial) {
        next_ = next;
        while (!stop_) {
            const auto text = next();
            if (!text)
                break;
            runLine(*text);
        }
        next_ = nullptr;
        if (recording_ && !ended_ && !stop_ && !partial)
            stop_ = Stop{lineNumber_ + 1, "the recording stops before its end"};
        return stop_;
    }

    /// Runs one line, and what it stops on is kept for run().
    void runLine(std::string_view text) {
        ++lineNumber_;
        const std::string_view content = trim(text);
        if (content.empty() || content.front() == '#')
            return;
        const long number = lineNumber_;
        if (content == "recording")
            lines_ = Fingerprint();
        const Fingerprint before = lines_;
        lines_.add(content);
        try {
            execute(content, before);
        } catch (const ScriptError& error) {
            if (!stop_)
                stop_ = Stop{number, error.message};
        }
    }

    std::optional<Stop> takeStop() { return std::exchange(stop_, std::nullopt); }

    void execute(std::string_view line, const Fingerprint& linesBefore = {}) {
        std::string_view rest = line;
        const std::string_view command = nextWord(rest);
        if (command == "open") {
            expectEnd(rest);
            field_.show();
        } else if (command == "key") {
            const int code = keyCode(nextWord(rest));
            // "+MS": the key came MS after the field's time, which moves on to it first.
            field_.advanceTo(field_.now() + later(rest));
            field_.keyPress(code);
        } else if (command == "wait") {
            const auto ms = parseWhole(nextWord(rest));
            expectEnd(rest);
            if (!ms || *ms < 0)
                throw ScriptError{"wait needs a whole number of milliseconds"};
            if (recording_)
                throw ScriptError{"a recording moves the clock with at and ticks, not wait"};
            wait(*ms);
        } else if (command == "tick") {
            const std::string_view name = nextWord(rest);
            expectEnd(rest);
            Form1& form = openForm();
            const Form1Object* object = findObject(name);
            const auto* timer = object ? std::get_if<Timer Form1::*>(&object->member) : nullptr;
            if (!timer)
                throw ScriptError{"no timer " + std::string(name)};
            form.timers().runTick(timerIndex(*timer));
        } else if (command == "set") {
            const std::string_view target = nextWord(rest);
            set(target, rest);
        } else if (command == "score") {
            const auto points = parseDecimal(nextWord(rest));
            expectEnd(rest);
            if (!points)
                throw ScriptError{"score needs a number"};
            addPoints(openForm(), *points);
        } else if (command == "call") {
            const std::string_view name = nextWord(rest);
            expectEnd(rest);
            call(name);
        } else if (command == "recording") {
            expectEnd(rest);
            recording_ = true;
            events_.restart();
        } else if (command == "best") {
            const std::string best = text(trim(rest));
            const std::string& read = openForm().Label4.caption;
            if (best != read && warnings_)
                *warnings_ << "zelto-replay: the recording began with the best score "
                           << quote(best) << ", this folder's record file holds " << quote(read)
                           << ": the game may play out otherwise\n";
        } else if (command == "at") {
            const auto ms = parseWhole(nextWord(rest));
            expectEnd(rest);
            if (!ms || *ms < field_.now() || *ms > Clock::kLastMoment)
                throw ScriptError{"at needs a time from the clock's " +
                                  std::to_string(field_.now()) + " to " +
                                  std::to_string(Clock::kLastMoment) + " ms"};
            field_.advanceTo(*ms);
        } else if (command == "ticks") {
            const std::string_view count = nextWord(rest);
            const auto late = decodeTicks(count, nextWord(rest));
            expectEnd(rest);
            if (!late)
                throw ScriptError{"ticks needs a count and its code"};
            for (const int ms : *late) {
                const auto due = field_.nextDue();
                if (!due || *due + ms > Clock::kLastMoment)
                    throw ScriptError{"ticks: no timer is due"};
                field_.advanceTo(*due + ms);
            }
        } else if (command == "pause") {
            const auto ms = parseWhole(nextWord(rest));
            expectEnd(rest);
            if (!ms || *ms < 0)
                throw ScriptError{"pause needs a whole number of milliseconds"};
        } else if (command == "answer") {
            throw ScriptError{"no message box is open"};
        } else if (command == "close") {
            later(rest);
            openForm();
            field_.close();
        } else if (command == "end") {
            const std::string_view sum = nextWord(rest);
            expectEnd(rest);
            if (!recording_ || sum != std::to_string(linesBefore.value()))
                throw ScriptError{"the recording has been changed"};
            ended_ = true;
        } else if (command == "expect") {
            const std::string_view target = nextWord(rest);
            expect(target, trim(rest));
        } else if (command == "print") {
            const std::string_view target = nextWord(rest);
            expectEnd(rest);
            print(target);
        } else {
            throw ScriptError{"unknown command " + std::string(command)};
        }
    }

private:
    /// An optional "+MS" at the end of a line: how much later than the field's time it came.
    std::int64_t later(std::string_view rest) const {
        const std::string_view after = nextWord(rest);
        expectEnd(rest);
        if (after.empty())
            return 0;
        const auto ms = after.front() == '+' ? parseWhole(after.substr(1)) : std::nullopt;
        if (!ms || *ms < 0 || *ms > Clock::kLastMoment - field_.now())
            throw ScriptError{"expected +MS, not " + std::string(after)};
        return *ms;
    }

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

    /// Reads or sets a property of an object of the open play field: `value` null reads it.
    std::string access(const Form1Object& object, std::string_view property,
                       const std::string_view* value) {
        Form1& form = openForm();
        return std::visit(
            [&](auto member) {
                auto& instance = form.*member;
                for (const auto& p : kProperties<std::remove_reference_t<decltype(instance)>>) {
                    if (p.name != property || (value && !p.write))
                        continue;
                    if (!value)
                        return p.read(form, instance);
                    p.write(form, instance, *value);
                    return std::string();
                }
                throw ScriptError{std::string(object.name) + " has no property " +
                                  std::string(property)};
            },
            object.member);
    }

    /// Every property of an object, on one line: "Image1: Left 3840, Top 7440, ...".
    std::string describe(const Form1Object& object) {
        Form1& form = openForm();
        return std::visit(
            [&](auto member) {
                std::string line(object.name);
                const char* separator = ": ";
                for (const auto& p : kProperties<std::remove_reference_t<decltype(form.*member)>>) {
                    line += separator + std::string(p.name) + ' ' + p.read(form, form.*member);
                    separator = ", ";
                }
                return line;
            },
            object.member);
    }

    const Form1Object& objectNamed(std::string_view name) {
        const Form1Object* object = findObject(name);
        if (!object)
            throw ScriptError{"no object " + std::string(name)};
        return *object;
    }

    /// OBJECT.PROPERTY, an OBJECT (every property), Form1 (every object) or ShotStep.
    void print(std::string_view target) {
        if (target == "ShotStep") {
            out_ << "ShotStep = " << openForm().ShotStep << '\n';
            return;
        }
        if (target == "Form1") {
            openForm();
            for (const Form1Object& object : kForm1Objects)
                out_ << describe(object) << '\n';
            out_ << "ShotStep = " << openForm().ShotStep << '\n';
            return;
        }
        const std::size_t dot = target.find('.');
        if (dot == std::string_view::npos) {
            const std::string line = describe(objectNamed(target));
            out_ << line << '\n';
            return;
        }
        const std::string value =
            access(objectNamed(target.substr(0, dot)), target.substr(dot + 1), nullptr);
        out_ << target << " = " << value << '\n';
    }

    void set(std::string_view target, std::string_view valueText) {
        const std::string_view value = trim(valueText);
        if (target == "ShotStep") {
            const auto step = parseWhole(value);
            if (!step || *step < std::numeric_limits<std::int16_t>::min() ||
                *step > std::numeric_limits<std::int16_t>::max())
                throw ScriptError{"ShotStep is a whole number from -32768 to 32767"};
            openForm().ShotStep = static_cast<std::int16_t>(*step);
            return;
        }
        const std::size_t dot = target.find('.');
        if (dot == std::string_view::npos)
            throw ScriptError{"expected OBJECT.PROPERTY, not " + std::string(target)};
        access(objectNamed(target.substr(0, dot)), target.substr(dot + 1), &value);
    }

    /// Inside a message box of a recording, the lines up to "answer" run while it is open,
    /// as the real box's event loop goes on delivering ticks; elsewhere it is answered at once.
    void answerBox() {
        if (!recording_ || !next_)
            return;
        while (!stop_) {
            const auto text = next_();
            if (!text)
                return;
            std::string_view rest = trim(*text);
            if (nextWord(rest) == "answer") {
                ++lineNumber_;
                lines_.add(trim(*text));
                try {
                    later(rest);
                } catch (const ScriptError& error) {
                    stop_ = Stop{lineNumber_, error.message};
                }
                return;
            }
            runLine(*text);
        }
    }

    /// Compares what the game shows with what a recording says it showed.
    void expect(std::string_view target, std::string_view value) {
        std::string found;
        if (target == "events") {
            found = events_.summary();
        } else if (target == "record") {
            std::ifstream file(field_.recordFile().path(), std::ios::binary);
            found = quote(std::string(std::istreambuf_iterator<char>(file), {}));
        } else if (const auto closed = closed_.find(std::string(target));
                   !field_.form() && closed != closed_.end()) {
            found = closed->second;
        } else {
            const std::size_t dot = target.find('.');
            if (dot == std::string_view::npos)
                throw ScriptError{"expected OBJECT.PROPERTY, events or record, not " +
                                  std::string(target)};
            found = access(objectNamed(target.substr(0, dot)), target.substr(dot + 1), nullptr);
        }
        if (found != value)
            throw ScriptError{std::string(target) + " is " + found + ", the recording says " +
                              std::string(value)};
    }

    std::ostream& out_;
    std::ostream* warnings_;
    EventLog events_;
    bool recording_ = false;
    bool ended_ = false;
    Fingerprint lines_; // of the lines of a recording so far
    std::function<std::optional<std::string>()> next_;
    long lineNumber_ = 0;
    std::optional<Stop> stop_;
    std::map<std::string, std::string> closed_;
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
    impl_->runLine(line);
    if (auto stop = impl_->takeStop())
        return stop->message;
    return std::nullopt;
}

PlayField& ReplayDriver::field() {
    return impl_->field();
}

int runReplay(std::istream& script, std::ostream& out, std::ostream& err,
              const std::filesystem::path& folder, bool partial) {
    ReplayDriver replay(out, folder, &err);
    const auto stop = replay.impl_->run(
        [&script]() -> std::optional<std::string> {
            std::string line;
            if (!std::getline(script, line))
                return std::nullopt;
            return line;
        },
        partial);
    out.flush();
    if (!stop)
        return 0;
    err << "line " << stop->line << ": " << stop->message << '\n';
    return 2;
}

} // namespace zelto
