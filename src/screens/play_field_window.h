// The window Form1 on screen.
#pragma once

#include "screens/field_painter.h"

#include <QTransform>
#include <QWidget>
#include <memory>

namespace zelto {

class Session;
class SettingsStore;
class X11FieldView;

/// Shows the play field of a session and passes the typed keys to it. The client area is the
/// field's 800 x 600 pixels, black, without frame, title bar or task-bar entry. Painting only reads
/// the field; after every advance of the clock and every key the window draws just the boxes of
/// what changed and hands them to the window system at once, in one present, without a paint
/// event: the session wakes once a frame, so the window presents at most once a frame, and every
/// present shows whole ticks. On X11 the X server draws them itself from the pictures it keeps
/// (X11FieldView), and the window has no backing store; elsewhere they are painted straight into
/// the backing store and flushed. Pause and Escape pause the game and resume it; while it is
/// paused "Pausa" stands in the middle of the field. When the field closes (the quit key) the
/// window emits closed() and closes; it deletes itself on close. Closing the window otherwise (by
/// the window system) closes the field too, paused or not, unless its message box is open.
///
/// A key press becomes a code for the session here: the player's extra keys (`settings`) as
/// their command's letter, or their pause or full screen; any other key that types a
/// single-byte character as that character.
class PlayFieldWindow : public QWidget {
    Q_OBJECT

public:
    PlayFieldWindow(Session& session, const SettingsStore& settings, QWidget* parent = nullptr);
    ~PlayFieldWindow() override;
    QPaintEngine* paintEngine() const override;

    /// F11: between the 800 x 600 window and the whole screen, where the field is scaled by
    /// the largest whole factor that fits and centred on black. Shows the window.
    void toggleFullScreen();

signals:
    /// The play field is gone and the window is closing.
    void closed();
    /// The window has just handed `region` (window pixels) of the field to the window system
    /// after a change, outside a paint event.
    void presented(const QRegion& region);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    /// Tab is a key like any other here, not a move of the focus.
    bool focusNextPrevChild(bool next) override;

private:
    /// Repaints what changed since the last look, and closes once the field has closed.
    void refresh();
    /// Draws `region` (window pixels) through the X server, or paints it into the backing store
    /// and flushes it; asks for a paint event instead while the window is not exposed.
    void present(const QRegion& region);
    /// Paints the part `rect` (window pixels) of the window as it stands, "Pausa" included.
    void paintField(QPainter& painter, const QRect& rect);
    /// Field pixels to window pixels: the identity at 800 x 600 on an ordinary screen, else the
    /// largest whole number of device pixels to a field pixel that fits, centred on black.
    QTransform fieldToWindow() const;

    Session& session_;
    const SettingsStore& settings_;
    FieldPainter painter_;
    FieldSnapshot shown_;
    std::unique_ptr<X11FieldView> x11_; // on X11, what draws the window
    bool closedSignalled_ = false;
    bool fullScreen_ = false;
};

} // namespace zelto
