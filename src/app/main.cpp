// The game's entry point: the Qt shell around the one play field of the program.
#include "field/play_field.h"
#include "screens/game_clock.h"
#include "screens/play_field_window.h"
#include "screens/qt_host.h"
#include "screens/screens.h"
#include "sound/mm_control.h"
#include "sound/sound_device.h"

#include <QApplication>
#include <QLibrary>
#include <QLoggingCategory>
#include <QPointer>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

namespace {

// The program's own remarks: only a broken installation, which a player should hear of.
Q_LOGGING_CATEGORY(lcGame, "zelto.game", QtInfoMsg)

/// The sound device from the sound module beside the game (or where the installed game keeps
/// it); a silent one, with a warning, when there is no module to load.
std::unique_ptr<zelto::SoundDevice> loadSoundDevice() {
    using Make = void (*)(std::unique_ptr<zelto::SoundDevice>&);
    const QString gameFolder = QCoreApplication::applicationDirPath();
    for (const QString& folder :
         {gameFolder, gameFolder + QStringLiteral("/" ZELTO_SOUND_MODULE_FROM_GAME)}) {
        // The library stays loaded for the rest of the program, as the device's code is in it.
        QLibrary module(folder + QStringLiteral("/zelto-sound"));
        if (const auto make = reinterpret_cast<Make>(module.resolve("zeltoMakeSoundDevice"))) {
            std::unique_ptr<zelto::SoundDevice> device;
            make(device);
            return device;
        }
    }
    qCWarning(lcGame, "the sound module is missing; the game plays silently");
    return std::make_unique<zelto::SilentSoundDevice>();
}

/// The sound device, loaded by the first sound command. The first game's start-up gives that
/// command (for its music), so the menu never waits for the multimedia libraries, and the
/// start-up keeps its order.
class LazySoundDevice final : public zelto::SoundDevice {
public:
    void open(zelto::SoundChannel channel, const std::filesystem::path& file) override {
        device().open(channel, file);
    }
    void play(zelto::SoundChannel channel) override { device().play(channel); }
    void close(zelto::SoundChannel channel) override { device().close(channel); }

private:
    zelto::SoundDevice& device() {
        if (!device_)
            device_ = loadSoundDevice();
        return *device_;
    }

    std::unique_ptr<zelto::SoundDevice> device_;
};

/// Everything the program holds once: the sound device, the host, the play field with its
/// record file in the current directory, the clock, and the play-field window while it is
/// open.
class Game {
public:
    explicit Game(const std::filesystem::path& waveFolder)
        : field_(host_, sound_, ".", waveFolder), clock_(field_) {}

    /// Shows the play field: raises its window when it is open, else starts a new game.
    void showPlayField() {
        // The play field has no icon of its own and shows the program's, which is not set
        // before it is needed: the menu need not wait for it.
        if (QApplication::windowIcon().isNull())
            QApplication::setWindowIcon(zelto::programIcon());
        zelto::showPlayField(field_, clock_, window_);
    }

private:
    LazySoundDevice sound_;
    zelto::QtHost host_;
    zelto::PlayField field_;
    zelto::GameClock clock_;
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

    // The program ends when its last window closes, or at once by the menu's "&Esci".
    const int status = QApplication::exec();
    // The closed window deletes itself later; let it go before the field it shows.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
