// The game's entry point: the Qt shell around the one play field of the program.
#include "game/play_field.h"
#include "screens/game_clock.h"
#include "screens/play_field_window.h"
#include "screens/qt_host.h"
#include "screens/screens.h"
#include "sound/mm_control.h"
#include "sound/qt_sound_device.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <filesystem>

namespace {

/// Everything the program holds once: the sound device, the host, the play field with its
/// record file in the current directory, the clock, and the play-field window while it is
/// open.
class Game {
public:
    explicit Game(const std::filesystem::path& waveFolder)
        : field_(host_, sound_, ".", waveFolder), clock_(field_) {}

    /// Shows the play field: raises its window when it is open, else starts a new game.
    void showPlayField() { zelto::showPlayField(field_, clock_, window_); }

private:
    zelto::QtSoundDevice sound_;
    zelto::QtHost host_;
    zelto::PlayField field_;
    zelto::GameClock clock_;
    QPointer<zelto::PlayFieldWindow> window_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(zelto::applicationTitle());
    QApplication::setWindowIcon(zelto::programIcon());

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
