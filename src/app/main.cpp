// The game's entry point: the Qt shell around the one play field of the program.
#include "game/play_field.h"
#include "screens/field_input.h"
#include "screens/game_clock.h"
#include "screens/gamepad_control.h"
#include "screens/play_field_window.h"
#include "screens/qt_host.h"
#include "screens/screens.h"
#include "sound/mm_control.h"
#include "sound/pulse_sound_device.h"

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace {

/// Everything the program holds once: the sound device, the host, the play field with its
/// record file in `recordFolder`, the clock, the one way in for keys and the pause, and the
/// play-field window while it is open.
class Game {
public:
    Game(const std::filesystem::path& recordFolder, const std::filesystem::path& waveFolder)
        : field_(host_, sound_, recordFolder, waveFolder), clock_(field_), input_(field_, clock_) {
        QObject::connect(&input_, &zelto::FieldInput::pausedChanged,
                         [this](bool paused) { sound_.setPaused(paused); });
    }

    zelto::FieldInput& input() { return input_; }

    /// Shows the play field: raises its window when it is open, else starts a new game.
    void showPlayField() {
        // The play field has no icon of its own and shows the program's, which is not set
        // before it is needed: the menu need not wait for it.
        if (QApplication::windowIcon().isNull())
            QApplication::setWindowIcon(zelto::programIcon());
        zelto::showPlayField(input_, window_);
    }

private:
    zelto::PulseSoundDevice sound_;
    zelto::QtHost host_;
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
};

Options readOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        options.play |= argument == "--play";
        options.desktop |= argument == "--desktop";
    }
    return options;
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

    const Options options = readOptions(argc, argv);
    const std::filesystem::path executableFolder =
        QApplication::applicationDirPath().toStdU16String();
    Game game(recordFolder(options), zelto::findWaveFolder(executableFolder));
    // The menu goes before the game, and with it any about box or keys screen still open.
    zelto::Screens screens([&game] { game.showPlayField(); });
    screens.showMenu();
    zelto::GamepadControl gamepads(screens, game.input());
    if (options.play)
        screens.showPlayField();

    // The program ends when its last window closes, or at once by the menu's "&Esci".
    const int status = QApplication::exec();
    // The closed window deletes itself later; let it go before the field it shows.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
