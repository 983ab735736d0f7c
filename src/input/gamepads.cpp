#include "input/gamepads.h"

#include "platform/runtime_library.h"

#include <QDir>
#include <QFile>
#include <SDL.h>
#include <cstdlib>
#include <optional>

namespace zelto {

Q_LOGGING_CATEGORY(lcPad, "zelto.pad", QtInfoMsg)

namespace {

// SDL is loaded when the controllers are first looked for, not linked: it and the thirty-odd
// libraries it needs (sound, Wayland, X extensions) would add some 10 ms to every start of
// the game, before its menu shows.
#define ZELTO_SDL_FUNCTIONS(X)                                                                     \
    X(SDL_LogSetOutputFunction)                                                                    \
    X(SDL_SetHint)                                                                                 \
    X(SDL_InitSubSystem)                                                                           \
    X(SDL_QuitSubSystem)                                                                           \
    X(SDL_GetError)                                                                                \
    X(SDL_PollEvent)                                                                               \
    X(SDL_GameControllerOpen)                                                                      \
    X(SDL_GameControllerClose)                                                                     \
    X(SDL_GameControllerGetJoystick)                                                               \
    X(SDL_GameControllerName)                                                                      \
    X(SDL_JoystickInstanceID)

struct SdlApi {
    ZELTO_SDL_FUNCTIONS(ZELTO_DECLARE_FUNCTION)
};

/// SDL, or null when this machine has none (said once).
const SdlApi* sdl() {
    static const std::optional<SdlApi> api = loadLibrary<SdlApi>(
        QStringLiteral("SDL2-2.0"), 0, lcPad(), "no controllers",
        [](SymbolResolver& resolve, SdlApi& api) { ZELTO_SDL_FUNCTIONS(ZELTO_RESOLVE_FUNCTION) });
    return api ? &*api : nullptr;
}

// Where the system makes a device file for every input device, controllers included.
constexpr const char* kDeviceFolder = "/dev/input";
constexpr const char* kDevices = "/dev";

struct ButtonOf {
    SDL_GameControllerButton sdl;
    PadButton button;
};
// The buttons by their place on the controller: SDL's "A" is the bottom face button on every
// layout, its "B" the right one, its "Y" the top one.
constexpr ButtonOf kButtons[] = {
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PadButton::Left},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PadButton::Right},
    {SDL_CONTROLLER_BUTTON_DPAD_UP, PadButton::Up},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PadButton::Down},
    {SDL_CONTROLLER_BUTTON_A, PadButton::South},
    {SDL_CONTROLLER_BUTTON_B, PadButton::East},
    {SDL_CONTROLLER_BUTTON_Y, PadButton::North},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PadButton::LeftShoulder},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, PadButton::RightShoulder},
    {SDL_CONTROLLER_BUTTON_BACK, PadButton::Back},
    {SDL_CONTROLLER_BUTTON_START, PadButton::Start},
};

std::optional<PadButton> buttonOf(int sdl) {
    for (const ButtonOf& entry : kButtons) {
        if (entry.sdl == sdl)
            return entry.button;
    }
    return std::nullopt;
}

/// SDL's messages, which it would otherwise print on the terminal.
void toLog(void*, int, SDL_LogPriority, const char* message) {
    qCDebug(lcPad, "SDL: %s", message);
}

/// Whether an input device of the system can be a controller: one with a joystick handler
/// (jsN), or with joystick or gamepad buttons (BTN_JOYSTICK 0x120 to BTN_THUMBR 0x13e), as
/// the kernel lists them in /proc/bus/input/devices. One small read, no library.
bool controllerMayBePlugged() {
    QFile devices(QStringLiteral("/proc/bus/input/devices"));
    if (!devices.open(QIODevice::ReadOnly | QIODevice::Text))
        return true; // cannot tell: let SDL look
    for (const QByteArray& line : devices.readAll().split('\n')) {
        if (line.startsWith("H: Handlers=") && (line.contains(" js") || line.contains("=js")))
            return true;
        if (!line.startsWith("B: KEY="))
            continue;
        // Words of 64 bits, the highest first.
        const QList<QByteArray> words = line.mid(7).trimmed().split(' ');
        for (int bit = 0x120; bit < 0x140; ++bit) {
            const qsizetype word = words.size() - 1 - bit / 64;
            if (word >= 0 && (words[word].toULongLong(nullptr, 16) >> (bit % 64)) & 1)
                return true;
        }
    }
    return false;
}

} // namespace

int StickPush::move(int x) {
    if (side_ != 0 && std::abs(x) < kRelease)
        side_ = 0;
    const int side = x <= -kPush ? -1 : x >= kPush ? 1 : 0;
    if (side == 0 || side == side_)
        return 0;
    side_ = side;
    return side;
}

Gamepads::Gamepads(QObject* parent) : QObject(parent) {
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, &Gamepads::poll);
}

Gamepads::~Gamepads() {
    if (!started_)
        return;
    for (auto& [id, pad] : pads_)
        sdl()->SDL_GameControllerClose(pad.controller);
    sdl()->SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void Gamepads::start() {
    const SdlApi* api = sdl();
    if (started_ || !api)
        return;
    api->SDL_LogSetOutputFunction(toLog, nullptr);
    // The game has its own window and its own handling of signals: SDL is only asked about
    // controllers, and reports them whichever window has the focus.
    api->SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    api->SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (api->SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) < 0) {
        qCDebug(lcPad, "no controllers: %s", api->SDL_GetError());
        return;
    }
    started_ = true;
    watchDevices();
    // SDL has found the controllers already plugged in, and queued them.
    poll();
}

void Gamepads::startWhenPlugged() {
    if (started_ || controllerMayBePlugged()) {
        start();
        return;
    }
    qCDebug(lcPad, "no controller plugged in: SDL waits until one may be");
    watchDevices();
}

void Gamepads::watchDevices() {
    if (!watcher_.directories().isEmpty())
        return;
    // A folder that does not exist yet is watched for in its parent.
    watcher_.addPath(QDir(QString::fromLatin1(kDeviceFolder)).exists()
                         ? QString::fromLatin1(kDeviceFolder)
                         : QString::fromLatin1(kDevices));
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) {
        if (path == QLatin1String(kDevices)) {
            if (!QDir(QString::fromLatin1(kDeviceFolder)).exists())
                return;
            watcher_.removePath(path);
            watcher_.addPath(QString::fromLatin1(kDeviceFolder));
        }
        if (!started_) {
            if (controllerMayBePlugged())
                start();
            return;
        }
        lookForControllers();
    });
}

void Gamepads::lookForControllers() {
    if (!started_)
        return;
    looking_.setRemainingTime(kLookMs);
    updateTimer();
}

void Gamepads::updateTimer() {
    if (!pads_.empty() || !looking_.hasExpired()) {
        if (!timer_.isActive())
            timer_.start();
    } else {
        timer_.stop();
    }
}

void Gamepads::poll() {
    if (!started_)
        return;
    const SdlApi& api = *sdl();
    SDL_Event event;
    while (api.SDL_PollEvent(&event)) {
        std::optional<PadButton> press;
        switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            if (SDL_GameController* controller = api.SDL_GameControllerOpen(event.cdevice.which)) {
                const int id =
                    api.SDL_JoystickInstanceID(api.SDL_GameControllerGetJoystick(controller));
                if (pads_.count(id)) {
                    api.SDL_GameControllerClose(controller); // one open is enough
                } else {
                    pads_[id].controller = controller;
                    looking_ = QDeadlineTimer(); // found: it is read from now on anyway
                    qCDebug(lcPad, "controller %d: %s", id, api.SDL_GameControllerName(controller));
                }
            }
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (const auto pad = pads_.find(event.cdevice.which); pad != pads_.end()) {
                api.SDL_GameControllerClose(pad->second.controller);
                pads_.erase(pad);
                qCDebug(lcPad, "controller %d is gone", event.cdevice.which);
            }
            break;
        case SDL_CONTROLLERBUTTONDOWN:
            press = buttonOf(event.cbutton.button);
            break;
        case SDL_CONTROLLERAXISMOTION:
            if (const auto pad = pads_.find(event.caxis.which);
                pad != pads_.end() && event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) {
                if (const int side = pad->second.stick.move(event.caxis.value))
                    press = side < 0 ? PadButton::Left : PadButton::Right;
            }
            break;
        default:
            break;
        }
        if (press)
            emit pressed(*press);
    }
    updateTimer();
}

} // namespace zelto
