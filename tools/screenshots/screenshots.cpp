// zelto-screenshots OUTPUT_DIR [--stages]
//
// Renders the pictures of the README with the game's own drawing code, offscreen, so they
// never go stale: the start menu, the keys help screen and the about box (menu.png, keys.png,
// about.png) and a game under way in the play-field window (game.png), played through
// the replay driver's keys on the virtual clock. With --stages it also renders the stages of
// the difficulty progression (aliens.png, saucer.png, image8.png). QT_SCALE_FACTOR=2 (or 1.5)
// renders them as a screen of that density shows them.
#include "game/play_field.h"
#include "replay/replay.h"
#include "screens/about_box.h"
#include "screens/field_input.h"
#include "screens/game_clock.h"
#include "screens/keys_help.h"
#include "screens/play_field_window.h"
#include "screens/screens.h"
#include "screens/start_menu.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <sstream>

namespace {

struct Scene {
    const char* file;
    bool stage; // rendered only with --stages
    std::initializer_list<const char*> script;
};

// Each scene starts a fresh game in a scratch folder (no best score yet).
const Scene kScenes[] = {
    {"game.png",
     false,
     {"open", "score 650", "key x", "wait 1500", "key z", "wait 700", "key m", "wait 130"}},
    {"aliens.png", true, {"open", "score 4600", "key x", "wait 2500", "key m", "wait 200"}},
    {"saucer.png", true, {"open", "score 16050", "wait 1200"}},
    {"image8.png", true, {"open", "score 30050", "wait 250"}},
};

bool renderScene(const Scene& scene, const QDir& out, const std::filesystem::path& scratch) {
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);
    std::ostringstream sink;
    zelto::ReplayDriver driver(sink, scratch);
    for (const char* line : scene.script) {
        if (const auto error = driver.execute(line)) {
            std::fprintf(stderr, "%s: %s: %s\n", scene.file, line, error->c_str());
            return false;
        }
    }
    // The window only shows the field; it is never shown itself, so its clock never runs.
    zelto::GameClock clock(driver.field());
    zelto::FieldInput input(driver.field(), clock);
    zelto::PlayFieldWindow window(input);
    return window.grab().save(out.filePath(QString::fromLatin1(scene.file)));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() < 2 || arguments.size() > 3 ||
        (arguments.size() == 3 && arguments[2] != QLatin1String("--stages"))) {
        std::fprintf(stderr, "usage: zelto-screenshots OUTPUT_DIR [--stages]\n");
        return 2;
    }
    const bool stages = arguments.size() == 3;
    const QDir out(arguments[1]);
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "zelto-screenshots: cannot make %s\n", qPrintable(arguments[1]));
        return 1;
    }

    zelto::Screens screens([] {});
    screens.showMenu();
    screens.showKeysHelp();
    screens.showAboutBox();
    QApplication::processEvents();
    const std::pair<QWidget*, const char*> windows[] = {
        {&screens.menu(), "menu.png"},
        {screens.keysHelp(), "keys.png"},
        {screens.aboutBox(), "about.png"},
    };
    for (const auto& [window, file] : windows) {
        if (!window->grab().save(out.filePath(QString::fromLatin1(file))))
            return 1;
    }

    const auto scratch = std::filesystem::temp_directory_path() / "zelto-screenshots";
    for (const Scene& scene : kScenes) {
        if ((!scene.stage || stages) && !renderScene(scene, out, scratch))
            return 1;
    }
    std::filesystem::remove_all(scratch);
    return 0;
}
