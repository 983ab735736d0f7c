// The program's own windows: the start menu, which opens the about box, the keys help screen
// and the play field, plus what those windows have in common.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

class QAbstractButton;
class QIcon;
class QPixmap;
class QWidget;

namespace zelto {

class Form2;
class Form3;
class frmAbout;

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
void setFixedFrame(QWidget& window, QSize clientSize, bool inTaskbar);

/// Where the client area of a window given setFixedFrame() begins in the window: below the
/// caption bar it draws itself on Wayland, elsewhere at its top-left corner. Its contents move
/// there on their own; what the window paints itself must be offset by it.
QPoint clientOrigin(const QWidget& window);

/// Calls `then` once `window` has painted itself for the first time, after that paint has gone
/// to the screen; never, if the window goes first.
void afterFirstPaint(QWidget& window, std::function<void()> then);

/// Keeps the underline under `button`'s access key always visible, where a desktop style would
/// show it only while Alt is held; makes the access key press the button at once, and so do
/// Return and Enter (keypad) while the button has the focus, as Space does.
void setUpButtonKeys(QAbstractButton& button);

/// The program's icon in every size that the pictures provide, decoded on the first call.
QIcon programIcon();

/// One of the pictures compiled into the program, by its resource name, such as
/// ":/pictures/rock.gif", at its size in logical pixels and sharp on a dense screen; a null
/// pixmap when there is no such picture.
QPixmap loadPicture(const QString& resourceName);

/// Owns the start menu and opens the windows it leads to. The about box and the keys help
/// screen exist at most once each: asking for one that is open raises and activates it, and
/// one closed by the user is gone, so that asking again creates it afresh. All of them are
/// modeless and have no owner, and the menu stays open beneath them.
class Screens final : public QObject {
    Q_OBJECT

public:
    /// `showPlayField` is called for every press of "&Play"; it raises the running game or
    /// starts a new one, and Screens creates nothing for it.
    explicit Screens(std::function<void()> showPlayField, QObject* parent = nullptr);
    /// Releases the windows that are still open, without their close handling.
    ~Screens() override;

    /// Shows the start menu, the program's first window.
    void showMenu();

    Form2& menu() const { return *menu_; }
    /// The about box while it is open, otherwise null.
    frmAbout* aboutBox() const;
    /// The keys help screen while it is open, otherwise null.
    Form3* keysHelp() const;

    /// "&Info": shows the about box.
    void showAboutBox();
    /// "&Keyboard": shows the keys help screen.
    void showKeysHelp();
    /// "&Play": hands over to the play field.
    void showPlayField();
    /// "&Esci": ends the program at once, leaving every window and file as it is; the
    /// program's event loop returns 0.
    void endProgram();

private:
    std::function<void()> showPlayField_;
    std::unique_ptr<Form2> menu_;
    QPointer<frmAbout> aboutBox_;
    QPointer<Form3> keysHelp_;
};

} // namespace zelto
