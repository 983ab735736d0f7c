// What the game's own windows have in common: their fixed frame, their keys, their pictures.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

class QAbstractButton;
class QIcon;
class QPixmap;
class QWidget;

namespace zelto {

/// The program's title, as the start menu's caption and the about box show it.
QString applicationTitle();

/// A rectangle of a window's design, given in twips (15 to a pixel), in pixels.
QRect fromTwips(int left, int top, int width, int height);

/// Gives `window` the fixed frame of the game's small windows: a caption and a close box, no
/// resizing and no minimise or maximise button, a client area of exactly `clientSize`, and the
/// program's icon, which it gets once it has first painted itself. A window that is not `inTaskbar`
/// gets no task-bar button (a tool window on Windows, the skip-task-bar hint on X11). Either way
/// its closing counts toward the end of the program when the last window closes. On Wayland the
/// window draws that frame's caption bar itself, above the client area (see clientOrigin()).
/// An empty `clientSize` leaves the size to the window's layout, which must keep it fixed; on
/// Wayland the caption bar then goes above the layout's contents.
void setFixedFrame(QWidget& window, QSize clientSize, bool inTaskbar);
/// Whether setFixedFrame() has the windows draw their own caption bar here: on Wayland.
bool drawsOwnCaptionBar();

/// Where the client area of a window given setFixedFrame() begins in the window: below the
/// caption bar it draws itself on Wayland, elsewhere at its top-left corner. Its contents move
/// there on their own; what the window paints itself must be offset by it.
QPoint clientOrigin(const QWidget& window);

/// Calls `then` once `window` has painted itself for the first time, after that paint has gone
/// to the screen; never, if the window goes first.
void afterFirstPaint(QWidget& window, std::function<void()> then);

/// Keeps the underline under `button`'s access key always visible, where a desktop style would
/// show it only while Alt is held; makes the access key press the button at once, and so do
/// Return and Enter (keypad) while the button has the focus, as Space does, unless not
/// `enterPresses` (a dialog whose default button takes them).
void setUpButtonKeys(QAbstractButton& button, bool enterPresses = true);

/// The program's icon in every size that the pictures provide, decoded on the first call.
QIcon programIcon();

/// One of the pictures compiled into the program, by its resource name, such as
/// ":/pictures/rock.gif", at its size in logical pixels and sharp on a dense screen; a null
/// pixmap when there is no such picture.
QPixmap loadPicture(const QString& resourceName);

} // namespace zelto
