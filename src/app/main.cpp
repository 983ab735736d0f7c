// The game's entry point: the Qt shell around the one play field of the program.
#include "game/play_field.h"
#include "replay/recorder.h"
#include "replay/script_text.h"
#include "replay/verify.h"
#include "screens/field_input.h"
#include "screens/game_clock.h"
#include "screens/gamepad_control.h"
#include "screens/play_field_window.h"
#include "screens/qt_host.h"
#include "screens/screens.h"
#include "screens/watch_player.h"
#include "sound/mm_control.h"
#include "sound/pulse_sound_device.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcRecording, "zelto.recording", QtInfoMsg)

/// Everything the program holds once: the sound device, the host (which the recorder stands
/// before), the play field with its record file in `recordFolder`, the clock, the one way in
/// for keys and the pause, and the play-field window while it is open. Each game is recorded
/// into `recording` unless it is empty.
class Game {
public:
    Game(const std::filesystem::path& recordFolder, const std::filesystem::path& waveFolder,
         const std::filesystem::path& recording, zelto::RecordingFile::Mode mode)
        : recording_(recording, mode,
                     [](const std::string& why) { qCDebug(lcRecording, "%s", why.c_str()); }),
          field_(recorder_, sound_, recordFolder, waveFolder), clock_(field_),
          input_(field_, clock_) {
        QObject::connect(&input_, &zelto::FieldInput::pausedChanged,
                         [this](bool paused) { sound_.setPaused(paused); });
        recorder_.follow(field_, [this] { return clock_.now(); });
        if (!recording.empty())
            clock_.setRecorder(&recorder_);
    }
    /// A game still open is recorded as it stands.
    ~Game() { recorder_.programEnding(); }

    zelto::FieldInput& input() { return input_; }

    /// Shows the play field: raises its window when it is open, else starts a new game.
    void showPlayField() {
        // The play field has no icon of its own and shows the program's, which is not set
        // before it is needed: the menu need not wait for it.
        if (QApplication::windowIcon().isNull())
            QApplication::setWindowIcon(zelto::programIcon());
        zelto::showPlayField(input_, window_);
    }

    /// Answers the message box that is open, as a player would; false when none is.
    bool answerBox() {
        if (!box_)
            return false;
        box_->done(QMessageBox::Ok);
        return true;
    }

private:
    zelto::PulseSoundDevice sound_;
    QPointer<QMessageBox> box_;
    zelto::QtHost host_{[this](const QString& text, const QString& title) {
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok);
        box.setWindowModality(Qt::ApplicationModal);
        box_ = &box;
        box.exec();
    }};
    zelto::RecordingFile recording_;
    zelto::Recorder recorder_{host_, recording_};
    zelto::PlayField field_;
    zelto::GameClock clock_;
    zelto::FieldInput input_;
    QPointer<zelto::PlayFieldWindow> window_;
};

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

/// What the command line asks for beyond Qt's own options, which Qt takes out itself.
struct Options {
    /// --play: the play field opens at once, over the menu, as "&Play" would open it.
    bool play = false;
    /// --desktop: started by the desktop entry, whose current folder is no place of the
    /// player's choosing, so the record file lives in the user's data folder.
    bool desktop = false;
    /// --record FILE: each game is written to FILE as it goes.
    QString record;
    /// --watch FILE: the recorded game is played back.
    QString watch;
};

Options readOptions(const QStringList& arguments) {
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        options.play |= argument == QLatin1String("--play");
        options.desktop |= argument == QLatin1String("--desktop");
        if (i + 1 < arguments.size() && argument == QLatin1String("--record"))
            options.record = arguments[++i];
        else if (i + 1 < arguments.size() && argument == QLatin1String("--watch"))
            options.watch = arguments[++i];
    }
    return options;
}

/// Where the last game is kept without --record: $XDG_STATE_HOME/zelto/last-game.zrp
/// (~/.local/state/zelto by default), or nowhere when that folder cannot be made.
std::filesystem::path lastGame() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    const QString folder = state + QStringLiteral("/zelto");
    if (!QDir().mkpath(folder))
        return {};
    return (folder + QStringLiteral("/last-game.zrp")).toStdU16String();
}

/// The lines of a recording that zelto --watch can show, checked by playing it headless in a
/// folder of `scratch`, where the record file then holds the best score the recording began
/// with: nothing, and why in `problem`, when it cannot be shown.
std::optional<std::vector<std::string>>
readRecording(const QString& file, const std::filesystem::path& scratch, std::string& problem) {
    const auto text = zelto::readRecordingFile(file.toStdString(), {}, problem);
    if (!text)
        return std::nullopt;
    zelto::VerifyOptions options;
    options.partial = true;
    const zelto::Verdict verdict = zelto::verifyRecording(*text, options);
    if (verdict.stop) {
        problem = verdict.stop->text();
        return std::nullopt;
    }
    // The game played back begins with the best score the recorded one began with.
    std::filesystem::create_directories(scratch);
    std::ofstream(scratch / "record.dat", std::ios::binary) << verdict.best;
    std::vector<std::string> lines;
    std::istringstream in(*text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
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
    if (!hasWindowSystem(argc, argv)) {
        std::fputs("zelto: no display to open the game on (neither DISPLAY nor WAYLAND_DISPLAY "
                   "is set); start it from a desktop session, or name the display, as in "
                   "DISPLAY=:0 zelto\n",
                   stderr);
        return 1;
    }

    // While it sets up the window system Qt remarks on the session (an unset XDG_RUNTIME_DIR,
    // for one) in messages of no category, which say nothing to a player. The logging rules
    // in the environment still win over this.
    QLoggingCategory::setFilterRules(QStringLiteral("default.info=false\ndefault.warning=false"));
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QString());
    QApplication::setApplicationName(zelto::applicationTitle());
    endOnTerminationSignals(app);

    const Options options = readOptions(QApplication::arguments());
    const std::filesystem::path waveFolder =
        zelto::findWaveFolder(QApplication::applicationDirPath().toStdU16String());

    // Watching a recording: it is checked first, then played in a scratch folder of its own,
    // so that no record file of the player's is ever written.
    QTemporaryDir scratch;
    std::optional<std::vector<std::string>> watched;
    if (!options.watch.isEmpty()) {
        std::string problem;
        watched = readRecording(options.watch, scratch.path().toStdString(), problem);
        if (!watched) {
            QMessageBox::critical(nullptr, zelto::applicationTitle(),
                                  QStringLiteral("Zelto cannot show the recording %1:\n%2")
                                      .arg(options.watch, QString::fromStdString(problem)));
            return 1;
        }
    }

    const std::filesystem::path recording = watched ? std::filesystem::path()
                                            : !options.record.isEmpty()
                                                ? options.record.toStdU16String()
                                                : lastGame();
    Game game(watched ? std::filesystem::path(scratch.path().toStdU16String())
                      : recordFolder(options),
              waveFolder, recording,
              options.record.isEmpty() ? zelto::RecordingFile::Mode::Atomic
                                       : zelto::RecordingFile::Mode::InPlace);
    // The menu goes before the game, and with it any about box or keys screen still open.
    zelto::Screens screens([&game] { game.showPlayField(); });
    screens.showMenu();
    zelto::GamepadControl gamepads(screens, game.input());
    std::unique_ptr<zelto::WatchPlayer> player;
    if (watched) {
        // The recorded game's clock, from the moment it opened, and its best score.
        const std::int64_t opening = zelto::WatchPlayer::openingTime(*watched);
        QElapsedTimer started;
        started.start();
        game.input().clock().setTimeSource(
            [opening, started] { return opening + started.elapsed(); });
        player = std::make_unique<zelto::WatchPlayer>(
            game.input(), std::move(*watched), [&screens] { screens.showPlayField(); },
            [&game] { return game.answerBox(); });
        player->start();
    } else if (options.play) {
        screens.showPlayField();
    }

    // The program ends when its last window closes, or at once by the menu's "&Esci".
    const int status = QApplication::exec();
    // The closed window deletes itself later; let it go before the field it shows.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
