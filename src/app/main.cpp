// The game's entry point: its command line and its start-up. Everything else is the Program.
#include "base/text.h"
#include "kit/window_kit.h"
#include "online/board_client.h"
#include "replay/verify.h"
#include "scoring/record_file.h"
#include "screens/program.h"
#include "screens/screens.h"
#include "screens/translations.h"
#include "sound/mm_control.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kUsage = R"(Usage: zelto [OPTION]...
A small arcade shooter: keep the falling rocks from reaching the bottom of the field.

Options:
  --play           start on the play field, with the menu beneath it
  --desktop        keep the best score in $XDG_DATA_HOME/zelto/, as the desktop entry does
  --settings       open the settings window over the menu (keys, full screen, music, volumes)
  --record FILE    write each game to FILE as it is played (a new or regular file)
  --watch FILE     play a recorded game back, after checking it; FILE may be the address
                   of a game's recording on a score board
  --scores         show the table of your best games, over the menu
  --board URL      join the score board at URL (http or https), kept in the settings: each
                   game that enters your table is sent there; --board '' leaves it
  --help           show this help and exit
  --version        show the version and exit
Qt's own options (-platform NAME, -style NAME, -reverse, ...) are taken as well.

Examples:
  zelto --record best.zrp
  zelto --watch ~/.local/state/zelto/last-game.zrp
  zelto --board https://scores.example.org --scores
)";

/// What the command line asks for.
struct Options {
    /// --play: the play field opens at once, over the menu, as "&Play" would open it.
    bool play = false;
    /// --desktop: started by the desktop entry, whose current folder is no place of the
    /// player's choosing, so the record file lives in the user's data folder.
    bool desktop = false;
    /// --record FILE: each game is written to FILE as it goes.
    std::string record;
    /// --watch FILE: the recorded game is played back.
    std::string watch;
    /// --settings: the settings window opens over the menu.
    bool settings = false;
    /// --scores: the table of best games shows over the menu.
    bool scores = false;
    /// --board URL: the score board to join, or an empty one to leave it.
    std::optional<std::string> board;
};

/// Qt's own options, which QApplication takes out of the command line; those before the
/// blank take a value.
constexpr std::string_view kQtOptions[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "title",         "name",    "",
    "reverse",     "widgetcount",        "nograb",        "dograb",  "sync",
    "testability"};

/// How many words a Qt option takes (1 or 2), or 0 when `argument` is none.
int qtOption(std::string_view argument, bool hasNext) {
    if (argument.size() < 2 || argument.front() != '-')
        return 0;
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    const bool valueHere = argument.find('=') != std::string_view::npos;
    argument = argument.substr(0, argument.find('='));
    bool takesValue = true;
    for (const std::string_view name : kQtOptions) {
        if (name.empty()) {
            takesValue = false;
        } else if (name == argument) {
            return takesValue && !valueHere && hasNext ? 2 : 1;
        }
    }
    return 0;
}

/// Reads the command line; exits at once for --help, --version and what it cannot take.
Options readOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const bool hasNext = i + 1 < argc;
        if (argument == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (argument == "--version") {
            std::printf("zelto %d.%d.%d\n", ZELTO_VERSION_MAJOR, ZELTO_VERSION_MINOR,
                        ZELTO_VERSION_PATCH);
            std::exit(0);
        } else if (argument == "--play") {
            options.play = true;
        } else if (argument == "--desktop") {
            options.desktop = true;
        } else if (argument == "--settings") {
            options.settings = true;
        } else if (argument == "--scores") {
            options.scores = true;
        } else if ((argument == "--record" || argument == "--watch") && hasNext) {
            (argument == "--record" ? options.record : options.watch) = argv[++i];
        } else if (argument == "--board" && hasNext) {
            options.board = argv[++i];
            if (!options.board->empty() &&
                !zelto::isBoardAddress(QString::fromStdString(*options.board))) {
                std::fprintf(stderr,
                             "zelto: --board takes an http:// or https:// address, not %s\n",
                             zelto::script::excerpt(*options.board).c_str());
                std::exit(2);
            }
        } else if (const int words = qtOption(argument, hasNext)) {
            i += words - 1;
        } else {
            std::fprintf(stderr, "zelto: %s %s (zelto --help lists the options)\n",
                         argument == "--record" || argument == "--watch" ? "no file after"
                         : argument == "--board"                         ? "no address after"
                                                                         : "unknown option",
                         zelto::script::excerpt(argument).c_str());
            std::exit(2);
        }
    }
    return options;
}

/// Whether Qt has a window system to start on: one named by QT_QPA_PLATFORM or -platform, or
/// an X11 or Wayland display in the environment. Without one, Qt would abort.
bool hasWindowSystem(int argc, char** argv) {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "-platform" || argument == "--platform")
            return true;
    }
    return false;
}

/// $XDG_STATE_HOME/zelto (~/.local/state/zelto by default).
QString stateFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/zelto");
}

/// Where the last game is kept without --record: $XDG_STATE_HOME/zelto/last-game.zrp, or
/// nowhere when that folder cannot be made.
std::filesystem::path lastGame() {
    const QString folder = stateFolder();
    if (!QDir().mkpath(folder))
        return {};
    return (folder + QStringLiteral("/last-game.zrp")).toStdU16String();
}

/// Whether --watch names a recording on a board rather than a file.
bool isAddress(const std::string& watch) {
    return watch.starts_with("http://") || watch.starts_with("https://");
}

/// The recording at the address `url`, read as a file is (up to `limits.maxBytes`, the
/// transfer given up as soon as more comes), or nothing with why not in `problem`. Waits for
/// it in an event loop, which a termination signal ends too: then `problem` is empty.
std::optional<std::string> download(const QString& url, const zelto::script::Limits& limits,
                                    std::string& problem) {
    zelto::BoardClient client;
    QEventLoop loop;
    std::optional<std::string> text;
    client.get(QUrl(url), qint64(limits.maxBytes), &loop, [&](const zelto::BoardAnswer& answer) {
        if (answer.status == 200)
            text = answer.body.toStdString();
        else
            problem = answer.failure().toStdString();
        if (!text)
            qCInfo(zelto::lcBoard, "the recording %s cannot be read: %s", qPrintable(url),
                   problem.c_str());
        loop.exit(1);
    });
    if (loop.exec() != 1)
        problem.clear();
    return text;
}

/// Where the record file lives: the current folder, as always from a terminal; started from
/// the desktop, $XDG_DATA_HOME/zelto (~/.local/share/zelto by default), made when missing, or
/// the current folder after all when that cannot be made.
std::filesystem::path recordFolder(const Options& options) {
    if (!options.desktop)
        return ".";
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString folder = data + QStringLiteral("/zelto");
    if (data.isEmpty() || !QDir().mkpath(folder))
        return ".";
    return folder.toStdU16String();
}

/// Where the table of best games lives: $XDG_DATA_HOME/zelto/scores (~/.local/share/zelto by
/// default), made when missing; nowhere, and no game enters a table, when it cannot be made.
QString scoresFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString folder = data + QStringLiteral("/zelto/scores");
    return !data.isEmpty() && QDir().mkpath(folder) ? folder : QString();
}

/// Why `target` cannot take the recordings of --record, or nothing: it must be a regular file
/// or a new one that can be written, and never the record file.
std::optional<std::string> recordingTargetProblem(const std::filesystem::path& target,
                                                  const std::filesystem::path& folder) {
    const zelto::RecordFile record(folder);
    struct stat targetStatus {};
    struct stat recordStatus {};
    const bool exists = ::stat(target.c_str(), &targetStatus) == 0;
    std::error_code error;
    const bool sameFolder = std::filesystem::equivalent(
        target.has_parent_path() ? target.parent_path() : ".", folder, error);
    if ((sameFolder && zelto::equalsIgnoringCase(target.filename().string(), "record.dat")) ||
        (exists && ::stat(record.path().c_str(), &recordStatus) == 0 &&
         targetStatus.st_dev == recordStatus.st_dev && targetStatus.st_ino == recordStatus.st_ino))
        return "it is the record file, which keeps the best score";
    if (exists && !S_ISREG(targetStatus.st_mode))
        return S_ISDIR(targetStatus.st_mode) ? "it is a folder" : "it is no regular file";
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    if (!exists) // made again when the first game starts
        ::unlink(target.c_str());
    return std::nullopt;
}

/// Ends the program as "&Esci" does when the session or a terminal asks it to stop (SIGTERM,
/// SIGINT, SIGHUP): the event loop returns and the windows go, and nothing is saved. The
/// handler only writes a byte to a socket that the event loop watches.
void endOnTerminationSignals(QObject& owner) {
    static int sockets[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return;
    auto* notifier = new QSocketNotifier(sockets[1], QSocketNotifier::Read, &owner);
    QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::exit(0); });
    struct sigaction action {};
    action.sa_handler = [](int) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(sockets[0], &byte, 1);
    };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    const Options options = readOptions(argc, argv);
    if (!hasWindowSystem(argc, argv)) {
        std::fputs("zelto: no display to open the game on (neither DISPLAY nor WAYLAND_DISPLAY "
                   "is set); start it from a desktop session, or name the display, as in "
                   "DISPLAY=:0 zelto\n",
                   stderr);
        return 1;
    }
    if (!options.record.empty()) {
        if (const auto problem = recordingTargetProblem(options.record, recordFolder(options))) {
            std::fprintf(stderr, "zelto: cannot record into %s: %s\n",
                         zelto::script::excerpt(options.record).c_str(), problem->c_str());
            return 2;
        }
    }
    // A recording to watch is read and checked before anything waits on it: a file of any
    // kind and size is refused or read within its caps, and until the event loop runs the
    // termination signals end the program at once.
    std::string problem;
    std::optional<std::vector<zelto::script::Command>> watched;
    zelto::VerifyOptions check;
    check.partial = true;
    const auto checked = [&](const std::optional<std::string>& text) {
        if (!text)
            return;
        const zelto::Verdict verdict = zelto::verifyRecording(*text, check);
        if (verdict.stop)
            problem = verdict.stop->text();
        else
            watched = zelto::script::readAll(*text, check.limits);
    };
    if (!options.watch.empty() && !isAddress(options.watch))
        checked(zelto::readRecordingFile(options.watch, check.limits, problem));

    // While it sets up the window system Qt remarks on the session (an unset XDG_RUNTIME_DIR,
    // for one) in messages of no category, which say nothing to a player. The logging rules
    // in the environment still win over this.
    QLoggingCategory::setFilterRules(QStringLiteral("default.info=false\ndefault.warning=false"));
    // On X11 the play field sends a few small boxes a frame. Through shared memory each would
    // cost a round trip to the X server (and a wake-up of Qt's reader thread) before the next
    // paint; sent in the request itself they cost the game and the server less together.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QString());
    QApplication::setApplicationName(zelto::applicationTitle());
    endOnTerminationSignals(app);
    zelto::installTranslation(app);

    // A recording on a board comes over the network once the event loop can run.
    if (isAddress(options.watch)) {
        checked(download(QString::fromStdString(options.watch), check.limits, problem));
        if (!watched && problem.empty())
            return 0; // a termination signal
    }
    if (!options.watch.empty() && !watched) {
        QMessageBox::critical(
            nullptr, zelto::applicationTitle(),
            QCoreApplication::translate("zelto::Watching",
                                        "Zelto non può mostrare la registrazione %1:\n%2")
                .arg(QString::fromStdString(options.watch),
                     QString::fromStdString(zelto::script::excerpt(problem))));
        return 1;
    }

    zelto::SessionSetup setup;
    setup.recordFolder = recordFolder(options);
    setup.waveFolder = zelto::findWaveFolder(QApplication::applicationDirPath().toStdU16String());
    // Watching records nothing; a game played afterwards is kept as the last game.
    setup.recording = !options.record.empty() ? std::filesystem::path(options.record) : lastGame();
    setup.recordingMode = options.record.empty() ? zelto::RecordingFile::Mode::Atomic
                                                 : zelto::RecordingFile::Mode::InPlace;
    zelto::Program program(setup);
    program.settings().open(zelto::SettingsStore::defaultFile());
    if (const QString folder = scoresFolder(); !folder.isEmpty())
        program.keepScores(folder);
    if (options.board) {
        zelto::Settings settings = program.settings().current();
        const QUrl board(QString::fromStdString(*options.board));
        settings.boardUrl = board.isEmpty() ? QString() : board.toString(); // as the outbox has it
        program.settings().change(settings);
    }
    program.keepOutbox(stateFolder() + QStringLiteral("/outbox"),
                       QFileInfo(zelto::SettingsStore::defaultFile()).path() +
                           QStringLiteral("/board-key"));
    program.screens().showMenu();
    if (options.settings)
        program.screens().showSettings();
    if (options.scores)
        program.showScores();
    if (watched)
        program.watch(std::move(*watched));
    else if (options.play)
        program.showPlayField();

    // The program ends when its last window closes, or at once by the menu's "&Esci".
    return QApplication::exec();
}
