// zelto-screenshots OUTPUT_DIR [--stages]
//
// Renders the pictures of the README with the game's own drawing code, offscreen, so they
// never go stale: the start menu, the keys help screen and the about box (menu.png, keys.png,
// about.png), the settings window with the arrows and Space chosen (settings.png), the menu and
// the scores window in English (menu-en.png, scores-en.png), the scores window's two pages and
// the name box (scores.png, scores-online.png, name.png), and a game under way in the play-field
// window (game.png), played through the program's session on a virtual clock. With --stages it
// also renders the stages of the difficulty progression (aliens.png, saucer.png, image8.png).
// QT_SCALE_FACTOR=2 (or 1.5) renders them as a screen of that density shows them.
#include "scoring/score.h"
#include "screens/about_box.h"
#include "screens/keys_help.h"
#include "screens/program.h"
#include "screens/scores_window.h"
#include "screens/screens.h"
#include "screens/settings_window.h"
#include "screens/start_menu.h"
#include "screens/translations.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

namespace {

struct Scene {
    const char* file;
    bool stage; // rendered only with --stages
    std::initializer_list<const char*> script;
};

// Each scene starts a new game, with no best score yet: "open", "score POINTS" (a fixture,
// through the score rule), "key C", and "wait MS" (every tick at its own moment).
const Scene kScenes[] = {
    {"game.png",
     false,
     {"open", "score 650", "key x", "wait 1500", "key z", "wait 700", "key m", "wait 130"}},
    {"aliens.png", true, {"open", "score 4600", "key x", "wait 2500", "key m", "wait 200"}},
    {"saucer.png", true, {"open", "score 16050", "wait 1200"}},
    {"image8.png", true, {"open", "score 30050", "wait 250"}},
};

/// A table of best games to show: points, name, day of December 2026, length in seconds.
struct Game {
    long long points;
    const char* name;
    int day;
    int seconds;
};
const Game kTable[] = {
    {4650, "Margherita", 12, 331}, {2800, "Ada", 14, 187}, {1350, "Ada", 7, 134},
    {1350, "Grace", 9, 141},       {600, "Linus", 3, 62},  {250, "Ada", 1, 31},
};

/// The program on a virtual clock, silent, with a box that nobody needs to answer.
struct Renderer : zelto::MessageBoxes {
    QTemporaryDir folder;
    zelto::SilentSoundDevice sound;
    std::int64_t time = 0;
    zelto::Program app{setup()};

    zelto::SessionSetup setup() {
        return zelto::SessionSetup::onClock(folder.path().toStdString(), sound, *this, time);
    }
    void show(const QString&, const QString&) override {}
    bool answer() override { return false; }

    bool render(const Scene& scene, const QDir& out) {
        zelto::Session& session = app.session();
        for (const std::string_view line : scene.script) {
            const std::string_view word = line.substr(0, line.find(' '));
            const std::string_view value = line.substr(line.find(' ') + 1);
            if (word == "open") {
                app.showPlayField();
            } else if (word == "score") {
                zelto::addPoints(*session.field().form(), std::atof(value.data()));
            } else if (word == "key") {
                session.type(value.front());
            } else {
                for (int ms = std::atoi(value.data()); ms > 0; --ms) {
                    ++time;
                    session.advance();
                }
            }
        }
        const bool saved = app.window()->grab().save(out.filePath(QString::fromLatin1(scene.file)));
        session.close();
        QDir(folder.path()).remove(QStringLiteral("record.dat"));
        return saved;
    }
};

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

    Renderer renderer;
    zelto::Screens& screens = renderer.app.screens();
    screens.showMenu();
    screens.showKeysHelp();
    screens.showAboutBox();
    QList<zelto::ScoreEntry> entries;
    for (const Game& game : kTable)
        entries.append({QString::fromUtf8(game.name),
                        game.points,
                        QDateTime(QDate(2026, 12, game.day), QTime(21, 30)),
                        game.seconds * 1000LL,
                        {}});
    // The first four sent to a board, the fifth refused, the sixth waiting.
    QMap<QString, zelto::Delivery> deliveries;
    QList<zelto::BoardEntry> board;
    const QString address = QStringLiteral("https://scores.example.org");
    const std::pair<const char*, long long> kBoard[] = {
        {"Edsger", 136000}, {"Barbara", 52300}, {"Margherita", 4650}, {"Ken", 3900},
        {"Ada", 2800},      {"Niklaus", 2750},  {"Frances", 2100},    {"Ada", 1350},
        {"Grace", 1350},    {"Donald", 1200},   {"Linus", 600}};
    for (const auto& [name, points] : kBoard) {
        const qint64 rank = board.size() + 1;
        board.append({rank, rank * 7, QString::fromUtf8(name), points, points * 40 + 20000, 90,
                      QDateTime(QDate(2026, 12, 1 + int(rank)), QTime(20, 15))});
    }
    for (qsizetype at = 0; at < entries.size(); ++at) {
        entries[at].file = QStringLiteral("game-%1.zrp").arg(at);
        zelto::Delivery& delivery = deliveries[entries[at].file];
        delivery.board = address;
        delivery.state = at < 4   ? zelto::Delivery::State::Sent
                         : at < 5 ? zelto::Delivery::State::Refused
                                  : zelto::Delivery::State::Waiting;
        delivery.reason = QStringLiteral("this name belongs to another key");
        const qint64 shown[] = {3, 5, 8, 9};
        delivery.entry = board.value(shown[std::min<qsizetype>(at, 3)] - 1);
    }
    zelto::ScoresWindow scores;
    scores.setEntries({}, entries, 2);
    scores.setDeliveries(address, deliveries, {});
    scores.setBoardTable(board, 2007, {});
    scores.show();
    zelto::NameBox name(1350, QStringLiteral("Ada"));
    name.show();
    QApplication::processEvents();
    const std::pair<QWidget*, const char*> windows[] = {
        {&screens.menu(), "menu.png"},
        {screens.keysHelp(), "keys.png"},
        {screens.aboutBox(), "about.png"},
        {&scores, "scores.png"},
        {&name, "name.png"},
    };
    for (const auto& [window, file] : windows) {
        if (!window->grab().save(out.filePath(QString::fromLatin1(file))))
            return 1;
    }
    scores.tabs->setCurrentIndex(1);
    QApplication::processEvents();
    if (!scores.grab().save(out.filePath(QStringLiteral("scores-online.png"))))
        return 1;
    zelto::Settings arrows;
    arrows.keys = zelto::Settings::arrowsAndSpace();
    renderer.app.settings().change(arrows);
    screens.showSettings();
    // Only the windows made after it speak the translation's language.
    zelto::installTranslation(app, QLocale(QLocale::English));
    zelto::Form2 english;
    english.show();
    zelto::ScoresWindow englishScores;
    englishScores.setEntries({}, entries, 2);
    englishScores.setDeliveries(address, deliveries, {});
    englishScores.show();
    QApplication::processEvents();
    if (!screens.settingsWindow()->grab().save(out.filePath(QStringLiteral("settings.png"))) ||
        !english.grab().save(out.filePath(QStringLiteral("menu-en.png"))) ||
        !englishScores.grab().save(out.filePath(QStringLiteral("scores-en.png"))))
        return 1;
    for (const Scene& scene : kScenes) {
        if ((!scene.stage || stages) && !renderer.render(scene, out))
            return 1;
    }
    return 0;
}
