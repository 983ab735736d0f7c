#include "kit/task_bar.h"

#include "platform/logging.h"
#include "platform/runtime_library.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define ZELTO_HAS_XCB 1
#endif

namespace zelto {

namespace {

#ifdef ZELTO_HAS_XCB
#define ZELTO_XCB_FUNCTIONS(X)                                                                     \
    X(xcb_intern_atom)                                                                             \
    X(xcb_intern_atom_reply)                                                                       \
    X(xcb_change_property)                                                                         \
    X(xcb_flush)

struct XcbApi {
    ZELTO_XCB_FUNCTIONS(ZELTO_DECLARE_FUNCTION)
};

/// Marks a native window, before it is mapped, as one the task bar leaves out
/// (_NET_WM_STATE_SKIP_TASKBAR). Qt keeps state atoms it does not manage when it maps the
/// window. The few xcb calls come from the libxcb the platform plugin has already loaded, so
/// the game needs no X library at link time and runs unchanged on other platforms.
void setSkipTaskbarState(xcb_connection_t* connection, xcb_window_t window) {
    static const std::optional<XcbApi> xcb = loadLibrary<XcbApi>(
        QStringLiteral("xcb"), 1, lcScreens(), "windows may show on the task bar",
        [](SymbolResolver& resolve, XcbApi& api) { ZELTO_XCB_FUNCTIONS(ZELTO_RESOLVE_FUNCTION) });
    if (!xcb)
        return;
    const auto internAtom = xcb->xcb_intern_atom;
    const auto internAtomReply = xcb->xcb_intern_atom_reply;
    const auto changeProperty = xcb->xcb_change_property;
    const auto flush = xcb->xcb_flush;
    auto atom = [&](const char* name) -> xcb_atom_t {
        const xcb_intern_atom_cookie_t cookie =
            internAtom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
        xcb_intern_atom_reply_t* reply = internAtomReply(connection, cookie, nullptr);
        if (!reply)
            return XCB_ATOM_NONE;
        const xcb_atom_t result = reply->atom;
        std::free(reply); // xcb hands out replies from malloc
        return result;
    };
    const xcb_atom_t state = atom("_NET_WM_STATE");
    const xcb_atom_t skipTaskbar = atom("_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE)
        return;
    changeProperty(connection, XCB_PROP_MODE_APPEND, window, state, XCB_ATOM_ATOM, 32, 1,
                   &skipTaskbar);
    flush(connection);
}
#endif

} // namespace

void keepOffTaskBar(QWidget& window) {
#ifdef ZELTO_HAS_XCB
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    // winId() creates the native window now, while it is still unmapped.
    setSkipTaskbarState(x11->connection(), static_cast<xcb_window_t>(window.winId()));
#else
    Q_UNUSED(window)
#endif
}

} // namespace zelto
