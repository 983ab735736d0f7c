// zelto-xprobe: what tools/bench/bench.sh needs from the X server that xdotool cannot give
// precisely enough. `launch` starts a program and times its first window being mapped and then
// showing a picture; `play` types a pattern of held keys through XTEST and, when asked, times
// the first picture that shows each key's effect, as the X server sees the drawing (DAMAGE).
// Both work for any X client, so the bench measures Zelto and its yardstick the same way.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/select.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: zelto-xprobe launch [--log FILE] CAPTION PROGRAM [ARGUMENT...]\n"
    "       zelto-xprobe play [--band TOP BOTTOM] [--effect KEY:MS]... WINDOW SECONDS STEP...\n"
    "\n"
    "launch  starts PROGRAM (its output to FILE, else nowhere), waits up to 10 s for a top-level\n"
    "        window captioned CAPTION to be mapped and to show a picture (more than one\n"
    "        colour), and prints: PID WINDOW MAPPED_MS SHOWN_MS, in ms from just before the\n"
    "        start. The program goes on running.\n"
    "play    gives WINDOW the focus and for SECONDS types the STEPs in turn, over and over.\n"
    "        A step is KEY[+KEY...]/HOLD_MS: the keys (X keysym names: m, space, Left) go down\n"
    "        in order, stay down HOLD_MS and come up. Prints \"keys N\". With --band, every\n"
    "        press of a KEY named by --effect waits for the first drawing in rows TOP to\n"
    "        BOTTOM-1 of WINDOW that reaches the X server MS or more after the press, and\n"
    "        prints \"picture KEY LATENCY_MS\" (from press + MS), or \"picture KEY none\".\n";

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

/// The display, closed on every way out.
struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

/// Waits until the connection has something to read or `deadline` (nowMs) has passed.
void waitForEvents(Display* display, double deadline) {
    if (XPending(display))
        return;
    const double left = deadline - nowMs();
    if (left <= 0)
        return;
    fd_set read;
    FD_ZERO(&read);
    FD_SET(ConnectionNumber(display), &read);
    timeval timeout{long(left / 1000), long(std::fmod(left, 1000.0) * 1000)};
    select(ConnectionNumber(display) + 1, &read, nullptr, nullptr, &timeout);
}

std::optional<std::string> captionOf(Display* display, Window window) {
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || !name)
        return std::nullopt;
    std::string caption(name);
    XFree(name);
    return caption;
}

/// Whether the window's contents on the screen hold more than one colour: the background
/// the server fills a new window with is one colour, a drawn picture is more.
bool showsPicture(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    XImage* image = XGetImage(display, window, 0, 0, unsigned(attributes.width),
                              unsigned(attributes.height), AllPlanes, ZPixmap);
    if (!image)
        return false;
    const unsigned long first = XGetPixel(image, 0, 0);
    bool more = false;
    for (int y = 0; y < image->height && !more; ++y) {
        for (int x = 0; x < image->width && !more; ++x)
            more = XGetPixel(image, x, y) != first;
    }
    XDestroyImage(image);
    return more;
}

int damageEventBase(Display* display) {
    int event = 0;
    int error = 0;
    if (!XDamageQueryExtension(display, &event, &error)) {
        std::fputs("zelto-xprobe: the X server has no DAMAGE extension\n", stderr);
        return -1;
    }
    return event;
}

int launch(int argc, char** argv) {
    const char* log = "/dev/null";
    int at = 0;
    if (at + 1 < argc && std::string_view(argv[at]) == "--log") {
        log = argv[at + 1];
        at += 2;
    }
    if (argc - at < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string caption = argv[at];
    char** program = argv + at + 1;

    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        std::fputs("zelto-xprobe: cannot open the display\n", stderr);
        return 1;
    }
    Display* d = display.get();
    const int damageBase = damageEventBase(d);
    if (damageBase < 0)
        return 1;
    const Window root = DefaultRootWindow(d);
    // Every window mapped on the screen, and every drawing on it, is told to us.
    XSelectInput(d, root, SubstructureNotifyMask);
    const Damage damage = XDamageCreate(d, root, XDamageReportNonEmpty);
    XSync(d, False);

    const int out = open(log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        std::perror(log);
        return 1;
    }
    // The program must not hold our connection, and with it our damage, open after we leave.
    fcntl(ConnectionNumber(d), F_SETFD, FD_CLOEXEC);
    const double start = nowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        dup2(out, 2);
        setpgid(0, 0); // its own group, so that a terminal's Ctrl+C is the bench's
        execvp(program[0], program);
        std::perror(program[0]);
        _exit(127);
    }
    close(out);
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }

    Window window = 0;
    double mapped = 0;
    const double deadline = start + 10000;
    std::vector<Window> unnamed; // mapped before their caption was set
    auto consider = [&](Window candidate) {
        if (captionOf(d, candidate) == caption) {
            window = candidate;
            return true;
        }
        return false;
    };
    while (nowMs() < deadline) {
        waitForEvents(d, deadline);
        while (XPending(d)) {
            XEvent event;
            XNextEvent(d, &event);
            if (!window && event.type == MapNotify && event.xmap.event == root) {
                const double when = nowMs();
                if (consider(event.xmap.window)) {
                    mapped = when;
                } else {
                    XSelectInput(d, event.xmap.window, PropertyChangeMask);
                    unnamed.push_back(event.xmap.window);
                }
            } else if (!window && event.type == PropertyNotify &&
                       std::count(unnamed.begin(), unnamed.end(), event.xproperty.window)) {
                if (consider(event.xproperty.window))
                    mapped = nowMs();
            } else if (event.type == damageBase + XDamageNotify) {
                XDamageSubtract(d, damage, None, None);
            }
        }
        if (window && showsPicture(d, window)) {
            const double shown = nowMs();
            std::printf("%d %lu %.1f %.1f\n", int(pid), window, mapped - start, shown - start);
            XDamageDestroy(d, damage);
            return 0;
        }
    }
    std::fprintf(stderr, "zelto-xprobe: %s showed no window \"%s\" with a picture in 10 s\n",
                 program[0], caption.c_str());
    kill(pid, SIGTERM);
    return 1;
}

struct Step {
    std::vector<KeyCode> keys;
    std::vector<std::string> names;
    double holdMs = 0;
};

std::optional<Step> parseStep(Display* d, std::string_view text) {
    const auto slash = text.rfind('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    Step step;
    step.holdMs = std::atof(std::string(text.substr(slash + 1)).c_str());
    std::string_view keys = text.substr(0, slash);
    while (!keys.empty()) {
        const auto plus = keys.find('+');
        const std::string name(keys.substr(0, plus));
        const KeySym symbol = XStringToKeysym(name.c_str());
        const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(d, symbol);
        if (!code)
            return std::nullopt;
        step.keys.push_back(code);
        step.names.push_back(name);
        keys = plus == std::string_view::npos ? std::string_view() : keys.substr(plus + 1);
    }
    if (step.keys.empty() || step.holdMs <= 0)
        return std::nullopt;
    return step;
}

/// A key press whose effect is being looked for.
struct Awaited {
    std::string key;
    double from = 0; // the press plus the key's effect delay
};

int play(int argc, char** argv) {
    int top = -1;
    int bottom = -1;
    std::map<std::string, double> effects;
    int at = 0;
    for (; at < argc; ++at) {
        const std::string_view argument = argv[at];
        if (argument == "--band" && at + 2 < argc) {
            top = std::atoi(argv[at + 1]);
            bottom = std::atoi(argv[at + 2]);
            at += 2;
        } else if (argument == "--effect" && at + 1 < argc) {
            const std::string effect = argv[++at];
            const auto colon = effect.find(':');
            if (colon == std::string::npos)
                break;
            effects[effect.substr(0, colon)] = std::atof(effect.c_str() + colon + 1);
        } else {
            break;
        }
    }
    if (argc - at < 3 || argv[at][0] == '-') {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const Window window = std::strtoul(argv[at], nullptr, 0);
    const double seconds = std::atof(argv[at + 1]);

    DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        std::fputs("zelto-xprobe: cannot open the display\n", stderr);
        return 1;
    }
    Display* d = display.get();
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d, &event, &error, &major, &minor)) {
        std::fputs("zelto-xprobe: the X server has no XTEST extension\n", stderr);
        return 1;
    }
    std::vector<Step> steps;
    for (int i = at + 2; i < argc; ++i) {
        auto step = parseStep(d, argv[i]);
        if (!step) {
            std::fprintf(stderr, "zelto-xprobe: not a step: %s\n", argv[i]);
            return 2;
        }
        steps.push_back(std::move(*step));
    }

    // The band in screen coordinates: the window's rows TOP to BOTTOM-1, its full width.
    const bool watching = top >= 0 && bottom > top;
    int bandLeft = 0, bandTop = 0, bandRight = 0, bandBottom = 0;
    int damageBase = -1;
    Damage damage = 0;
    if (watching) {
        XWindowAttributes attributes{};
        Window child = 0;
        if (!XGetWindowAttributes(d, window, &attributes) ||
            !XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &bandLeft, &bandTop,
                                   &child)) {
            std::fputs("zelto-xprobe: no such window\n", stderr);
            return 1;
        }
        bandRight = bandLeft + attributes.width;
        bandBottom = bandTop + bottom;
        bandTop += top;
        damageBase = damageEventBase(d);
        if (damageBase < 0)
            return 1;
        // Every rectangle drawn on the screen, as the server draws it.
        damage = XDamageCreate(d, DefaultRootWindow(d), XDamageReportRawRectangles);
    }
    XSetInputFocus(d, window, RevertToParent, CurrentTime);
    XSync(d, False);

    std::vector<Awaited> awaited;
    int presses = 0;
    // Handles what the server sent until `until`: each drawing in the band answers the
    // presses it comes late enough for.
    auto pump = [&](double until) {
        do {
            waitForEvents(d, until);
            while (XPending(d)) {
                XEvent e;
                XNextEvent(d, &e);
                if (!watching || e.type != damageBase + XDamageNotify)
                    continue;
                const double when = nowMs();
                const auto& area = reinterpret_cast<XDamageNotifyEvent&>(e).area;
                if (area.y >= bandBottom || area.y + area.height <= bandTop ||
                    area.x >= bandRight || area.x + area.width <= bandLeft)
                    continue;
                std::erase_if(awaited, [when](const Awaited& a) {
                    if (when < a.from)
                        return false;
                    std::printf("picture %s %.1f\n", a.key.c_str(), when - a.from);
                    return true;
                });
            }
        } while (nowMs() < until);
    };

    const double start = nowMs();
    const double end = start + seconds * 1000;
    for (std::size_t i = 0; nowMs() < end; i = (i + 1) % steps.size()) {
        const Step& step = steps[i];
        for (std::size_t k = 0; k < step.keys.size(); ++k) {
            XTestFakeKeyEvent(d, step.keys[k], True, CurrentTime);
            XFlush(d);
            ++presses;
            if (const auto effect = effects.find(step.names[k]);
                watching && effect != effects.end())
                awaited.push_back({step.names[k], nowMs() + effect->second});
        }
        pump(std::min(end, nowMs() + step.holdMs));
        for (std::size_t k = step.keys.size(); k-- > 0;)
            XTestFakeKeyEvent(d, step.keys[k], False, CurrentTime);
        XFlush(d);
    }
    // A picture still owed gets a moment longer than any frame.
    if (!awaited.empty())
        pump(nowMs() + 250);
    for (const Awaited& a : awaited)
        std::printf("picture %s none\n", a.key.c_str());
    std::printf("keys %d\n", presses);
    if (watching)
        XDamageDestroy(d, damage);
    XSync(d, False);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::puts("zelto-xprobe 1.0.0");
        return 0;
    }
    if (command == "launch")
        return launch(argc - 2, argv + 2);
    if (command == "play")
        return play(argc - 2, argv + 2);
    std::fputs(kUsage, stderr);
    return 2;
}
