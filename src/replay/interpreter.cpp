#include "replay/interpreter.h"

#include "base/caption_number.h"
#include "base/text.h"
#include "player/laser.h"
#include "replay/script_text.h"
#include "scoring/game_over.h"
#include "scoring/score.h"

#include <array>
#include <cstdint>
#include <limits>
#include <ostream>
#include <utility>
#include <variant>
#include <vector>

namespace zelto {

namespace {

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
        throw script::LineError{"bad number " + script::excerpt(value)};
    return store(*parsed);
}
bool boolean(std::string_view value) {
    const auto parsed = parseBool(value);
    if (!parsed)
        throw script::LineError{"expected true or false, not " + script::excerpt(value)};
    return *parsed;
}
std::string text(std::string_view value) {
    const auto parsed = unquote(value);
    if (!parsed)
        throw script::LineError{"bad caption " + script::excerpt(value)};
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
            throw script::LineError{"no picture store " + script::excerpt(value)};
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
         if (!interval || *interval < 1 || *interval > Timer::kLongestInterval)
             throw script::LineError{"an interval is a whole number from 1 to " +
                                     std::to_string(Timer::kLongestInterval)};
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

// ---- The interpreter ---------------------------------------------------------------------

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
    void recordWritten(std::string_view bytes) override {
        events_.record(now(), bytes);
        written_ = bytes;
    }
    /// Beside the transcript, so that the transcript stays the same.
    void recordWarning(std::string_view why) override {
        if (warnings_ != nullptr)
            *warnings_ << "zelto-replay: " << why << '\n';
    }
    void soundPropertySet(std::string_view control, std::string_view property,
                          std::string_view value) override {
        events_.sound(now(), control, property, value);
    }

    /// The record's bytes as the game last read or wrote them.
    std::string written_;

private:
    std::int64_t now() const { return field_ ? field_->now() : 0; }
    EventLog& events_;
    std::ostream* warnings_;
    const PlayField*& field_;
    std::function<void()> answerBox_;
};

/// What a recording's "expect" lines compare when the game is over, in the order it writes them.
constexpr std::array<std::string_view, 4> kExpected{"Label1.Caption", "Label4.Caption", "events",
                                                    "record"};

/// How deep message boxes may nest: in a recording as deep as a game can (its game over stops
/// every timer, so nothing can end the game again while the box is open), in a script a little
/// deeper, and never so deep that the stack runs out.
constexpr int kRecordingBoxDepth = 1;
constexpr int kScriptBoxDepth = 8;

/// Where a strict recording stands in the order a game writes it.
enum class Part { Header, Body, Expectations, Ended };

} // namespace

using namespace script;

struct Interpreter::Impl {
    explicit Impl(const Setup& setup)
        : setup_(setup), events_(setup.out),
          host_(events_, setup.warnings, fieldView_, [this] { answerBox(); }) {
        field_ =
            setup.folder
                ? std::make_unique<PlayField>(host_, sound_, *setup.folder, std::filesystem::path())
                : std::make_unique<PlayField>(host_, sound_, memory_, std::filesystem::path());
        fieldView_ = field_.get();
        // How the labels stood when the field last closed, for what a recording expects.
        field_->setClosing([this](const Form1& form) {
            for (const Form1Object& object : kForm1Objects) {
                if (const auto* label = std::get_if<Label Form1::*>(&object.member))
                    closed_[std::string(object.name) + ".Caption"] = quote((form.**label).caption);
            }
            summary_.score = form.Label1.caption;
        });
    }

    std::optional<Stop> run(const NextLine& next, bool partial) {
        next_ = next;
        try {
            if (setup_.strict)
                seedBestScore();
        } catch (const Stop& stop) {
            stop_ = stop;
        }
        runLines();
        next_ = nullptr;
        buffered_.clear();
        if (recording_ && !summary_.ended && !stop_ && !partial)
            stop_ = Stop{lineNumber_ + 1, "the recording stops before its end"};
        if (field_->form())
            summary_.score = field_->form()->Label1.caption;
        summary_.lastMoment = field_->now();
        return stop_;
    }

    /// A recording keeps its best score in memory from its start: the lines up to "best" are
    /// read ahead, so that the field finds that score when it opens.
    void seedBestScore() {
        if (setup_.best) {
            memory_ = MemoryRecordStore(*setup_.best);
            return;
        }
        const NextLine source = next_;
        for (int read = 0; read < 16; ++read) {
            const auto text = source();
            if (!text)
                break;
            buffered_.emplace_back(*text);
            std::optional<Command> command;
            try {
                command = readLine(*text);
            } catch (const LineError&) {
                break;
            }
            if (const auto* best = command ? std::get_if<Best>(&*command) : nullptr) {
                memory_ = MemoryRecordStore(best->bytes);
                break;
            }
        }
        next_ = [this, source, at = std::size_t{0}]() mutable -> std::optional<std::string_view> {
            if (at < buffered_.size())
                return buffered_[at++];
            return source();
        };
    }

    void runLine(std::string_view text) {
        ++lineNumber_;
        const std::string_view content = trim(text);
        const long number = lineNumber_;
        try {
            if (part_ == Part::Ended && setup_.strict && !content.empty())
                throw LineError{"nothing may follow the end of a recording"};
            const std::optional<Command> command = readLine(content);
            if (!command)
                return;
            if (std::holds_alternative<Recording>(*command))
                lines_ = Fingerprint();
            const Fingerprint before = lines_;
            lines_.add(content);
            if (setup_.strict)
                checkOrder(*command);
            linesBefore_ = before;
            std::visit([this](const auto& c) { execute(c); }, *command);
        } catch (const LineError& error) {
            if (!stop_)
                stop_ = Stop{number, error.message};
        }
    }

    /// A strict recording holds only what a game writes, in that order: its header, what the
    /// player and the clock did while the game was open (only the clock and the answer while
    /// its message box is open), how it stood at the end, and the end line.
    void checkOrder(const Command& command) {
        const std::string_view name = syntaxOf(command).name;
        if (!syntaxOf(command).inRecording)
            throw LineError{std::string(name) + " is not part of a recorded game"};
        const auto misplaced = [&] {
            return LineError{std::string(name) + " cannot stand here in a recorded game"};
        };
        // The header: recording, at, open, best.
        static constexpr std::array<std::size_t, 4> kHeader{kIndexOf<Recording>, kIndexOf<At>,
                                                            kIndexOf<Open>, kIndexOf<Best>};
        switch (part_) {
        case Part::Header:
            if (command.index() != kHeader[headerRead_])
                throw misplaced();
            if (++headerRead_ == kHeader.size())
                part_ = Part::Body;
            return;
        case Part::Body:
            if (std::holds_alternative<Player>(command) ||
                std::holds_alternative<Refused>(command)) {
                // Each at most once, the player first, before anything of the game.
                const int step = std::holds_alternative<Player>(command) ? 1 : 2;
                if (bodyStarted_ || step <= headerExtras_)
                    throw misplaced();
                headerExtras_ = step;
                return;
            }
            if (std::holds_alternative<Expect>(command)) {
                part_ = Part::Expectations;
                break;
            }
            if (!std::holds_alternative<Ticks>(command) && !std::holds_alternative<At>(command) &&
                !std::holds_alternative<Key>(command) && !std::holds_alternative<Pause>(command) &&
                !std::holds_alternative<Answer>(command) && !std::holds_alternative<Close>(command))
                throw misplaced();
            bodyStarted_ = true;
            if (!field_->isOpen())
                throw LineError{std::string(name) + " after the play field closed"};
            if (boxDepth_ > 0 && !std::holds_alternative<Ticks>(command) &&
                !std::holds_alternative<At>(command) && !std::holds_alternative<Answer>(command))
                throw LineError{std::string(name) + " while the message box is open"};
            return;
        case Part::Expectations:
            break;
        case Part::Ended:
            throw LineError{"nothing may follow the end of a recording"};
        }
        // How the game stood when it was over, then the end.
        if (const auto* expect = std::get_if<Expect>(&command)) {
            if (expectsRead_ == kExpected.size() || expect->target != kExpected[expectsRead_])
                throw misplaced();
            ++expectsRead_;
        } else if (!std::holds_alternative<End>(command) || expectsRead_ != kExpected.size()) {
            throw misplaced();
        }
    }

    // ---- Each command ------------------------------------------------------------------

    void execute(const Open&) {
        if (field_->show()) {
            host_.written_ = field_->form()->Label4.caption;
            summary_.openedAt = field_->now();
            opened_ = true;
        }
    }
    void execute(const Key& key) {
        const std::int64_t at = later(key.later);
        withinPlay(at);
        field_->advanceTo(at);
        const bool open = field_->isOpen();
        field_->keyPress(key.code);
        summary_.keys += open;
        summary_.quit |= open && !field_->isOpen();
    }
    void execute(const Wait& wait) {
        if (recording_)
            throw LineError{"a recording moves the clock with at and ticks, not wait"};
        if (wait.ms > Clock::kLastMoment - field_->now())
            throw LineError{"wait goes past the clock's last moment, " +
                            std::to_string(Clock::kLastMoment) + " ms"};
        field_->stepTo(field_->now() + wait.ms);
    }
    void execute(const Tick& tick) {
        Form1& form = openForm();
        const Form1Object* object = findObject(tick.timer);
        const auto* timer = object ? std::get_if<Timer Form1::*>(&object->member) : nullptr;
        if (!timer)
            throw LineError{"no timer " + excerpt(tick.timer)};
        form.timers().runTick(timerIndex(*timer));
    }
    void execute(const Set& set) { this->set(set.target, set.value); }
    void execute(const Score& score) { addPoints(openForm(), score.points); }
    void execute(const Call& call) {
        Form1& form = openForm();
        if (call.routine == "GameOver")
            GameOver(form);
        else if (call.routine == "Esplosione")
            Esplosione(form);
        else if (call.routine == "sparo")
            sparo(form);
        else
            throw LineError{"no routine " + excerpt(call.routine)};
    }
    void execute(const Print& print) { this->print(print.target); }
    void execute(const Recording&) {
        recording_ = true;
        events_.restart();
    }
    void execute(const Best& best) {
        summary_.best = best.bytes;
        const std::string& read = openForm().Label4.caption;
        if (best.bytes != read && setup_.warnings)
            *setup_.warnings << "zelto-replay: the recording began with the best score "
                             << excerpt(quote(best.bytes)) << ", the record file holds "
                             << excerpt(quote(read)) << ": the game may play out otherwise\n";
    }
    void execute(const Player& player) { summary_.player = player.name; }
    void execute(const Refused&) { memory_.refuseWrites(); }
    void execute(const At& at) {
        if (!at.ms || *at.ms < field_->now() || *at.ms > Clock::kLastMoment)
            throw LineError{"at needs a time from the clock's " + std::to_string(field_->now()) +
                            " to " + std::to_string(Clock::kLastMoment) + " ms"};
        withinPlay(*at.ms);
        field_->advanceTo(*at.ms);
    }
    void execute(const Ticks& ticks) {
        for (const int ms : ticks.late) {
            const auto due = field_->nextDue();
            if (!due || *due + ms > Clock::kLastMoment)
                throw LineError{"ticks: no timer is due"};
            withinPlay(*due + ms);
            field_->advanceTo(*due + ms);
        }
    }
    void execute(const Pause&) {}
    void execute(const Answer&) {
        if (boxDepth_ == 0 || answered_)
            throw LineError{"no message box is open"};
        answered_ = true;
    }
    void execute(const Close& close) {
        later(close.later);
        openForm();
        field_->close();
    }
    void execute(const Expect& expect) { this->expect(expect.target, expect.value); }
    void execute(const End& end) {
        if (!recording_ || end.sum != std::to_string(linesBefore_.value()))
            throw LineError{"the recording has been changed"};
        summary_.ended = true;
        part_ = Part::Ended;
    }

    // ---- What the commands share ----------------------------------------------------------

    /// The field's time `ms` later, which must not pass the clock's last moment.
    std::int64_t later(std::int64_t ms) const {
        if (ms > Clock::kLastMoment - field_->now())
            throw LineError{"expected +MS, not +" + std::to_string(ms)};
        return field_->now() + ms;
    }

    /// A recording read strictly plays no longer than its limit: the clock may not be taken
    /// past it, so that no file can make the check run long.
    void withinPlay(std::int64_t at) const {
        if (setup_.strict && opened_ && at - summary_.openedAt > setup_.limits.maxPlayMs)
            throw LineError{"the game goes on for more than " +
                            std::to_string(setup_.limits.maxPlayMs) + " ms"};
    }

    Form1& openForm() {
        if (!field_->form())
            throw LineError{"the play field is not open"};
        return *field_->form();
    }

    /// Inside a message box of a recording, the lines up to "answer" run while it is open, as
    /// the real box's event loop goes on delivering ticks; elsewhere it is answered at once.
    void answerBox() {
        summary_.gameOver = true;
        if (!recording_ || !next_ || stop_)
            return;
        const int deepest = setup_.strict ? kRecordingBoxDepth : kScriptBoxDepth;
        if (boxDepth_ >= deepest) {
            stop_ = Stop{lineNumber_, "message boxes open inside each other more than " +
                                          std::to_string(deepest) + " deep"};
            return;
        }
        ++boxDepth_;
        runLines();
        answered_ = false;
        --boxDepth_;
    }

    /// Runs the lines that next_ gives up to the end, a stop, or the answer to the message box
    /// that is open.
    void runLines() {
        try {
            while (!stop_ && !answered_) {
                const auto text = next_();
                if (!text)
                    break;
                runLine(*text);
            }
        } catch (const Stop& stop) {
            if (!stop_)
                stop_ = stop;
        }
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
                throw LineError{std::string(object.name) + " has no property " + excerpt(property)};
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
            throw LineError{"no object " + excerpt(name)};
        return *object;
    }

    /// OBJECT.PROPERTY, an OBJECT (every property), Form1 (every object) or ShotStep.
    void print(std::string_view target) {
        if (target == "ShotStep") {
            out() << "ShotStep = " << openForm().ShotStep << '\n';
            return;
        }
        if (target == "Form1") {
            openForm();
            for (const Form1Object& object : kForm1Objects)
                out() << describe(object) << '\n';
            out() << "ShotStep = " << openForm().ShotStep << '\n';
            return;
        }
        const std::size_t dot = target.find('.');
        if (dot == std::string_view::npos) {
            const std::string line = describe(objectNamed(target));
            out() << line << '\n';
            return;
        }
        const std::string value =
            access(objectNamed(target.substr(0, dot)), target.substr(dot + 1), nullptr);
        out() << target << " = " << value << '\n';
    }

    void set(std::string_view target, std::string_view valueText) {
        const std::string_view value = trim(valueText);
        if (target == "ShotStep") {
            const auto step = parseWhole(value);
            if (!step || *step < std::numeric_limits<std::int16_t>::min() ||
                *step > std::numeric_limits<std::int16_t>::max())
                throw LineError{"ShotStep is a whole number from -32768 to 32767"};
            openForm().ShotStep = static_cast<std::int16_t>(*step);
            return;
        }
        const std::size_t dot = target.find('.');
        if (dot == std::string_view::npos)
            throw LineError{"expected OBJECT.PROPERTY, not " + excerpt(target)};
        access(objectNamed(target.substr(0, dot)), target.substr(dot + 1), &value);
    }

    /// Compares what the game shows with what a recording says it showed.
    void expect(std::string_view target, std::string_view value) {
        std::string found;
        if (target == "events") {
            found = events_.summary();
        } else if (target == "record") {
            found = quote(host_.written_);
        } else if (const auto closed = closed_.find(std::string(target));
                   !field_->form() && closed != closed_.end()) {
            found = closed->second;
        } else {
            const std::size_t dot = target.find('.');
            if (dot == std::string_view::npos)
                throw LineError{"expected OBJECT.PROPERTY, events or record, not " +
                                excerpt(target)};
            found = access(objectNamed(target.substr(0, dot)), target.substr(dot + 1), nullptr);
        }
        if (found != value)
            throw LineError{excerpt(target) + " is " + excerpt(found) + ", the recording says " +
                            excerpt(value)};
    }

    /// The transcript, or a stream that drops it.
    std::ostream& out() { return setup_.out ? *setup_.out : nowhere_; }

    Setup setup_;
    std::ostream nowhere_{nullptr};
    EventLog events_;
    const PlayField* fieldView_ = nullptr;
    ReplayHost host_;
    SilentSoundDevice sound_;
    MemoryRecordStore memory_;
    std::unique_ptr<PlayField> field_;
    Summary summary_;

    bool recording_ = false;
    bool opened_ = false;
    Fingerprint lines_;       // of the lines of a recording so far
    Fingerprint linesBefore_; // of those before the line that runs
    NextLine next_;
    std::vector<std::string> buffered_; // lines read ahead
    long lineNumber_ = 0;
    std::optional<Stop> stop_;
    std::map<std::string, std::string> closed_;
    int boxDepth_ = 0;
    bool answered_ = false;
    // Where a strict recording stands.
    Part part_ = Part::Header;
    std::size_t headerRead_ = 0;
    int headerExtras_ = 0; // 1 once its player line was read, 2 once its refused line was
    bool bodyStarted_ = false;
    std::size_t expectsRead_ = 0;
};

Interpreter::Interpreter(const Setup& setup) : impl_(std::make_unique<Impl>(setup)) {}

Interpreter::~Interpreter() = default;

std::optional<Stop> Interpreter::run(const NextLine& next, bool partial) {
    return impl_->run(next, partial);
}

void Interpreter::runLine(std::string_view text) {
    impl_->runLine(text);
}

std::optional<Stop> Interpreter::takeStop() {
    return std::exchange(impl_->stop_, std::nullopt);
}

PlayField& Interpreter::field() {
    return *impl_->field_;
}

const Interpreter::Summary& Interpreter::summary() const {
    return impl_->summary_;
}

} // namespace zelto
