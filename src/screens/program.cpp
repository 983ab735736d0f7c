#include "screens/program.h"

#include "kit/window_kit.h"
#include "online/sender.h"
#include "pulse/pulse_sound_device.h"
#include "screens/gamepad_control.h"
#include "screens/message_box.h"
#include "screens/play_field_window.h"
#include "screens/score_keeper.h"
#include "screens/screens.h"
#include "screens/start_menu.h"
#include "shell/playback.h"

#include <QApplication>
#include <QShortcut>
#include <utility>

namespace zelto {

Program::Program(SessionSetup setup, QObject* parent) : QObject(parent) {
    if (!setup.sound) {
        ownSound_ = std::make_unique<PulseSoundDevice>();
        setup.sound = ownSound_.get();
    }
    if (!setup.boxes) {
        ownBoxes_ = std::make_unique<WarningBoxes>();
        setup.boxes = ownBoxes_.get();
    }
    sound_ = setup.sound;
    scores_ = std::make_unique<ScoreKeeper>(*this, *setup.boxes);
    setup.boxes = scores_.get();
    session_ = std::make_unique<Session>(setup);
    // The menu goes before the game, and with it any about box or keys screen still open.
    screens_ = std::make_unique<Screens>([this] { showPlayField(); }, settings_);
    connect(new QShortcut(Qt::Key_F2, &screens_->menu()), &QShortcut::activated, this,
            &Program::showScores);
    gamepads_ = std::make_unique<GamepadControl>(*screens_, *session_);
    connect(session_.get(), &Session::changed, this, &Program::followField);
    connect(&settings_, &SettingsStore::changed, this, &Program::applySettings);
    applySettings();
}

Program::~Program() {
    delete window_.data();
}

void Program::showPlayField() {
    if (session_->isOpen() && window_) {
        window_->raise();
        window_->activateWindow();
        return;
    }
    session_->open();
}

void Program::followField() {
    // A window that has closed goes by itself a moment later; a new field gets a new one.
    if ((window_ && window_->isVisible()) || !session_->isOpen())
        return;
    // The play field has no icon of its own and shows the program's, which is not set before
    // it is needed: the menu need not wait for it.
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(programIcon());
    window_ = new PlayFieldWindow(*session_, settings_);
    if (settings_.current().fullScreen)
        window_->toggleFullScreen();
    else
        window_->show();
}

void Program::applySettings() {
    const Settings& settings = settings_.current();
    sound_->setVolume(SoundChannel::Music, settings.musicVolume);
    sound_->setVolume(SoundChannel::Explosion, settings.effectsVolume);
    sound_->setVolume(SoundChannel::Laser, settings.effectsVolume);
    session_->setMusicAtStart(settings.musicAtStart);
    if (sender_)
        sender_->setBoard(QUrl(settings.boardUrl));
}

void Program::keepScores(const QString& folder) {
    scores_->keep(folder);
}

void Program::keepOutbox(const QString& folder, const QString& keyFile) {
    sender_ = std::make_unique<Sender>(folder, keyFile);
    connect(sender_.get(), &Sender::changed, scores_.get(), [this] { scores_->showOnline(false); });
    applySettings();
}

void Program::showScores() {
    scores_->showScores();
}

void Program::watch(std::vector<script::Command> commands) {
    playback_ = std::make_unique<Playback>(*session_, std::move(commands));
    playback_->start();
}

} // namespace zelto
