// zelto-board-games: plays games of Zelto headless, each on the virtual clock through the
// recorder, and writes their recordings, so that the score board's tests and benchmark have as
// many distinct games as they need. A simple player aims at the lowest enemy: it steers its
// ship under it in turbo, fires, and freezes the volley just below it with `p`. Every choice
// and every moment varies with the seed, so no two games are alike.
#include "replay/language.h"
#include "replay/recorder.h"
#include "replay/verify.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

namespace {

using namespace zelto;

constexpr const char* kUsage = R"(Usage: zelto-board-games [OPTION]... FOLDER
Plays games of Zelto headless and writes their recordings to FOLDER as game-SEED.zrp, one line
for each on standard output: the file, its points, its length in ms and its keys.

Options:
  --count N        how many games (1)
  --seed S         the first game's seed; each further game takes the next (1)
  --length-ms MS   quit each game that lasts this long (60000); a game can end sooner
  --player NAME    the player line of every game (none)
  --calm           a player who lets each enemy come down half-way before aiming at it: lower
                   scores, which keep the game from speeding up
  --help           show this help and exit
)";

class Silence final : public SoundDevice {
public:
    void open(SoundChannel, const std::filesystem::path&) override {}
    void play(SoundChannel) override {}
    void close(SoundChannel) override {}
};

/// The message box stays open while `whileOpen` lets time pass, as its event loop would.
class BoxHost final : public Host {
public:
    std::function<void()> whileOpen;
    bool shown = false;
    void showMessage(std::string_view, std::string_view) override {
        shown = true;
        if (whileOpen)
            whileOpen();
    }
};

/// Plays one game into `file` and returns its text. A calm player waits for each enemy to come
/// down below `from` twips before it aims at it.
std::string play(unsigned seed, std::int64_t lengthMs, double from,
                 const std::filesystem::path& file) {
    std::mt19937 random(seed);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<>(low, high)(random);
    };
    BoxHost host;
    Silence sound;
    MemoryRecordStore record(pick(0, 1) ? std::to_string(pick(1, 40) * 50) + "\r\n" : "");
    RecordingFile out(file, RecordingFile::Mode::InPlace);
    Recorder recorder(host, out);
    PlayField field(recorder, sound, record, {});
    recorder.follow(field);

    // To the next due tick and 0 to 3 ms past it, as the real-time driver comes.
    const auto tick = [&] {
        const auto due = field.nextDue();
        const std::int64_t now = due ? *due + pick(0, 3) : field.now() + 50;
        recorder.advance(now, due);
        field.advanceTo(now);
    };
    const auto press = [&](int key) {
        const std::int64_t now = field.now() + pick(0, 2);
        recorder.advance(now, field.nextDue());
        field.advanceTo(now);
        if (!field.isOpen())
            return;
        recorder.key(key);
        field.keyPress(key);
    };
    const auto wait = [&](std::int64_t ms) {
        for (const std::int64_t until = field.now() + ms; field.isOpen() && field.now() < until;)
            tick();
    };
    host.whileOpen = [&] { wait(pick(200, 1500)); };

    field.advanceTo(pick(10, 400));
    recorder.gameOpening();
    field.show();
    recorder.gameOpened();
    const std::int64_t opened = field.now();
    wait(pick(100, 600));
    press('l');
    Image Form1::*const enemies[] = {
        &Form1::Image2,  &Form1::Image3,  &Form1::Image4,    &Form1::Image5,  &Form1::Image6,
        &Form1::Image7,  &Form1::Image8,  &Form1::Image9,    &Form1::Image10, &Form1::Image11,
        &Form1::Image12, &Form1::Image13, &Form1::ImgAlieno, &Form1::ImgAl1,  &Form1::Imgal2};
    // Which of the five shots this game aims with: its offset from the ship.
    const double aim = std::array{100.0, 210.0, 420.0, 640.0, 780.0}[pick(0, 4)];
    while (field.isOpen() && !host.shown && field.now() - opened < lengthMs) {
        Form1& form = *field.form();
        const Image* target = nullptr;
        for (auto member : enemies) {
            const Image& enemy = form.*member;
            if (enemy.visible && enemy.top > from && (!target || enemy.top > target->top))
                target = &enemy;
        }
        if (!target) {
            wait(pick(100, 1000));
            continue;
        }
        // The alien's shot falling towards the ship (it hits within 150 of the ship's corner):
        // out of its way first, and whatever the player is doing, it looks up when one comes.
        const Shape& shot = form.Sparonem;
        const auto threatened = [&] {
            return shot.visible && shot.top > form.Image1.top - 2500 &&
                   shot.top < form.Image1.top + 150 && std::abs(shot.left - form.Image1.left) < 350;
        };
        const auto playing = [&] { return field.isOpen() && !host.shown && !threatened(); };
        if (threatened()) {
            press(shot.left < form.Image1.left ? 'x' : 'z');
            for (int step = 0; step < 200 && field.isOpen() && !host.shown && threatened(); ++step)
                tick();
            press('p');
            continue;
        }
        // Aliens sweep sideways: the volley waits ahead of them, its first shot 300 twips ahead.
        const bool right = target == &form.Imgal2;
        const bool left = target == &form.ImgAlieno || target == &form.ImgAl1;
        const double ahead = right ? 300 : left ? -300 : 0;
        // The ship wraps between 140 and 11680: near an edge, the shot that can reach it.
        const double from = right                        ? 100
                            : left                       ? 780
                            : target->left - aim < 200   ? 100
                            : target->left - aim > 11500 ? 780
                                                         : aim;
        const auto gapNow = [&] { return target->left + ahead - (form.Image1.left + from); };
        const double gap = gapNow();
        if (std::abs(gap) > 120) {
            press(gap < 0 ? 'z' : 'x');
            for (int step = 0; step < 600 && playing() && (gapNow() < 0) == (gap < 0); ++step)
                tick();
            press('p');
            continue;
        }
        // Fire, and freeze the volley once it has climbed to within the nearest a shot must
        // come (100 twips) below the target's top; then wait for the hit.
        press('m');
        const double below = pick(20, 90);
        while (playing() && form.SnpSparo.top > target->top + below && form.SnpSparo.top > 0)
            tick();
        press('p');
        for (const std::int64_t until = field.now() + pick(300, 700);
             playing() && target->visible && field.now() < until;)
            tick();
    }
    if (field.isOpen()) {
        wait(pick(0, 300));
        press('q');
    }
    recorder.programEnding();
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

/// The recording with a player line after its best line, and its end line made to fit.
std::string named(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    std::string out;
    script::Fingerprint lines;
    bool started = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("end "))
            break;
        std::vector<std::string> add{line};
        if (line.starts_with("best "))
            add.push_back(script::write(script::Player{name}));
        for (const std::string& each : add) {
            started |= each == "recording";
            if (started && !each.starts_with('#'))
                lines.add(each);
            out += each + '\n';
        }
    }
    return out + "end " + std::to_string(lines.value()) + '\n';
}

} // namespace

int main(int argc, char** argv) {
    long count = 1;
    unsigned seed = 1;
    std::int64_t lengthMs = 60000;
    std::string player;
    double from = 0;
    std::filesystem::path folder;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool valued = i + 1 < argc;
        if (argument == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (argument == "--count" && valued) {
            count = std::atol(argv[++i]);
        } else if (argument == "--seed" && valued) {
            seed = static_cast<unsigned>(std::atol(argv[++i]));
        } else if (argument == "--length-ms" && valued) {
            lengthMs = std::atoll(argv[++i]);
        } else if (argument == "--calm") {
            from = 4000;
        } else if (argument == "--player" && valued) {
            player = argv[++i];
        } else if (argument.starts_with('-') || !folder.empty()) {
            std::cerr << "zelto-board-games: unknown option " << script::excerpt(argument)
                      << " (zelto-board-games --help)\n";
            return 2;
        } else {
            folder = argument;
        }
    }
    if (folder.empty() || count < 1 || lengthMs < 1) {
        std::cerr << kUsage;
        return 2;
    }
    std::filesystem::create_directories(folder);
    for (long n = 0; n < count; ++n, ++seed) {
        const auto file = folder / ("game-" + std::to_string(seed) + ".zrp");
        std::string text = play(seed, lengthMs, from, file);
        if (!player.empty()) {
            text = named(text, player);
            std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        }
        const Verdict verdict = verifyRecording(text);
        if (!verdict.finished()) {
            std::cerr << "zelto-board-games: game " << seed << " does not check out: "
                      << (verdict.stop ? verdict.stop->text() : "unfinished") << '\n';
            return 1;
        }
        std::cout << file.string() << ' ' << verdict.points << ' ' << verdict.lengthMs << ' '
                  << verdict.keys << '\n';
    }
    return 0;
}
