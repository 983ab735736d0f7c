// Keeping a window off the task bar.
#pragma once

class QWidget;

namespace zelto {

/// Asks the window system to leave `window` out of the task bar, without changing what kind of
/// window it is (it stays an ordinary top-level window that keeps the program running). Call
/// before the window is first shown. On X11 this sets _NET_WM_STATE_SKIP_TASKBAR; elsewhere it
/// does nothing.
void keepOffTaskBar(QWidget& window);

} // namespace zelto
