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
#include <QLoggingCategory>
#include <QPointer>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace {

/// Everything the program holds once: the sound device, the host, the play field with its
/// record file in the current directory, the clock, the one way in for keys and the pause,
/// and the play-field window while it is open.
class Game {
public:
    explicit Game(const std::filesystem::path& waveFolder)
        : field_(host_, sound_, ".", waveFolder), clock_(field_), input_(field_, clock_) {
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

    const std::filesystem::path executableFolder =
        QApplication::applicationDirPath().toStdU16String();
    Game game(zelto::findWaveFolder(executableFolder));
    // The menu goes before the game, and with it any about box or keys screen still open.
    zelto::Screens screens([&game] { game.showPlayField(); });
    screens.showMenu();
    zelto::GamepadControl gamepads(screens, game.input());

    // The program ends when its last window closes, or at once by the menu's "&Esci".
    const int status = QApplication::exec();
    // The closed window deletes itself later; let it go before the field it shows.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
