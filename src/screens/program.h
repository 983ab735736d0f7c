// The program as it runs, built in one place for the game, its tests and its screenshots.
#pragma once

#include "replay/language.h"
#include "screens/play_field_window.h"
#include "screens/score_keeper.h"
#include "settings/settings.h"
#include "shell/session.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

namespace zelto {

class GamepadControl;
class Playback;
class Screens;
class Sender;

/// Everything the program holds once: the sound device (PulseAudio, unless the setup names
/// another), the game's message box (the real one, unless the setup names another), the
/// session, the start menu and the windows it leads to, the controllers, and the play field's
/// window, which shows whenever the session has a field open and goes when it closes; the
/// table of best games (see ScoreKeeper), with its window on F2 in the menu; the games on their
/// way to the score board the player has joined (see Sender), once keepOutbox() has named their
/// folder; and the player's settings, at their defaults until settings().open() reads them from
/// a file, which it applies to the sound, the session, the board and the windows whenever they
/// change.
class Program final : public QObject, public ScoreKeeperHost {
    Q_OBJECT

public:
    explicit Program(SessionSetup setup, QObject* parent = nullptr);
    ~Program() override;

    Session& session() override { return *session_; }
    Screens& screens() { return *screens_; }
    GamepadControl& gamepads() { return *gamepads_; }
    SettingsStore& settings() override { return settings_; }
    ScoreKeeper& scores() { return *scores_; }
    /// What sends games to the board, once keepOutbox() has been called; else null.
    Sender* sender() const override { return sender_.get(); }
    /// The play field's window while it is open, else null.
    PlayFieldWindow* window() const { return window_; }

    /// "&Play": raises the play field's window when a game is open, else opens a new game.
    void showPlayField();
    /// Plays a checked recording's commands back in the play field's window.
    void watch(std::vector<script::Command> commands) override;
    /// Finished games enter the table of best games in `folder` from now on.
    void keepScores(const QString& folder);
    /// Shows the table of best games.
    void showScores();
    /// Games entering the table go to the board of the settings (none by default) through the
    /// outbox in `folder`, with the player's key in `keyFile`, from now on.
    void keepOutbox(const QString& folder, const QString& keyFile);

private:
    /// Opens the window of a field that has opened.
    void followField();
    /// Gives the sound device its volumes and the session the music's state at the start.
    void applySettings();

    std::unique_ptr<SoundDevice> ownSound_;
    std::unique_ptr<MessageBoxes> ownBoxes_;
    SoundDevice* sound_ = nullptr;
    SettingsStore settings_;
    std::unique_ptr<ScoreKeeper> scores_;
    std::unique_ptr<Sender> sender_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<Screens> screens_;
    std::unique_ptr<GamepadControl> gamepads_;
    std::unique_ptr<Playback> playback_;
    QPointer<PlayFieldWindow> window_;
};

} // namespace zelto
