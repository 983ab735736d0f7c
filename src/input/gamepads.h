// Game controllers, read through SDL's game-controller layer: which button a player pressed,
// whatever the make of the controller.
#pragma once

#include <QDeadlineTimer>
#include <QFileSystemWatcher>
#include <QLoggingCategory>
#include <QObject>
#include <QTimer>
#include <map>

struct _SDL_GameController;

namespace zelto {

/// Diagnostics of the controllers, off by default: QT_LOGGING_RULES="zelto.pad.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcPad)

/// What a player can do with a controller, by the button's place rather than its label. The
/// d-pad and the left stick both give Left and Right.
enum class PadButton {
    Left,
    Right,
    Up,
    Down,
    South,
    East,
    North,
    LeftShoulder,
    RightShoulder,
    Back,
    Start
};

/// The left stick's sideways position, turned into pushes like a d-pad's: a push counts once
/// when the stick leaves the dead zone and again only after it has come back near the middle,
/// so a stick held at the edge of the dead zone does not chatter.
class StickPush {
public:
    /// Beyond this (of 32767) the stick is pushed; within kRelease it is back in the middle.
    static constexpr int kPush = 16000;
    static constexpr int kRelease = 8000;

    /// The stick now stands at `x`: -1 or +1 for a new push that way, else 0.
    int move(int x);

private:
    int side_ = 0; // the side pushed and not yet released
};

/// Every controller plugged in, from program start on and as they come and go. Nothing runs
/// while none is attached: the device folder is watched for new devices, and only a change
/// there lets SDL look for a few seconds; the controllers are read kPollMs apart only while at
/// least one is open. SDL's joystick and game-controller parts are all that is started (no
/// window, no sound), and what SDL says goes to zelto.pad. SDL itself is loaded by start(), not
/// linked, so a game without controllers starts as quickly as before, and a machine without
/// SDL only has no controllers.
class Gamepads final : public QObject {
    Q_OBJECT

public:
    /// How long SDL looks for a controller after the device folder has changed: the system
    /// may make a new device readable only a moment after it appears.
    static constexpr int kLookMs = 3000;
    static constexpr int kPollMs = 20;

    explicit Gamepads(QObject* parent = nullptr);
    ~Gamepads() override;
    Gamepads(const Gamepads&) = delete;
    Gamepads& operator=(const Gamepads&) = delete;

    /// Starts SDL, opens the controllers already attached and watches for more. Does nothing
    /// the second time; without SDL's controller support it says so in zelto.pad and stays idle.
    void start();
    /// Starts SDL (as start()) only once the system has an input device that can be a
    /// controller; until then SDL is not even loaded (it and the libraries it pulls in cost
    /// some 2 MB), and only the device folder is watched.
    void startWhenPlugged();
    /// Lets SDL look for new controllers for kLookMs, as a change of the device folder does.
    void lookForControllers();
    /// Reads what the controllers did since the last look: new and lost controllers, and the
    /// presses, each emitted as pressed().
    void poll();

    int count() const { return static_cast<int>(pads_.size()); }
    /// Whether the controllers are being read on a timer.
    bool isPolling() const { return timer_.isActive(); }

signals:
    void pressed(zelto::PadButton button);

private:
    void watchDevices();
    void updateTimer();

    struct Pad {
        _SDL_GameController* controller = nullptr;
        StickPush stick;
    };

    bool started_ = false;
    QFileSystemWatcher watcher_;
    QTimer timer_;
    QDeadlineTimer looking_;  // while it runs, SDL looks even with no controller open
    std::map<int, Pad> pads_; // by SDL's instance id
};

} // namespace zelto
